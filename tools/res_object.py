#!/usr/bin/env python3
"""Writes a compiled resource script (a .res file from windres -O res) as a COFF object with
one .rsrc section, in which resources of the same bytes share one copy: the program loads one
picture under several names and numbers, and windres would store it once for each.

    tools/res_object.py --machine i686|x86_64 Tolvane.res Tolvane.rsrc.obj

The section holds the resource directory (types, then names, then languages, each table with
its named entries first, in code-unit order, then its numbered ones in ascending order), the
data entries, the names, and the data, each distinct data once. Every data entry's address is
an image-relative relocation against the section, which the linker resolves; with one .rsrc
section among its inputs it takes the section as it stands. A shared copy is never written:
the functions that load resources (bitmaps, icons, dialogs, strings, the version) read them.
"""
import argparse
import struct
import sys

MACHINES = {  # COFF machine, file characteristics and the image-relative relocation type
    "i686": (0x14C, 0x0104, 7),  # IMAGE_REL_I386_DIR32NB
    "x86_64": (0x8664, 0x0004, 3),  # IMAGE_REL_AMD64_ADDR32NB
}
# IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_ALIGN_4BYTES | IMAGE_SCN_MEM_READ | _WRITE, as windres
SECTION_FLAGS = 0xC0300040
DATA_ALIGNMENT = 8


def read_name(data, at):
    """A name or an ordinal of a .res header: (int or str, offset after it)."""
    (first,) = struct.unpack_from("<H", data, at)
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    end = at
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def read_res(data):
    """The resources of a .res file: (type, name, language, bytes), the empty first one left out."""
    resources = []
    at = 0
    while at + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, at)
        if header < 32 or at + header + size > len(data):
            sys.exit("res_object: damaged .res file at offset %d" % at)
        kind, after = read_name(data, at + 8)
        name, after = read_name(data, after)
        (language,) = struct.unpack_from("<H", data, at + header - 10)
        if not (kind == 0 and name == 0):
            resources.append((kind, name, language, data[at + header:at + header + size]))
        at = (at + header + size + 3) & ~3
    return resources


def sort_key(key):
    """Named entries first, by UTF-16 code units; then numbered ones, ascending."""
    if isinstance(key, str):
        return (0, key.encode("utf-16-be"))
    return (1, key)


def align(n, to):
    return (n + to - 1) // to * to


def build_section(resources):
    """The .rsrc section's bytes and the offsets of its data entries' address fields."""
    tree = {}
    for kind, name, language, blob in resources:
        leaves = tree.setdefault(kind, {}).setdefault(name, {})
        if language in leaves:
            sys.exit("res_object: resource %r %r given twice" % (kind, name))
        leaves[language] = blob

    def table_size(entries):
        return 16 + 8 * len(entries)

    kinds = sorted(tree, key=sort_key)
    # Where each table goes: the root, every type's table of names, every name's of languages.
    offset = table_size(kinds)
    name_tables, language_tables = {}, {}
    for kind in kinds:
        name_tables[kind] = offset
        offset += table_size(tree[kind])
    for kind in kinds:
        for name in sorted(tree[kind], key=sort_key):
            language_tables[(kind, name)] = offset
            offset += table_size(tree[kind][name])
    leaves = [(kind, name, language) for kind in kinds for name in sorted(tree[kind], key=sort_key)
              for language in sorted(tree[kind][name])]
    data_entries = {leaf: offset + 16 * i for i, leaf in enumerate(leaves)}
    offset += 16 * len(leaves)
    strings = {}
    for text in sorted({k for k in kinds if isinstance(k, str)} |
                       {n for k in kinds for n in tree[k] if isinstance(n, str)}):
        strings[text] = offset
        offset += 2 + 2 * len(text)
    # Each distinct piece of data once, in the order of its first leaf.
    blobs = {}
    for kind, name, language in leaves:
        blob = tree[kind][name][language]
        if blob not in blobs:
            offset = align(offset, DATA_ALIGNMENT)
            blobs[blob] = offset
            offset += len(blob)
    section = bytearray(align(offset, 4))

    def put_table(at, entries):
        # characteristics, time stamp, version: all 0; then the counts of named and numbered entries
        named = sum(1 for key, _ in entries if isinstance(key, str))
        struct.pack_into("<IIHHHH", section, at, 0, 0, 0, 0, named, len(entries) - named)
        for i, (key, target) in enumerate(entries):
            ident = 0x80000000 | strings[key] if isinstance(key, str) else key
            struct.pack_into("<II", section, at + 16 + 8 * i, ident, target)

    put_table(0, [(kind, 0x80000000 | name_tables[kind]) for kind in kinds])
    for kind in kinds:
        names = sorted(tree[kind], key=sort_key)
        put_table(name_tables[kind], [(name, 0x80000000 | language_tables[(kind, name)]) for name in names])
        for name in names:
            languages = sorted(tree[kind][name])
            put_table(language_tables[(kind, name)], [(lang, data_entries[(kind, name, lang)]) for lang in languages])
    for leaf, at in data_entries.items():
        blob = tree[leaf[0]][leaf[1]][leaf[2]]
        struct.pack_into("<IIII", section, at, blobs[blob], len(blob), 0, 0)
    for text, at in strings.items():
        encoded = text.encode("utf-16-le")
        struct.pack_into("<H", section, at, len(text))
        section[at + 2:at + 2 + len(encoded)] = encoded
    for blob, at in blobs.items():
        section[at:at + len(blob)] = blob
    return bytes(section), sorted(data_entries.values())


def coff_object(machine, section, relocated):
    """A COFF object of the one section, with its relocations and its section symbol."""
    kind, characteristics, relocation = MACHINES[machine]
    data_at = 20 + 40
    relocations_at = data_at + len(section)
    symbols_at = relocations_at + 10 * len(relocated)
    out = bytearray()
    out += struct.pack("<HHIIIHH", kind, 1, 0, symbols_at, 1, 0, characteristics)
    out += struct.pack("<8sIIIIIIHHI", b".rsrc", 0, 0, len(section), data_at, relocations_at, 0,
                       len(relocated), 0, SECTION_FLAGS)
    out += section
    for at in relocated:
        out += struct.pack("<IIH", at, 0, relocation)
    # The section's own symbol (static, section 1), then an empty string table.
    out += struct.pack("<8sIhHBB", b".rsrc", 0, 1, 0, 3, 0)
    out += struct.pack("<I", 4)
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("res")
    parser.add_argument("object")
    args = parser.parse_args()
    with open(args.res, "rb") as f:
        resources = read_res(f.read())
    section, relocated = build_section(resources)
    with open(args.object, "wb") as f:
        f.write(coff_object(args.machine, section, relocated))


if __name__ == "__main__":
    main()

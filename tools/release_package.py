#!/usr/bin/env python3
"""Packs the release zip: the 32-bit Tolvane.exe at the top, the 64-bit one as x64/Tolvane.exe,
each with the usage viewer TolvaneLog.exe of its build and the help file Tolvane.HLP beside it, readme.txt (the Japanese guide as plain text,
code page 932, CR LF) and LICENSE.txt. The same inputs always give the same bytes: fixed entry
order, fixed time stamps and attributes, and programs that carry no link time.

    tools/release_package.py --exe EXE [--exe64 EXE] [--viewer EXE [--viewer64 EXE]] --hlp Tolvane.HLP --guide README.ja.md --licence LICENSE --out ZIP
    tools/release_package.py --version res/Tolvane.rc      prints the version, e.g. 1.10
"""
import argparse
import os
import re
import struct
import sys
import time
import unicodedata
import zipfile

from winhelp import CP932_LOOKALIKES  # the help file's text is encoded the same way


DOS_EPOCH = (1980, 1, 1, 0, 0, 0)


class ReleaseError(Exception):
    pass


# --- version ---------------------------------------------------------------------------------

def version_from_rc(text):
    """The ProductVersion string of the VERSIONINFO resource."""
    block = re.search(r"^\s*\w+\s+VERSIONINFO\b(.*?)^END\b", text, re.S | re.M)
    if not block:
        raise ReleaseError("no VERSIONINFO resource")
    value = re.search(r'VALUE\s+"ProductVersion"\s*,\s*"([^"]+)"', block.group(1))
    if not value:
        raise ReleaseError("the VERSIONINFO resource has no ProductVersion")
    version = value.group(1).strip()
    if not re.fullmatch(r"[0-9]+(\.[0-9]+)*", version):
        raise ReleaseError(f"unexpected version {version!r}")
    return version


# --- the guide as plain text -------------------------------------------------------------------

def display_width(text):
    # Ambiguous characters (■, ◆) are full width in Japanese fonts.
    return sum(2 if unicodedata.east_asian_width(c) in "WFA" else 1 for c in text)


def plain_inline(text):
    text = re.sub(r"!\[[^\]]*\]\([^)]*\)", "", text)          # pictures have no place in text
    text = re.sub(r"\[([^\]]+)\]\(([^)]*)\)",
                  lambda m: f"{m.group(1)} ({m.group(2)})" if re.match(r"https?:", m.group(2)) else m.group(1),
                  text)
    text = re.sub(r"`([^`]*)`", r"\1", text)
    text = re.sub(r"\*\*(.+?)\*\*", r"\1", text)
    text = re.sub(r"(?<![\w*])\*([^*\s][^*]*)\*(?![\w*])", r"\1", text)
    text = re.sub(r"\\([\\`*_{}\[\]()#+\-.!|>~])", r"\1", text)
    return text.rstrip()


def markdown_to_text(markdown):
    """Readable plain text: headings marked, lists with bullets, no pictures, no mark-up."""
    markdown = re.sub(r"<!--.*?-->", "", markdown, flags=re.S)
    out = []

    def blank():
        if out and out[-1] != "":
            out.append("")

    in_code = False
    for number, line in enumerate(markdown.splitlines(), 1):
        if line.lstrip().startswith("```"):
            in_code = not in_code
            continue
        if in_code:
            out.append("    " + line.rstrip())
            continue
        stripped = line.strip()
        if not stripped:
            blank()
            continue
        if re.fullmatch(r"(!\[[^\]]*\]\([^)]*\)\s*)+", stripped):
            continue
        if stripped.startswith("|"):
            raise ReleaseError(f"line {number}: tables do not turn into plain text; use a list")
        heading = re.match(r"(#{1,6})\s+(.*?)\s*#*$", stripped)
        if heading:
            level, title = len(heading.group(1)), plain_inline(heading.group(2))
            blank()
            if level == 1:
                out += [title, "=" * display_width(title)]
            elif level == 2:
                out += ["■ " + title, "-" * (display_width(title) + 3)]
            else:
                out.append("◆ " + title)
            out.append("")
            continue
        indent = len(line) - len(line.lstrip(" "))
        bullet = re.match(r"[-*+]\s+(.*)", stripped)
        if bullet:
            out.append(" " * indent + "・" + plain_inline(bullet.group(1)))
            continue
        quote = re.match(r">\s?(.*)", stripped)
        if quote:
            out.append("  " + plain_inline(quote.group(1)))
            continue
        if re.fullmatch(r"(-{3,}|\*{3,}|_{3,})", stripped):
            blank()
            continue
        out.append(" " * indent + plain_inline(stripped))
    if in_code:
        raise ReleaseError("a code block is not closed")
    while out and out[0] == "":
        out.pop(0)
    while out and out[-1] == "":
        out.pop()
    return "".join(line + "\r\n" for line in out)


def to_cp932(text, what):
    text = text.translate(CP932_LOOKALIKES)
    try:
        return text.encode("cp932")
    except UnicodeEncodeError as e:
        line = text.count("\n", 0, e.start) + 1
        raise ReleaseError(f"{what} line {line}: {text[e.start:e.end]!r} has no code page 932 form")


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


# --- the program -------------------------------------------------------------------------------

MACHINE_I386, MACHINE_AMD64 = 0x14C, 0x8664


def pe_header(exe):
    """Offset of the PE signature, checked."""
    if len(exe) < 0x40 or exe[:2] != b"MZ":
        raise ReleaseError("the program is not an MZ executable")
    (offset,) = struct.unpack_from("<I", exe, 0x3C)
    if exe[offset:offset + 4] != b"PE\0\0":
        raise ReleaseError("the program has no PE header")
    return offset


def pe_timestamp(exe):
    """TimeDateStamp of the PE file header."""
    (stamp,) = struct.unpack_from("<I", exe, pe_header(exe) + 8)
    return stamp


def pe_machine(exe):
    """The Machine field: MACHINE_I386 or MACHINE_AMD64 for ours."""
    (machine,) = struct.unpack_from("<H", exe, pe_header(exe) + 4)
    return machine


def read_program(path, machine):
    with open(path, "rb") as f:
        exe = f.read()
    if pe_machine(exe) != machine:
        bits = 32 if machine == MACHINE_I386 else 64
        raise ReleaseError(f"{path} is not a {bits}-bit program")
    if pe_timestamp(exe) != 0:
        raise ReleaseError(f"{path} carries a link time; link it with --no-insert-timestamp")
    return exe


HELP_FILE_MAGIC = b"\x3f\x5f\x03\x00"


def read_help_file(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != HELP_FILE_MAGIC or len(data) < 16 or struct.unpack_from("<I", data, 12)[0] != len(data):
        raise ReleaseError(f"{path} is not a whole help file")
    return data


# --- the zip -----------------------------------------------------------------------------------

def date_time(epoch):
    """Zip entries' time: the given UTC seconds, or 1980-01-01 (the earliest a zip can hold)."""
    if epoch is None:
        return DOS_EPOCH
    t = time.gmtime(max(int(epoch), 315532800))
    return (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec - t.tm_sec % 2)


def write_zip(path, files, stamp):
    """files: name -> bytes. Written in name order, with the same time and attributes for all."""
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 0          # MS-DOS attributes, as Windows' own zips have
            info.external_attr = 0x20       # archive bit
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, files[name], compresslevel=9)
    os.replace(tmp, path)


def package(exe_path, guide_path, licence_path, out_path, epoch=None, exe64_path=None, help_path=None,
            viewer_path=None, viewer64_path=None):
    """The zip; the help file, when given, stands beside each Tolvane.exe (each opens the help file
    of its own path, the viewer the one beside it), and so does the viewer of the same build."""
    files = {"Tolvane.exe": read_program(exe_path, MACHINE_I386)}
    if exe64_path:
        files["x64/Tolvane.exe"] = read_program(exe64_path, MACHINE_AMD64)
    if viewer64_path and not (exe64_path and viewer_path):
        raise ReleaseError("the 64-bit viewer goes beside the 64-bit Tolvane.exe, with the 32-bit pair")
    if viewer_path:
        files["TolvaneLog.exe"] = read_program(viewer_path, MACHINE_I386)
    if viewer64_path:
        files["x64/TolvaneLog.exe"] = read_program(viewer64_path, MACHINE_AMD64)
    if help_path:
        help_file = read_help_file(help_path)
        for exe in [n for n in files if n.endswith("Tolvane.exe")]:
            files[exe[:-len("exe")] + "HLP"] = help_file
    with open(guide_path, encoding="utf-8") as f:
        readme = to_cp932(markdown_to_text(f.read()), os.path.basename(guide_path))
    with open(licence_path, encoding="utf-8") as f:
        licence = to_cp932(crlf(f.read()), os.path.basename(licence_path))
    os.makedirs(os.path.dirname(os.path.abspath(out_path)), exist_ok=True)
    files.update({"readme.txt": readme, "LICENSE.txt": licence})
    write_zip(out_path, files, date_time(epoch))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", metavar="RC", help="print the version of this resource script")
    parser.add_argument("--exe")
    parser.add_argument("--exe64")
    parser.add_argument("--viewer", help="the 32-bit TolvaneLog.exe")
    parser.add_argument("--viewer64", help="the 64-bit TolvaneLog.exe")
    parser.add_argument("--hlp", help="the help file to put beside each program")
    parser.add_argument("--guide")
    parser.add_argument("--licence")
    parser.add_argument("--out")
    args = parser.parse_args(argv)
    try:
        if args.version:
            with open(args.version, encoding="utf-8") as f:
                print(version_from_rc(f.read()))
            return 0
        if not (args.exe and args.hlp and args.guide and args.licence and args.out):
            parser.error("--exe, --hlp, --guide, --licence and --out are needed")
        epoch = os.environ.get("SOURCE_DATE_EPOCH")
        package(args.exe, args.guide, args.licence, args.out, int(epoch) if epoch else None, args.exe64,
                args.hlp, args.viewer, args.viewer64)
    except (ReleaseError, OSError) as e:
        print(f"release_package: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

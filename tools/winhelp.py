#!/usr/bin/env python3
"""Writes help files of the Windows help engine (.HLP, the WinHelp 4 flavour of the format):
topics of paragraphs in one or more fonts, jumps between them, named contexts, the numeric
contexts a program passes to WinHelp, the titles, and one main window with its caption.

What goes into the file and why:
- the internal file system: a 16-byte header, then each internal file behind a 9-byte header,
  and a directory of them as a B+ tree keyed by name;
- |SYSTEM: the title, the copyright, the contents topic, the main window, the locale and the
  character set (so the viewer takes the text in the right code page);
- |FONT: face names and the descriptors the text's font commands refer to;
- |TOPIC: the text, uncompressed, in 4 KiB blocks: per topic a header record with its title,
  then one record per paragraph;
- |CONTEXT: B+ tree from the hash of each context string to its topic offset;
- |CTXOMAP: numeric context -> topic offset, for WinHelp(HELP_CONTEXT, number);
- |TTLBTREE: B+ tree from topic offset to topic title.

No time stamp is written: the same document gives the same bytes.
"""
import struct

# Python's cp932 keeps the JIS mapping for these; Windows' code page 932 has the others.
CP932_LOOKALIKES = str.maketrans({
    "\u301c": "\uff5e",  # wave dash -> full-width tilde
    "\u2016": "\u2225",  # double vertical line -> parallel to
    "\u2212": "\uff0d",  # minus sign -> full-width hyphen-minus
    "\u2014": "\u2015",  # em dash -> horizontal bar
    "\u00a2": "\uffe0",
    "\u00a3": "\uffe1",
    "\u00ac": "\uffe2",
})

FILE_MAGIC = 0x00035F3F
SYSTEM_MAGIC = 0x036C
SYSTEM_MINOR = 33            # the help engine of Windows 95 and later
BTREE_MAGIC = 0x293B
TOPIC_BLOCK = 0x1000         # uncompressed topic blocks of 4 KiB ...
BLOCK_HEADER = 12            # ... each behind a header of three topic positions
BLOCK_DATA = TOPIC_BLOCK - BLOCK_HEADER
TOPIC_POS_BLOCK = 0x4000     # a topic position counts blocks in units of 16 KiB
TOPIC_OFFSET_BLOCK = 0x8000  # a topic offset counts blocks in units of 32 Ki characters
NONE = 0xFFFFFFFF

RECORD_TOPIC_HEADER = 0x02
RECORD_TEXT = 0x20
LINK_HEADER = 21             # the fixed part of every record in |TOPIC

# Commands between the text strings of a paragraph.
CMD_FONT = 0x80
CMD_LINE_BREAK = 0x81
CMD_PARAGRAPH_END = 0x82
CMD_JUMP = 0xE3              # jump to a topic by context hash, shown underlined
CMD_HOTSPOT_END = 0x89
CMD_END = 0xFF

# Paragraph attribute bits and their order in the record.
PARA_SPACE_BEFORE = 0x0002
PARA_SPACE_AFTER = 0x0004
PARA_LEFT_INDENT = 0x0010
PARA_FIRST_INDENT = 0x0040

CHARSETS = {"cp932": 128}    # the Windows character set of each code page we write
LCIDS = {"cp932": 0x0411}
FONT_FAMILIES = {"modern": 1, "roman": 2, "swiss": 3, "script": 4, "decorative": 5}
FACE_FIELD = 32              # bytes per face name in |FONT
CAPTION_FIELD = 51           # bytes for the caption of a window, with its NUL
CONTEXT_CHARS = set("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._")


class HelpError(Exception):
    pass


# --- The document ------------------------------------------------------------------------------

class Font:
    def __init__(self, face, half_points, bold=False, italic=False, color=(0, 0, 0), family="swiss"):
        self.face, self.half_points, self.bold, self.italic = face, half_points, bold, italic
        self.color, self.family = color, family


class Paragraph:
    """Runs of text in one font each, jumps, and line breaks, with spacing and indents in half
    points (a negative first-line indent hangs a bullet)."""

    def __init__(self, font=0, space_before=0, space_after=0, left_indent=0, first_indent=0, context=None):
        self.font = font
        self.space_before, self.space_after = space_before, space_after
        self.left_indent, self.first_indent = left_indent, first_indent
        self.context = context   # a context string that points at this paragraph
        self.items = []

    def text(self, text, font=None):
        self.items.append(("text", text, font))
        return self

    def jump(self, text, context, font=None):
        self.items.append(("jump", text, context, font))
        return self

    def line_break(self):
        self.items.append(("break",))
        return self


class Topic:
    def __init__(self, title, context=None):
        self.title = title
        self.context = context
        self.paragraphs = []

    def paragraph(self, **options):
        p = Paragraph(**options)
        self.paragraphs.append(p)
        return p


class HelpFile:
    def __init__(self, title, encoding="cp932", copyright=""):
        self.title, self.encoding, self.copyright = title, encoding, copyright
        self.caption = title        # of the main window
        self.fonts = []
        self.topics = []
        self.contents = None        # context string of the contents topic; else the first topic
        self.maps = {}              # numeric context -> context string

    def font(self, *args, **kw):
        self.fonts.append(Font(*args, **kw))
        return len(self.fonts) - 1

    def topic(self, title, context=None):
        t = Topic(title, context)
        self.topics.append(t)
        return t


# --- Small encodings ---------------------------------------------------------------------------

def context_hash(name):
    """The help engine's hash of a context string (case-insensitive), as a signed 32-bit value."""
    value = 0
    for c in name:
        if "A" <= c <= "Z" or "a" <= c <= "z":
            digit = ord(c.upper()) - ord("A") + 17
        elif "1" <= c <= "9":
            digit = ord(c) - ord("0")
        elif c == "0":
            digit = 10
        elif c == ".":
            digit = 12
        elif c == "_":
            digit = 13
        else:
            raise HelpError(f"context string {name!r}: {c!r} is not a letter, digit, '.' or '_'")
        value = (value * 43 + digit) & 0xFFFFFFFF
    return value - (1 << 32) if value & 0x80000000 else value


def compressed_ushort(value):
    """One byte for values below 128, two below 32768 (the low bit tells which)."""
    if 0 <= value < 0x80:
        return bytes([value * 2])
    if value < 0x8000:
        return struct.pack("<H", value * 2 + 1)
    raise HelpError(f"a paragraph of {value} characters is too long (at most 32767)")


def compressed_short(value):
    """Signed: one byte for -64..63; two bytes for 0..16383 (the readers round negatives there)."""
    if -0x40 <= value < 0x40:
        return bytes([0x80 + value * 2])
    if 0 <= value < 0x4000:
        return struct.pack("<H", 0x8000 + value * 2 + 1)
    raise HelpError(f"a spacing or indent of {value} half points is out of range (-64..16383)")


def compressed_long(value):
    if 0 <= value < 0x4000:
        return struct.pack("<H", 0x8000 + value * 2)
    if value < 0x40000000:
        return struct.pack("<I", 0x80000000 + value * 2 + 1)
    raise HelpError(f"a size of {value} bytes is out of range")


def zstring(data):
    return data + b"\0"


# --- B+ trees ----------------------------------------------------------------------------------

def btree(entries, page_size, structure, directory=False):
    """A B+ tree over `entries`, a sorted list of (index key bytes, leaf entry bytes): the leaf
    pages in order, then the index levels above them, the root last."""
    leaf_room, index_room = page_size - 8, page_size - 6
    pages, leaves, current, used = [], [], [], 0
    for key, entry in entries:
        if len(entry) > leaf_room or len(key) + 2 > index_room // 2:
            raise HelpError(f"a {structure} entry of {len(entry)} bytes does not fit a page")
        if current and used + len(entry) > leaf_room:
            leaves.append(current)
            current, used = [], 0
        current.append((key, entry))
        used += len(entry)
    leaves.append(current)
    for number, leaf in enumerate(leaves):
        body = b"".join(entry for _, entry in leaf)
        previous = number - 1 if number else 0xFFFF
        following = number + 1 if number + 1 < len(leaves) else 0xFFFF
        header = struct.pack("<HhHH", leaf_room - len(body), len(leaf), previous, following)
        pages.append((header + body).ljust(page_size, b"\0"))
    # Each child is (its smallest key, its page); an index page names its first child in its
    # header and every other one by that child's smallest key.
    level = [(leaf[0][0] if leaf else b"", n) for n, leaf in enumerate(leaves)]
    levels = 1
    while len(level) > 1:
        parents, group, used = [], [level[0]], 0
        for child in level[1:]:
            size = len(child[0]) + 2
            if used + size > index_room:
                parents.append(group)
                group, used = [], 0
                # The first child of a page goes in its header: no key bytes.
                group.append(child)
                continue
            group.append(child)
            used += size
        parents.append(group)
        level = []
        for group in parents:
            body = b"".join(key + struct.pack("<H", page) for key, page in group[1:])
            header = struct.pack("<HhH", index_room - len(body), len(group) - 1, group[0][1])
            level.append((group[0][0], len(pages)))
            pages.append((header + body).ljust(page_size, b"\0"))
        levels += 1
    flags = 0x0402 if directory else 0x0002
    header = struct.pack("<HHH16shhhhhhi", BTREE_MAGIC, flags, page_size, structure.encode("ascii"),
                         0, 0, level[0][1], -1, len(pages), levels, len(entries))
    return header + b"".join(pages)


# --- The writer --------------------------------------------------------------------------------

class _Writer:
    def __init__(self, doc):
        self.doc = doc
        if doc.encoding not in CHARSETS:
            raise HelpError(f"no character set known for {doc.encoding}")
        self.contexts = {}   # context string -> (hash, topic index, paragraph index or None)
        self.hashes = {}

    def encode(self, text, what):
        if "\0" in text:
            raise HelpError(f"{what}: a NUL character cannot be written")
        try:
            return text.translate(CP932_LOOKALIKES).encode(self.doc.encoding)
        except UnicodeEncodeError as e:
            raise HelpError(f"{what}: {text[e.start:e.end]!r} has no {self.doc.encoding} form") from None

    def add_context(self, name, where):
        if not name or len(name) > 255:
            raise HelpError(f"context string {name!r}: 1 to 255 characters")
        value = context_hash(name)
        key = name.upper()
        if key in self.contexts:
            raise HelpError(f"context string {name!r} is used twice")
        if value in self.hashes:
            raise HelpError(f"context strings {self.hashes[value]!r} and {name!r} have the same hash")
        self.contexts[key] = (value, *where)
        self.hashes[value] = name

    def check(self):
        doc = self.doc
        if not doc.topics:
            raise HelpError("a help file needs at least one topic")
        if not doc.fonts:
            raise HelpError("a help file needs at least one font")
        if not 0 < len(self.encode(doc.title, "the title")) < 128:
            raise HelpError("the title must be 1 to 127 bytes")
        if len(self.encode(doc.caption, "the caption")) >= CAPTION_FIELD:
            raise HelpError(f"the caption must be at most {CAPTION_FIELD - 1} bytes")
        for n, font in enumerate(doc.fonts):
            face = self.encode(font.face, f"font {n}")
            if not face or len(face) >= FACE_FIELD:
                raise HelpError(f"font {n}: the face name must be 1 to {FACE_FIELD - 1} bytes")
            if not 1 <= font.half_points <= 255:
                raise HelpError(f"font {n}: size {font.half_points} half points is out of range (1..255)")
            if font.family not in FONT_FAMILIES:
                raise HelpError(f"font {n}: unknown family {font.family!r}")
        for t, topic in enumerate(doc.topics):
            if not 0 < len(self.encode(topic.title, f"topic {t}'s title")) < 256:
                raise HelpError(f"topic {t}: the title must be 1 to 255 bytes")
            if topic.context:
                self.add_context(topic.context, (t, None))
            for p, para in enumerate(topic.paragraphs):
                if para.context:
                    self.add_context(para.context, (t, p))
        for t, topic in enumerate(doc.topics):
            for para in topic.paragraphs:
                for item in para.items:
                    font = item[-1] if item[0] in ("text", "jump") else None
                    if font is not None and not 0 <= font < len(doc.fonts):
                        raise HelpError(f"topic {topic.title!r}: there is no font {font}")
                    if item[0] == "jump" and item[2].upper() not in self.contexts:
                        raise HelpError(f"topic {topic.title!r}: a jump to unknown context {item[2]!r}")
                if not 0 <= para.font < len(doc.fonts):
                    raise HelpError(f"topic {topic.title!r}: there is no font {para.font}")
        if doc.contents is not None and doc.contents.upper() not in self.contexts:
            raise HelpError(f"the contents topic {doc.contents!r} is not a known context")
        for number, name in doc.maps.items():
            if not 0 <= number <= 0xFFFFFFFF:
                raise HelpError(f"map number {number} is not a 32-bit value")
            if name.upper() not in self.contexts:
                raise HelpError(f"map number {number:#x} names unknown context {name!r}")

    # -- |TOPIC

    def paragraph_record(self, topic, para):
        """LinkData1 (the paragraph's layout and commands), LinkData2 (its strings), and how
        many characters it shows."""
        # Each string is followed by one command: string, command, string, command ... END.
        strings, commands, chars = [b""], [], 0
        current = para.font

        def command(data):
            commands.append(data)
            strings.append(b"")

        command(bytes([CMD_FONT]) + struct.pack("<H", para.font))

        def set_font(font):
            nonlocal current
            if font is not None and font != current:
                command(bytes([CMD_FONT]) + struct.pack("<H", font))
                current = font

        for item in para.items:
            kind = item[0]
            if kind == "text":
                set_font(item[2])
                text = self.encode(item[1], f"topic {topic.title!r}")
                strings[-1] += text
                chars += len(text)
            elif kind == "jump":
                set_font(item[3])
                text = self.encode(item[1], f"topic {topic.title!r}")
                if not text:
                    raise HelpError(f"topic {topic.title!r}: a jump needs a text to click")
                command(bytes([CMD_JUMP]) + struct.pack("<i", self.contexts[item[2].upper()][0]))
                strings[-1] += text
                command(bytes([CMD_HOTSPOT_END]))
                chars += len(text)
            else:
                command(bytes([CMD_LINE_BREAK]))
                chars += 1
        command(bytes([CMD_PARAGRAPH_END]))
        chars += 1
        commands.append(bytes([CMD_END]))
        data2 = b"".join(zstring(s) for s in strings)

        bits, values = 0, b""
        for bit, value in ((PARA_SPACE_BEFORE, para.space_before), (PARA_SPACE_AFTER, para.space_after),
                           (PARA_LEFT_INDENT, para.left_indent), (PARA_FIRST_INDENT, para.first_indent)):
            if value:
                bits |= bit
                values += compressed_short(value)
        layout = (compressed_long(len(data2)) + compressed_ushort(chars)
                  + bytes([0, 0x80, 0, 0]) + struct.pack("<H", bits) + values)
        return layout + b"".join(commands), data2, chars

    def topic_stream(self):
        """Lays out the records one after the other in the blocks' data areas and returns the
        |TOPIC file, each topic's offset, and each paragraph's offset."""
        doc = self.doc
        records = []   # [type, data1, data2, chars, topic index, paragraph index]
        for t, topic in enumerate(doc.topics):
            title = zstring(self.encode(topic.title, "a topic title"))
            records.append([RECORD_TOPIC_HEADER, None, title, 0, t, None])
            for p, para in enumerate(topic.paragraphs):
                data1, data2, chars = self.paragraph_record(topic, para)
                records.append([RECORD_TEXT, data1, data2, chars, t, p])

        header_size = 28   # the topic header's LinkData1
        # Positions: a record's place in the stream of block data areas.
        places, at = [], 0
        for r in records:
            places.append(at)
            at += LINK_HEADER + (header_size if r[0] == RECORD_TOPIC_HEADER else len(r[1])) + len(r[2])
        end = at

        def topic_pos(place):
            return (place // BLOCK_DATA) * TOPIC_POS_BLOCK + BLOCK_HEADER + place % BLOCK_DATA

        # Topic offsets: block number and the characters shown by the records that began in
        # that block before this one.
        offsets, block, count = [], -1, 0
        for r, place in zip(records, places):
            if place // BLOCK_DATA != block:
                block, count = place // BLOCK_DATA, 0
            offsets.append(block * TOPIC_OFFSET_BLOCK + count)
            count += r[3]
        topic_offsets = {r[4]: o for r, o in zip(records, offsets) if r[0] == RECORD_TOPIC_HEADER}
        para_offsets = {(r[4], r[5]): o for r, o in zip(records, offsets) if r[0] == RECORD_TEXT}
        if max(offsets) >= 1 << 31:
            raise HelpError("the text is too long for one help file")

        heads = [i for i, r in enumerate(records) if r[0] == RECORD_TOPIC_HEADER]
        stream = bytearray()
        for i, (r, place) in enumerate(zip(records, places)):
            previous = topic_pos(places[i - 1]) if i else NONE
            following = topic_pos(places[i + 1]) if i + 1 < len(records) else NONE
            if r[0] == RECORD_TOPIC_HEADER:
                t = r[4]
                k = heads.index(i)
                topic_end = places[heads[k + 1]] if k + 1 < len(heads) else end
                data1 = struct.pack("<IIIIIII", topic_end - place,
                                    topic_offsets[t - 1] if t else NONE,
                                    topic_offsets[t + 1] if t + 1 < len(doc.topics) else NONE,
                                    t, NONE,
                                    topic_pos(places[i + 1]) if i + 1 < len(records) and records[i + 1][0] == RECORD_TEXT
                                    else NONE,
                                    topic_pos(places[heads[k + 1]]) if k + 1 < len(heads) else NONE)
            else:
                data1 = r[1]
            size = LINK_HEADER + len(data1) + len(r[2])
            stream += struct.pack("<IIIIIB", size, len(r[2]), previous, following, LINK_HEADER + len(data1), r[0])
            stream += data1 + r[2]

        # Cut the stream into blocks, each with the positions of the records around its start.
        blocks = bytearray()
        count = max(1, -(-len(stream) // BLOCK_DATA))
        for b in range(count):
            start = b * BLOCK_DATA
            before = [p for p in places if p < start]
            inside = [p for p in places if start <= p < start + BLOCK_DATA]
            heads_before = [places[i] for i in heads if places[i] < start]
            blocks += struct.pack("<III", topic_pos(before[-1]) if before else NONE,
                                  topic_pos(inside[0]) if inside else NONE,
                                  topic_pos(heads_before[-1]) if heads_before else NONE)
            # Every block is whole: readers copy a full data area.
            blocks += bytes(stream[start:start + BLOCK_DATA]).ljust(BLOCK_DATA, b"\0")
        return bytes(blocks), topic_offsets, para_offsets

    # -- The other internal files

    def system_file(self, contents_offset):
        doc = self.doc

        def record(kind, data):
            return struct.pack("<HH", kind, len(data)) + data

        window = bytearray(90)
        struct.pack_into("<H", window, 0, 0x0002 | 0x0004)        # name and caption given
        window[12:12 + 5] = b"main\0"
        caption = self.encode(doc.caption, "the caption")
        window[21:21 + len(caption)] = caption
        data = struct.pack("<HHHIH", SYSTEM_MAGIC, SYSTEM_MINOR, 1, 0, 0)   # no date, no compression
        data += record(1, zstring(self.encode(doc.title, "the title")))
        data += record(2, zstring(self.encode(doc.copyright, "the copyright")))
        data += record(3, struct.pack("<I", contents_offset))
        data += record(6, bytes(window))
        data += record(9, bytes(8) + struct.pack("<H", LCIDS[doc.encoding]))
        data += record(11, bytes([CHARSETS[doc.encoding]]))
        return data

    def font_file(self):
        faces = []
        for font in self.doc.fonts:
            face = self.encode(font.face, "a face name")
            if face not in faces:
                faces.append(face)
        names = b"".join(face.ljust(FACE_FIELD, b"\0") for face in faces)
        descriptors = b""
        for font in self.doc.fonts:
            flags = (1 if font.bold else 0) | (2 if font.italic else 0)
            descriptors += struct.pack("<BBBH3B3B", flags, font.half_points, FONT_FAMILIES[font.family],
                                       faces.index(self.encode(font.face, "")), *font.color, 255, 255, 255)
        header = struct.pack("<HHHH", len(faces), len(self.doc.fonts), 8, 8 + len(names))
        return header + names + descriptors

    def build(self):
        self.check()
        doc = self.doc
        topic, topic_offsets, para_offsets = self.topic_stream()

        def offset_of(name):
            _, t, p = self.contexts[name.upper()]
            return topic_offsets[t] if p is None else para_offsets[(t, p)]

        contents = offset_of(doc.contents) if doc.contents else topic_offsets[0]
        context_entries = sorted((v, offset_of(self.hashes[v])) for v, _, _ in self.contexts.values())
        context = btree([(struct.pack("<i", v), struct.pack("<iI", v, o)) for v, o in context_entries],
                        0x800, "L4")
        titles = sorted((topic_offsets[t], self.encode(tp.title, "")) for t, tp in enumerate(doc.topics))
        ttl = btree([(struct.pack("<I", o), struct.pack("<I", o) + zstring(title)) for o, title in titles],
                    0x800, "Lz")
        maps = sorted((number, offset_of(name)) for number, name in doc.maps.items())
        ctxomap = struct.pack("<H", len(maps)) + b"".join(struct.pack("<II", n, o) for n, o in maps)
        if len(maps) > 0xFFFF:
            raise HelpError("too many numeric contexts")

        files = {"|CONTEXT": context, "|CTXOMAP": ctxomap, "|FONT": self.font_file(),
                 "|SYSTEM": self.system_file(contents), "|TOPIC": topic, "|TTLBTREE": ttl}
        return pack_files(files)


def pack_files(files):
    """The internal file system: header, the files in name order, then their directory."""
    body, places = b"", {}
    at = 16
    for name in sorted(files, key=lambda n: n.encode("ascii")):
        places[name] = at
        data = files[name]
        chunk = struct.pack("<IIB", len(data) + 9, len(data), 4) + data
        body += chunk
        at += len(chunk)
    entries = [(zstring(n.encode("ascii")), zstring(n.encode("ascii")) + struct.pack("<I", places[n]))
               for n in sorted(files, key=lambda n: n.encode("ascii"))]
    directory = btree(entries, 0x400, "z4", directory=True)
    directory = struct.pack("<IIB", len(directory) + 9, len(directory), 4) + directory
    total = at + len(directory)
    return struct.pack("<IiiI", FILE_MAGIC, at, -1, total) + body + directory


def build(doc):
    """The bytes of the help file `doc` (a HelpFile); HelpError when it cannot be written."""
    return _Writer(doc).build()

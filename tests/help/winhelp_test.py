#!/usr/bin/env python3
"""Tests of the help file writer (tools/winhelp.py) and of Tolvane.HLP made from the guide
(tools/make_help.py). The files are read back by a small reader of our own, written from the
layout the help engine reads: header, directory B+ tree, the internal files, the topic records."""
import contextlib
import io
import os
import random
import re
import struct
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import make_help  # noqa: E402
import winhelp  # noqa: E402
from winhelp import HelpError  # noqa: E402


# --- The reader --------------------------------------------------------------------------------

def u16(data, at):
    return struct.unpack_from("<H", data, at)[0]


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def tree_header(tree):
    magic, flags, page_size, structure, _, _, root, neg_one, pages, levels, entries = \
        struct.unpack_from("<HHH16shhhhhhi", tree, 0)
    assert magic == 0x293B and neg_one == -1
    return dict(flags=flags, page_size=page_size, structure=structure.rstrip(b"\0").decode(), root=root,
                pages=pages, levels=levels, entries=entries)


def tree_page(tree, number):
    h = tree_header(tree)
    assert 0 <= number < h["pages"], number
    return tree[38 + number * h["page_size"]:38 + (number + 1) * h["page_size"]]


def tree_search(tree, key, read_key, read_leaf, index_key_size):
    """Walks from the root down as the help engine does: in an index page, the last entry whose
    key is not above `key` (else the first child); in the leaf, the entry with that key."""
    h = tree_header(tree)
    page = h["root"]
    for _ in range(h["levels"] - 1):
        data = tree_page(tree, page)
        count, child, at = struct.unpack_from("<h", data, 2)[0], u16(data, 4), 6
        for _ in range(count):
            k, size = read_key(data, at)
            if k > key:
                break
            child = u16(data, at + size)
            at += size + index_key_size
        page = child
    data = tree_page(tree, page)
    at = 8
    for _ in range(struct.unpack_from("<h", data, 2)[0]):
        k, value, size = read_leaf(data, at)
        if k == key:
            return value
        at += size
    return None


def tree_entries(tree, read_leaf):
    """Every leaf entry in order, through the chain of leaves from the leftmost."""
    h = tree_header(tree)
    page = h["root"]
    for _ in range(h["levels"] - 1):
        page = u16(tree_page(tree, page), 4)
    found, previous = [], 0xFFFF
    while page != 0xFFFF:
        data = tree_page(tree, page)
        unused, count, back, following = struct.unpack_from("<HhHH", data, 0)
        assert back == previous, (back, previous)
        at = 8
        for _ in range(count):
            k, value, size = read_leaf(data, at)
            found.append((k, value))
            at += size
        assert unused == h["page_size"] - at, "free bytes of a leaf"
        previous, page = page, following
    assert len(found) == h["entries"]
    return found


def read_name_leaf(data, at):
    end = data.index(b"\0", at)
    return data[at:end], u32(data, end + 1), end + 5 - at


def read_name_key(data, at):
    end = data.index(b"\0", at)
    return data[at:end], end + 1 - at


def read_hash_leaf(data, at):
    return struct.unpack_from("<i", data, at)[0], u32(data, at + 4), 8


def read_hash_key(data, at):
    return struct.unpack_from("<i", data, at)[0], 4


def read_title_leaf(data, at):
    end = data.index(b"\0", at + 4)
    return u32(data, at), data[at + 4:end], end + 1 - at


def read_offset_key(data, at):
    return u32(data, at), 4


def internal_file(data, offset):
    reserved, used, _ = struct.unpack_from("<IIB", data, offset)
    assert reserved == used + 9
    return data[offset + 9:offset + 9 + used]


def read_files(data):
    magic, directory, free, total = struct.unpack_from("<IiiI", data, 0)
    assert magic == 0x00035F3F and free == -1 and total == len(data)
    tree = internal_file(data, directory)
    names = tree_entries(tree, read_name_leaf)
    assert [n for n, _ in names] == sorted(n for n, _ in names), "directory in byte order"
    files = {}
    for name, offset in names:
        assert tree_search(tree, name, read_name_key, read_name_leaf, 2) == offset
        files[name.decode()] = internal_file(data, offset)
    return tree, files


def compressed_long(data, at):
    """(value, next position): two bytes when the low bit is clear, else four."""
    if data[at] & 1:
        return (u32(data, at) - 0x80000000) // 2, at + 4
    return (u16(data, at) - 0x8000) // 2, at + 2


def compressed_ushort(data, at):
    """(value, next position): one byte when the low bit is clear, else two."""
    if data[at] & 1:
        return u16(data, at) // 2, at + 2
    return data[at] // 2, at + 1


def read_topics(topic_file):
    """The records in the order of their links: (type, title or text, commands, topic offset),
    with topic offsets counted as the help engine counts them."""
    blocks = [topic_file[i:i + 0x1000] for i in range(0, len(topic_file), 0x1000)]
    assert all(len(b) == 0x1000 for b in blocks), "whole blocks"
    stream = b"".join(b[12:] for b in blocks)
    records, pos, previous, block, count = [], 0x0C, 0xFFFFFFFF, -1, 0
    while pos != 0xFFFFFFFF:
        index, offset = (pos - 12) >> 14, (pos - 12) & 0x3FFF
        assert offset < 0x1000 - 12
        at = index * (0x1000 - 12) + offset
        size, data2_len, back, following, data1_len, kind = struct.unpack_from("<IIIIIB", stream, at)
        assert back == previous
        data1 = stream[at + 21:at + data1_len]
        data2 = stream[at + data1_len:at + size]
        assert len(data2) == data2_len
        if index != block:
            block, count = index, 0
        topic_offset = block * 0x8000 + count
        if kind == 0x02:
            records.append(dict(kind="topic", title=data2.rstrip(b"\0"), offset=topic_offset, pos=pos,
                                header=struct.unpack("<IIIIIII", data1)))
        else:
            assert kind == 0x20
            text_size, p = compressed_long(data1, 0)
            chars, p = compressed_ushort(data1, p)
            assert text_size == len(data2)
            p += 4
            bits = u16(data1, p)
            p += 2
            values = []
            for bit in (0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040):
                if bits & bit:
                    if data1[p] & 1:
                        values.append((u16(data1, p) - 0x8000) // 2)
                        p += 2
                    else:
                        values.append((data1[p] - 0x80) // 2)
                        p += 1
            strings = data2.split(b"\0")[:-1]
            commands, text, shown = [], b"", 0
            for s in strings:
                text += s
                shown += len(s)
                c = data1[p]
                if c == 0xFF:
                    break
                if c == 0x80:
                    commands.append(("font", u16(data1, p + 1)))
                    p += 3
                elif c == 0xE3:
                    commands.append(("jump", struct.unpack_from("<i", data1, p + 1)[0]))
                    p += 5
                else:
                    commands.append(({0x81: "break", 0x82: "end", 0x89: "hotspot-end"}[c],))
                    if c in (0x81, 0x82):
                        shown += 1
                    p += 1
            assert data1[p] == 0xFF and p + 1 == len(data1)
            assert chars == shown, "the characters a paragraph shows"
            records.append(dict(kind="text", text=text, commands=commands, offset=topic_offset, pos=pos,
                                values=values))
            count += chars
        previous, pos = pos, following
    return records, blocks


# --- Documents ---------------------------------------------------------------------------------

def small_document():
    doc = winhelp.HelpFile("Tolvane ﾍﾙﾌﾟ")
    doc.font("ＭＳ Ｐゴシック", 20)
    doc.font("ＭＳ Ｐゴシック", 28, bold=True)
    contents = doc.topic("目次", "CONTENTS")
    contents.paragraph(font=1).text("目次")
    contents.paragraph().text("・").jump("ウィンドウ", "IDH_MONITOR")
    contents.paragraph().text("・").jump("設定", "IDH_SETTINGS")
    monitor = doc.topic("ウィンドウの見かた", "IDH_MONITOR")
    monitor.paragraph(font=1).text("ウィンドウの見かた")
    monitor.paragraph(space_before=6).text("「接続時間」と「月度累計」").line_break().text("２行目")
    monitor.paragraph(font=0, context="IDH_WARNING").text("警報", font=1)
    settings = doc.topic("設定", "IDH_SETTINGS")
    settings.paragraph(font=1).text("設定")
    settings.paragraph(left_indent=20, first_indent=-20).text("・「警報間隔」（→").jump("警報", "IDH_WARNING").text("）")
    doc.contents = "CONTENTS"
    doc.maps = {0x20066: "IDH_MONITOR", 0x20089: "IDH_SETTINGS"}
    return doc


def large_document(topics=120, paragraphs=12):
    """Enough text for many blocks, with records across block boundaries and trees of
    several pages."""
    doc = winhelp.HelpFile("大きな文書")
    doc.font("ＭＳ Ｐゴシック", 20)
    rng = random.Random(7)
    for t in range(topics):
        topic = doc.topic(f"トピック {t} " + "長い題名" * rng.randrange(1, 28), f"T{t}")
        for p in range(paragraphs):
            topic.paragraph(context=f"T{t}_P{p}").text("本文" * rng.randrange(1, 120) + f" {t}.{p}")
    doc.maps = {0x1000 + t: f"T{t}" for t in range(topics)}
    return doc


def independent_hash(name):
    """The context hash computed independently: digits of a base-43 number, kept to 32 bits."""
    table = {c: i + 17 for i, c in enumerate("ABCDEFGHIJKLMNOPQRSTUVWXYZ")}
    table.update({str(d): d for d in range(1, 10)})
    table.update({"0": 10, ".": 12, "_": 13})
    value = sum(table[c] * 43 ** k for k, c in enumerate(reversed(name.upper()))) % 2 ** 32
    return value - 2 ** 32 if value >= 2 ** 31 else value


# --- Tests of the writer -----------------------------------------------------------------------

class HashTest(unittest.TestCase):
    def test_context_hashes(self):
        for name, expected in [("A", 17), ("a", 17), ("1", 1), ("9", 9), ("0", 10), (".", 12), ("_", 13),
                               ("AB", 17 * 43 + 18), ("IDH_MONITOR", independent_hash("IDH_MONITOR")),
                               ("ZZZZZZZZZ", independent_hash("ZZZZZZZZZ"))]:
            with self.subTest(name=name):
                self.assertEqual(winhelp.context_hash(name), expected)
        self.assertLess(winhelp.context_hash("ZZZZZZZZZ"), 0, "32-bit and signed")

    def test_characters_outside_the_hash_are_refused(self):
        for name in ("a-b", "設定", "a b", "x!"):
            with self.subTest(name=name), self.assertRaises(HelpError):
                winhelp.context_hash(name)


class StructureTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.data = winhelp.build(small_document())
        cls.directory, cls.files = read_files(cls.data)
        cls.records, cls.blocks = read_topics(cls.files["|TOPIC"])
        cls.topics = [r for r in cls.records if r["kind"] == "topic"]

    def offset_of_context(self, name):
        return tree_search(self.files["|CONTEXT"], winhelp.context_hash(name), read_hash_key, read_hash_leaf, 2)

    def title_at(self, offset):
        """The title of the topic that holds `offset`, from |TTLBTREE."""
        titles = tree_entries(self.files["|TTLBTREE"], read_title_leaf)
        return max((o, t) for o, t in titles if o <= offset)[1].decode("cp932")

    def test_the_internal_files_and_their_directory(self):
        self.assertEqual(sorted(self.files), ["|CONTEXT", "|CTXOMAP", "|FONT", "|SYSTEM", "|TOPIC", "|TTLBTREE"])
        h = tree_header(self.directory)
        self.assertEqual((h["page_size"], h["structure"], h["flags"]), (0x400, "z4", 0x0402))
        self.assertEqual((tree_header(self.files["|CONTEXT"])["structure"],
                          tree_header(self.files["|TTLBTREE"])["structure"]), ("L4", "Lz"))

    def test_system_holds_title_window_locale_and_character_set_but_no_date(self):
        system = self.files["|SYSTEM"]
        self.assertEqual(struct.unpack_from("<HHHIH", system, 0), (0x036C, 33, 1, 0, 0))
        records, at = {}, 12
        while at < len(system):
            kind, size = struct.unpack_from("<HH", system, at)
            records[kind] = system[at + 4:at + 4 + size]
            at += 4 + size
        self.assertEqual(at, len(system))
        self.assertEqual(records[1], "Tolvane ﾍﾙﾌﾟ".encode("cp932") + b"\0")
        self.assertEqual(u32(records[3], 0), self.topics[0]["offset"])
        window = records[6]
        self.assertEqual(len(window), 90)
        self.assertEqual(window[12:17], b"main\0")
        self.assertEqual(window[21:].split(b"\0")[0].decode("cp932"), "Tolvane ﾍﾙﾌﾟ")
        self.assertEqual(u16(records[9], 8), 0x0411)
        self.assertEqual(records[11], bytes([128]))

    def test_font_names_a_japanese_face_and_sizes(self):
        font = self.files["|FONT"]
        faces, descriptors, face_at, descriptor_at = struct.unpack_from("<HHHH", font, 0)
        self.assertEqual((faces, descriptors, face_at), (1, 2, 8))
        self.assertEqual(font[8:descriptor_at].rstrip(b"\0").decode("cp932"), "ＭＳ Ｐゴシック")
        self.assertEqual(descriptor_at - face_at, 32)
        sizes = [(font[descriptor_at + 11 * i] & 1, font[descriptor_at + 11 * i + 1]) for i in range(2)]
        self.assertEqual(sizes, [(0, 20), (1, 28)])

    def test_topics_in_order_with_their_titles_and_text_in_code_page_932(self):
        self.assertEqual([t["title"].decode("cp932") for t in self.topics], ["目次", "ウィンドウの見かた", "設定"])
        texts = [r["text"].decode("cp932") for r in self.records if r["kind"] == "text"]
        self.assertIn("「接続時間」と「月度累計」２行目", texts)
        paragraph = next(r for r in self.records if r["kind"] == "text" and "２行目".encode("cp932") in r["text"])
        self.assertEqual(paragraph["commands"], [("font", 0), ("break",), ("end",)])
        self.assertEqual(paragraph["values"], [6])
        hanging = next(r for r in self.records if r["kind"] == "text" and "警報間隔".encode("cp932") in r["text"])
        self.assertEqual(hanging["values"], [20, -20])
        # The topic headers chain the browse sequence and the topics.
        first, second, third = (t["header"] for t in self.topics)
        self.assertEqual((first[1], first[2]), (0xFFFFFFFF, self.topics[1]["offset"]))
        self.assertEqual((second[1], second[2], second[3]), (self.topics[0]["offset"], self.topics[2]["offset"], 1))
        self.assertEqual((third[2], third[6]), (0xFFFFFFFF, 0xFFFFFFFF))
        self.assertEqual(first[6], self.topics[1]["pos"])

    def test_context_strings_lead_to_their_topics_and_paragraphs(self):
        for name, title in [("CONTENTS", "目次"), ("IDH_MONITOR", "ウィンドウの見かた"), ("idh_settings", "設定"),
                            ("IDH_WARNING", "ウィンドウの見かた")]:
            with self.subTest(name=name):
                offset = self.offset_of_context(name)
                self.assertIsNotNone(offset)
                self.assertEqual(self.title_at(offset), title)
        warning = next(r for r in self.records if r["kind"] == "text" and r["text"] == "警報".encode("cp932"))
        self.assertEqual(self.offset_of_context("IDH_WARNING"), warning["offset"])
        self.assertGreater(warning["offset"], self.offset_of_context("IDH_MONITOR"))
        self.assertIsNone(self.offset_of_context("NOWHERE"))

    def test_the_numeric_contexts_map_to_their_topics(self):
        ctxomap = self.files["|CTXOMAP"]
        count = u16(ctxomap, 0)
        self.assertEqual(len(ctxomap), 2 + 8 * count)
        maps = dict(struct.unpack_from("<II", ctxomap, 2 + 8 * i) for i in range(count))
        self.assertEqual(maps, {0x20066: self.offset_of_context("IDH_MONITOR"),
                                0x20089: self.offset_of_context("IDH_SETTINGS")})
        self.assertEqual(self.title_at(maps[0x20066]), "ウィンドウの見かた")
        self.assertEqual(self.title_at(maps[0x20089]), "設定")

    def test_jumps_carry_the_hash_of_their_target(self):
        jumps = [c[1] for r in self.records if r["kind"] == "text" for c in r["commands"] if c[0] == "jump"]
        self.assertEqual(jumps, [winhelp.context_hash(n) for n in ("IDH_MONITOR", "IDH_SETTINGS", "IDH_WARNING")])
        for r in self.records:
            if r["kind"] == "text":
                kinds = [c[0] for c in r["commands"]]
                self.assertEqual(kinds.count("jump"), kinds.count("hotspot-end"))

    def test_the_same_document_gives_the_same_bytes(self):
        self.assertEqual(winhelp.build(small_document()), self.data)


class LargeDocumentTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.doc = large_document()
        cls.data = winhelp.build(cls.doc)
        _, cls.files = read_files(cls.data)
        cls.records, cls.blocks = read_topics(cls.files["|TOPIC"])

    def test_records_across_block_boundaries_read_back_whole(self):
        self.assertGreater(len(self.blocks), 30)
        texts = [r["text"].decode("cp932") for r in self.records if r["kind"] == "text"]
        expected = [item[1] for t in self.doc.topics for p in t.paragraphs for item in p.items]
        self.assertEqual(texts, expected)
        across = sum(1 for r in self.records if ((r["pos"] - 12) & 0x3FFF) + 200 > 0x1000 - 12)
        self.assertGreater(across, 0)

    def test_block_headers_point_at_the_records_around_them(self):
        positions = [r["pos"] for r in self.records]
        heads = [r["pos"] for r in self.records if r["kind"] == "topic"]
        for b, block in enumerate(self.blocks):
            last, first, last_head = struct.unpack_from("<III", block, 0)
            start = b * 0x4000
            inside = [p for p in positions if start <= p < start + 0x4000]
            before = [p for p in positions if p < start]
            self.assertEqual(first, inside[0] if inside else 0xFFFFFFFF)
            self.assertEqual(last, before[-1] if before else 0xFFFFFFFF)
            self.assertEqual(last_head, max((p for p in heads if p < start), default=0xFFFFFFFF))

    def test_every_context_and_title_is_found_in_trees_of_many_pages(self):
        context, titles = self.files["|CONTEXT"], self.files["|TTLBTREE"]
        self.assertGreater(tree_header(context)["levels"], 1)
        self.assertGreater(tree_header(titles)["levels"], 1)
        topics = {r["offset"]: r for r in self.records if r["kind"] == "topic"}
        texts = {r["offset"]: r for r in self.records if r["kind"] == "text"}
        self.assertEqual(len(texts), sum(len(t.paragraphs) for t in self.doc.topics), "one offset each")
        for t, topic in enumerate(self.doc.topics):
            offset = tree_search(context, winhelp.context_hash(f"T{t}"), read_hash_key, read_hash_leaf, 2)
            self.assertEqual(topics[offset]["title"].decode("cp932"), topic.title)
            self.assertEqual(tree_search(titles, offset, read_offset_key, read_title_leaf, 2).decode("cp932"),
                             topic.title)
            for p in (0, len(topic.paragraphs) - 1):
                offset = tree_search(context, winhelp.context_hash(f"T{t}_P{p}"), read_hash_key, read_hash_leaf, 2)
                self.assertEqual(texts[offset]["text"].decode("cp932"), topic.paragraphs[p].items[0][1])
        hashes = [k for k, _ in tree_entries(context, read_hash_leaf)]
        self.assertEqual(hashes, sorted(hashes))

    def test_topic_offsets_grow_with_the_text(self):
        offsets = [r["offset"] for r in self.records]
        self.assertEqual(offsets, sorted(offsets))
        self.assertGreater(offsets[-1], 0x8000 * 10)


class BTreeTest(unittest.TestCase):
    def test_three_levels_of_small_pages_find_every_key(self):
        entries = [(struct.pack("<i", k), struct.pack("<iI", k, k * 3 + 1000)) for k in range(-150, 150, 2)]
        tree = winhelp.btree(entries, 64, "L4")
        h = tree_header(tree)
        self.assertEqual(h["levels"], 3)
        self.assertEqual(h["entries"], len(entries))
        self.assertEqual(len(tree), 38 + 64 * h["pages"])
        self.assertEqual([k for k, _ in tree_entries(tree, read_hash_leaf)], list(range(-150, 150, 2)))
        for k in range(-151, 151):
            with self.subTest(key=k):
                found = tree_search(tree, k, read_hash_key, read_hash_leaf, 2)
                self.assertEqual(found, k * 3 + 1000 if k % 2 == 0 and k < 150 else None)

    def test_an_empty_tree_has_one_empty_leaf(self):
        tree = winhelp.btree([], 0x800, "L4")
        self.assertEqual((tree_header(tree)["pages"], tree_header(tree)["levels"]), (1, 1))
        self.assertEqual(tree_entries(tree, read_hash_leaf), [])


# Two context strings with the same hash (found by a search over random names).
COLLISION = ("RAX8JQO8", "6F259FT3")


class RejectionTest(unittest.TestCase):
    def test_what_cannot_be_written_is_refused_with_a_reason(self):
        def with_topic(change):
            def make():
                doc = small_document()
                change(doc)
                return doc
            return make

        cases = [
            ("no topics", lambda: winhelp.HelpFile("x"), "at least one topic"),
            ("no fonts", with_topic(lambda d: d.fonts.clear()), "at least one font"),
            ("bad context", with_topic(lambda d: d.topic("x", "IDH-X")), "not a letter"),
            ("same context twice", with_topic(lambda d: d.topic("x", "idh_monitor")), "used twice"),
            ("same hash", with_topic(lambda d: (d.topic("a", COLLISION[0]), d.topic("b", COLLISION[1]))),
             "same hash"),
            ("jump nowhere", with_topic(lambda d: d.topics[0].paragraph().jump("x", "NOWHERE")), "unknown context"),
            ("empty jump", with_topic(lambda d: d.topics[0].paragraph().jump("", "CONTENTS")), "text to click"),
            ("map nowhere", with_topic(lambda d: d.maps.update({5: "NOWHERE"})), "unknown context"),
            ("map too big", with_topic(lambda d: d.maps.update({1 << 32: "CONTENTS"})), "32-bit"),
            ("contents nowhere", with_topic(lambda d: setattr(d, "contents", "NOWHERE")), "contents topic"),
            ("no code page 932 form", with_topic(lambda d: d.topics[0].paragraph().text("café")), "no cp932 form"),
            ("NUL", with_topic(lambda d: d.topics[0].paragraph().text("a\0b")), "NUL"),
            ("long caption", with_topic(lambda d: setattr(d, "caption", "キャプション" * 5)), "caption"),
            ("empty title", with_topic(lambda d: setattr(d, "title", "")), "title"),
            ("long face", with_topic(lambda d: d.font("ＭＳ Ｐゴシック" * 3, 20)), "face name"),
            ("font size", with_topic(lambda d: d.font("Arial", 0)), "half points"),
            ("font family", with_topic(lambda d: d.font("Arial", 20, family="gothic")), "family"),
            ("unknown font", with_topic(lambda d: d.topics[0].paragraph().text("x", font=7)), "no font 7"),
            ("unknown paragraph font", with_topic(lambda d: d.topics[0].paragraph(font=-1)), "no font -1"),
            ("long paragraph", with_topic(lambda d: d.topics[0].paragraph().text("x" * 40000)), "too long"),
            ("indent", with_topic(lambda d: d.topics[0].paragraph(first_indent=-100).text("x")), "out of range"),
            ("untitled topic", with_topic(lambda d: d.topic("")), "title"),
            ("unknown code page", lambda: winhelp.HelpFile("x", encoding="cp1252"), "character set"),
        ]
        for name, make, message in cases:
            with self.subTest(case=name):
                with self.assertRaises(HelpError) as e:
                    winhelp.build(make())
                self.assertIn(message, str(e.exception))

    def test_the_collision_is_one(self):
        self.assertEqual(independent_hash(COLLISION[0]), independent_hash(COLLISION[1]))


# --- Tests of the help made from the guide -----------------------------------------------------

RESOURCES = "#define HID_BASE_RESOURCE 0x20000\n#define IDD_MONITOR 102\n#define IDD_SETTINGS 137\n"


def read_help(doc):
    _, files = read_files(winhelp.build(doc))
    records, _ = read_topics(files["|TOPIC"])
    topics, current = [], None
    for r in records:
        if r["kind"] == "topic":
            current = dict(title=r["title"].decode("cp932"), offset=r["offset"], texts=[], jumps=[])
            topics.append(current)
        else:
            current["texts"].append(r["text"].decode("cp932"))
            current["jumps"] += [c[1] for c in r["commands"] if c[0] == "jump"]
    ctxomap = files["|CTXOMAP"]
    maps = dict(struct.unpack_from("<II", ctxomap, 2 + 8 * i) for i in range(u16(ctxomap, 0)))
    return topics, maps, files


class GuideTest(unittest.TestCase):
    SAMPLE = ("# 説明書\n\n前書きの Tolvane は\n小さなツールです。\n\n<!-- help: IDD_MONITOR -->\n## 画面\n\n"
              "![絵](docs/a.png)\n\n- 「S」ボタン: 設定を開きます（→ 警報）。\n  続きの行です。\n  1. 手順\n\n"
              "### 警報\n\n音で知らせます。\n\n<!-- help: IDD_SETTINGS -->\n## 設定\n\n"
              "設定ダイアログ「Tolvane - 設定」（初期値: 15 秒）。\n")

    def test_sections_become_topics_with_contexts_maps_and_jumps(self):
        topics, maps, _ = read_help(make_help.guide_to_help(self.SAMPLE, RESOURCES))
        self.assertEqual([t["title"] for t in topics], ["説明書", "画面", "設定"])
        by_offset = {t["offset"]: t["title"] for t in topics}
        self.assertEqual({n: by_offset[o] for n, o in maps.items()}, {0x20066: "画面", 0x20089: "設定"})
        contents, screen, settings = topics
        self.assertEqual(contents["texts"][:2], ["説明書", "前書きのTolvaneは小さなツールです。"])
        self.assertIn("目次", contents["texts"])
        self.assertEqual(contents["jumps"], [winhelp.context_hash(n) for n in ("IDD_MONITOR", "SECTION1_1",
                                                                             "IDD_SETTINGS")])
        self.assertEqual(screen["texts"], ["画面", "・「S」ボタン：設定を開きます（→警報）。続きの行です。",
                                           "1．手順", "警報", "音で知らせます。"])
        self.assertEqual(screen["jumps"], [winhelp.context_hash("SECTION1_1")])
        # The program's own texts keep their spaces; the rest loses those beside Japanese.
        self.assertEqual(settings["texts"][1], "設定ダイアログ「Tolvane - 設定」（初期値：15秒）。")

    def test_guides_the_help_cannot_follow_are_refused(self):
        cases = [
            ("no title", "## 節\n", "begin with its title"),
            ("two titles", "# A\n# B\n", "one '#' heading"),
            ("marker before text", "# A\n<!-- help: X -->\n本文\n", "stands before no heading"),
            ("marker at the end", "# A\n<!-- help: X -->\n", "stands before no heading"),
            ("unknown dialog", "# A\n<!-- help: IDD_NONE -->\n## B\n", "not a dialog template"),
            ("same heading twice", "# A\n## B\n## B\n", "there twice"),
            ("subsection first", "# A\n### B\n", "before the first '##'"),
            ("deep heading", "# A\n## B\n#### C\n", "'###' only"),
            ("table", "# A\n| a | b |\n", "tables"),
            ("open code block", "# A\n```\ncode\n", "not closed"),
            ("bad context name", "# A\n<!-- help: a.b -->\n## B\n<!-- help: a.b -->\n## C\n", "used twice"),
        ]
        for name, markdown, message in cases:
            with self.subTest(case=name):
                with self.assertRaises(HelpError) as e:
                    winhelp.build(make_help.guide_to_help(markdown, RESOURCES))
                self.assertIn(message, str(e.exception))

    def test_the_command_writes_the_file_or_says_why_not(self):
        with tempfile.TemporaryDirectory() as tmp:
            guide, resources, out = (os.path.join(tmp, n) for n in ("guide.md", "resource.h", "Tolvane.HLP"))
            with open(guide, "w", encoding="utf-8") as f:
                f.write(self.SAMPLE)
            with open(resources, "w", encoding="utf-8") as f:
                f.write(RESOURCES)
            args = ["--guide", guide, "--resources", resources, "--out", out]
            self.assertEqual(make_help.main(args), 0)
            with open(out, "rb") as f:
                self.assertEqual(f.read()[:4], struct.pack("<I", 0x00035F3F))
            with open(guide, "w", encoding="utf-8") as f:
                f.write("## 題名のない説明書\n")
            os.remove(out)
            said = io.StringIO()
            with contextlib.redirect_stderr(said):
                self.assertEqual(make_help.main(args), 1)
            self.assertIn("begin with its title", said.getvalue())
            self.assertFalse(os.path.exists(out))


class TolvaneHelpTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(os.path.join(ROOT, "README.ja.md"), encoding="utf-8") as f:
            cls.guide = f.read()
        with open(os.path.join(ROOT, "res", "resource.h"), encoding="utf-8") as f:
            cls.header = f.read()
        cls.doc = make_help.guide_to_help(cls.guide, cls.header)
        cls.topics, cls.maps, cls.files = read_help(cls.doc)
        cls.by_title = {t["title"]: t for t in cls.topics}

    def text_of(self, title):
        return "".join(self.by_title[title]["texts"])

    def test_the_programs_contexts_open_their_windows_topics(self):
        by_offset = {t["offset"]: t["title"] for t in self.topics}
        self.assertEqual({n: by_offset[o] for n, o in self.maps.items()},
                         {0x20066: "ウィンドウの見かた", 0x20089: "設定", 0x200A0: "利用状況を見る", 0x200A1: "料金の設定"})

    def test_every_topic_the_help_needs_is_there_and_the_contents_jump_to_all(self):
        needed = ["Tolvane 取扱説明書", "Tolvane でできること", "動作環境", "インストール", "ウィンドウの見かた",
                  "メニュー", "設定", "課金単位と計算例", "月ごとのログ", "利用状況を見る", "料金の設定", "ダイヤル", "ヘルプについて", "困ったときは"]
        titles = [t["title"] for t in self.topics]
        self.assertEqual([t for t in needed if t not in titles], [])
        self.assertEqual(titles[0], "Tolvane 取扱説明書")
        sections = re.findall(r"^##+ (.+)$", self.guide, re.M)
        self.assertEqual(len(self.topics[0]["jumps"]), len(sections))
        topic_hashes = {winhelp.context_hash(t.context) for t in self.doc.topics[1:]}
        self.assertTrue(topic_hashes <= set(self.topics[0]["jumps"]))

    def test_the_settings_topic_names_every_setting_by_its_label(self):
        with open(os.path.join(ROOT, "res", "Tolvane.rc"), encoding="utf-8") as f:
            rc = f.read()
        dialog = re.search(r"^IDD_SETTINGS DIALOGEX.*?^END", rc, re.S | re.M).group(0)
        labels = {t for t in re.findall(r'"((?:[^"\\]|\\.)*)"', dialog.split("BEGIN", 1)[1])
                  if t not in ("Spin1", "msctls_updown32", "Button") and len(t) > 1}
        labels |= set(re.findall(r'IDS_(?:TIME_UNIT|LOGON_TIME|TBAR_DISP)_\d\s+"([^"]+)"', rc))
        text = self.text_of("設定")
        self.assertGreater(len(labels), 25)
        self.assertEqual(sorted(label for label in labels if f"「{label}」" not in text), [])

    def test_the_monitor_topic_tells_the_times_buttons_warning_and_countdowns(self):
        text = self.text_of("ウィンドウの見かた")
        for words in ("「接続時間」", "「月度累計」", "切断ボタン", "「S」ボタン", "警報", "強制切断まで", "「接続延長」"):
            with self.subTest(words=words):
                self.assertIn(words, text)

    def test_the_help_says_what_the_guide_says(self):
        # Every sentence of the guide, spaces aside, is in the help.
        help_text = "".join(re.sub(r"\s", "", t) for topic in self.topics for t in topic["texts"])
        help_text = help_text.replace("：", ":")
        for sentence in re.findall(r"[^。\n]{6,}。", re.sub(r"\n(?!\n)\s*", "", self.guide)):
            plain = re.sub(r"\s|!\[[^\]]*\]\([^)]*\)|^[-*]|^\d+\.", "", make_help.plain_inline(sentence))
            plain = re.sub(r"^(・|-)", "", plain)
            with self.subTest(sentence=sentence[:30]):
                self.assertIn(plain, help_text.replace("・", "").replace("．", "."))

    def test_the_help_file_is_the_same_every_time(self):
        self.assertEqual(winhelp.build(self.doc), winhelp.build(make_help.guide_to_help(self.guide, self.header)))


if __name__ == "__main__":
    unittest.main()

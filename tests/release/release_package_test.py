#!/usr/bin/env python3
"""Tests of the release zip: reproducible bytes, the help file beside each program, readme.txt in
code page 932 with CR LF, a guide that names every setting and quotes the program's texts as
the program has them.
With TOLVANE_EXE set, ExeHeaderTest checks that built program too."""
import io
import os
import re
import struct
import sys
import tempfile
import time
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import release_package as rp  # noqa: E402


def read(path):
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        return f.read()


def fake_help(body=b"help"):
    data = b"\x3f\x5f\x03\x00" + struct.pack("<iiI", 16, -1, 16 + len(body)) + body
    return data


def fake_exe(stamp=0, machine=rp.MACHINE_I386):
    header = bytearray(0x40)
    header[:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 0x40)
    return bytes(header) + b"PE\0\0" + struct.pack("<HHI", machine, 0, stamp) + bytes(200)


def pe_layout(exe):
    """Whether a PE file is PE32+ (8-byte thunks, larger header), the RVA of each of its data
    directories, and the file offset of an RVA."""
    (pe,) = struct.unpack_from("<I", exe, 0x3C)
    sections, optional_size = struct.unpack_from("<H", exe, pe + 6)[0], struct.unpack_from("<H", exe, pe + 20)[0]
    optional = pe + 24
    wide = struct.unpack_from("<H", exe, optional)[0] == 0x20B
    directories = optional + (112 if wide else 96)
    table = [struct.unpack_from("<IIII", exe, optional + optional_size + 40 * i + 8) for i in range(sections)]

    def directory(index):
        return struct.unpack_from("<I", exe, directories + 8 * index)[0]

    def at(rva):
        for size, address, raw_size, raw in table:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section")

    return wide, directory, at


def pe_imports(exe):
    """The functions a PE32 or PE32+ file imports, as "DLL!name" (DLL names in upper case)."""
    wide, directory, at = pe_layout(exe)
    thunk_format, ordinal_flag = ("<Q", 1 << 63) if wide else ("<I", 1 << 31)
    import_rva = directory(1)

    def name(rva):
        start = at(rva)
        return exe[start:exe.index(b"\0", start)].decode("ascii")

    found, entry = set(), at(import_rva)
    while True:
        lookup, _, _, dll, thunks = struct.unpack_from("<IIIII", exe, entry)
        if not dll:
            return found
        position = at(lookup or thunks)
        while (thunk := struct.unpack_from(thunk_format, exe, position)[0]):
            found.add(f"{name(dll).upper()}!" + (f"#{thunk & 0xFFFF}" if thunk & ordinal_flag else name(thunk + 2)))
            position += struct.calcsize(thunk_format)
        entry += 20


def pe_resources(exe):
    """The resources of a PE file: {(type, name, language): (RVA of the data, its bytes)}, types
    and names as numbers or strings."""
    _, directory, at = pe_layout(exe)
    root = directory(2)

    def key(ident):
        if not ident & 0x80000000:
            return ident
        start = at(root + (ident & 0x7FFFFFFF))
        (length,) = struct.unpack_from("<H", exe, start)
        return exe[start + 2:start + 2 + 2 * length].decode("utf-16-le")

    found = {}

    def walk(offset, path):
        named, numbered = struct.unpack_from("<HH", exe, at(root + offset) + 12)
        for i in range(named + numbered):
            ident, target = struct.unpack_from("<II", exe, at(root + offset) + 16 + 8 * i)
            if target & 0x80000000:
                walk(target & 0x7FFFFFFF, path + (key(ident),))
            else:
                rva, size = struct.unpack_from("<II", exe, at(root + target))
                found[path + (key(ident),)] = (rva, exe[at(rva):at(rva) + size])

    walk(0, ())
    return found


def rc_strings(block):
    return re.findall(r'"((?:[^"\\]|\\.)*)"', block)


def program_texts():
    """Every string literal of the resource script and the sources, as the user sees it."""
    texts = set()
    sources = [os.path.join(ROOT, "res", "Tolvane.rc"), os.path.join(ROOT, "res", "TolvaneLog.rc")]
    for folder, _, names in os.walk(os.path.join(ROOT, "src")):
        sources += [os.path.join(folder, n) for n in names if n.endswith((".cpp", ".h"))]
    for path in sources:
        with open(path, encoding="utf-8") as f:
            for literal in rc_strings(f.read()):
                for part in literal.split("\\n"):
                    texts.add(re.sub(r"\(&(\w)\)", r"(\1)", part))  # menus show (A), not (&A)
    return texts


def as_pattern(text):
    """A program text with its format fields (%1, %02d, %s) matching any value."""
    return "".join(r"\S+" if re.fullmatch(r"%\w+", p) else re.escape(p) for p in re.split(r"(%\w+)", text))


class VersionTest(unittest.TestCase):
    def test_reads_the_product_version_of_the_version_resource(self):
        rc = ('VALUE "ProductVersion", "9.9"\nVS_VERSION_INFO VERSIONINFO\n FILEVERSION 2,3,0,0\nBEGIN\n'
              '  BLOCK "StringFileInfo"\n  BEGIN\n    VALUE "ProductVersion", "2.3"\n  END\nEND\n')
        self.assertEqual(rp.version_from_rc(rc), "2.3")

    def test_a_script_without_version_is_refused(self):
        with self.assertRaises(rp.ReleaseError):
            rp.version_from_rc('IDD_X DIALOGEX 0, 0, 1, 1\nBEGIN\nEND\n')
        with self.assertRaises(rp.ReleaseError):
            rp.version_from_rc('VS_VERSION_INFO VERSIONINFO\nBEGIN\n VALUE "ProductVersion", "one"\nEND\n')

    def test_the_program_names_one_version_everywhere(self):
        rc = read("res/Tolvane.rc")
        version = rp.version_from_rc(rc)
        self.assertIn(f'"Tolvane Version {version}"', rc)  # the version dialog
        major, minor = re.search(r"FILEVERSION\s+(\d+),(\d+)", rc).groups()
        self.assertEqual(version, f"{major}.{minor}")


class MarkdownTest(unittest.TestCase):
    def convert(self, markdown):
        return rp.markdown_to_text(markdown).split("\r\n")

    def test_headings_lists_and_inline_mark_up_become_plain_text(self):
        lines = self.convert("# 題名\n\n## 設定\n\n### 警報\n\n- **太字** と `code` と [説明](README.md)\n"
                             "  続き\n1. 手順\n\n[site](https://example.com/)\n")
        self.assertEqual(lines, ["題名", "====", "", "■ 設定", "-" * 7, "", "◆ 警報", "",
                                 "・太字 と code と 説明", "  続き", "1. 手順", "",
                                 "site (https://example.com/)", ""])

    def test_pictures_and_comments_leave_nothing_behind(self):
        lines = self.convert("前\n\n![絵](docs/a.png)\n![絵](docs/b.png) ![絵](docs/c.png)\n\n<!-- メモ -->\n後\n")
        self.assertEqual(lines, ["前", "", "後", ""])

    def test_code_blocks_are_indented_and_must_be_closed(self):
        self.assertEqual(self.convert("```\ntools/release.sh\n```\n"), ["    tools/release.sh", ""])
        with self.assertRaises(rp.ReleaseError):
            rp.markdown_to_text("```\nopen\n")

    def test_tables_are_refused_rather_than_garbled(self):
        with self.assertRaises(rp.ReleaseError):
            rp.markdown_to_text("| a | b |\n|---|---|\n| 1 | 2 |\n")

    def test_code_page_932_gets_its_own_forms_of_look_alike_characters(self):
        self.assertEqual(rp.to_cp932("0〜60 − ‖", "t").decode("cp932"), "0～60 － ∥")
        with self.assertRaises(rp.ReleaseError) as e:
            rp.to_cp932("一行目\n二行目 é\n", "guide")
        self.assertIn("line 2", str(e.exception))


class ZipTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.exe = self.write("Tolvane.exe", fake_exe())
        self.guide = self.write("guide.md", "# 説明\n\n本文〜です。\n".encode("utf-8"))
        self.licence = self.write("LICENSE", b"MIT License\n\nCopyright\n")
        self.help = self.write("Tolvane.HLP", fake_help())

    def write(self, name, data):
        path = os.path.join(self.tmp.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def pack(self, name, epoch=1700000000, exe64=None):
        out = os.path.join(self.tmp.name, "out", name)
        rp.package(self.exe, self.guide, self.licence, out, epoch, exe64, self.help)
        with open(out, "rb") as f:
            return f.read()

    def test_same_inputs_give_the_same_bytes_whatever_the_file_times_and_zone(self):
        first = self.pack("a.zip")
        old_tz = os.environ.get("TZ")
        try:
            os.environ["TZ"] = "JST-9"
            time.tzset()
            for path in (self.exe, self.guide, self.licence, self.help):
                os.utime(path, (1000000000, 1000000000))
            second = self.pack("b.zip")
        finally:
            if old_tz is None:
                os.environ.pop("TZ", None)
            else:
                os.environ["TZ"] = old_tz
            time.tzset()
        self.assertEqual(first, second)

    def test_the_zip_holds_the_program_its_help_the_readme_and_the_licence(self):
        with zipfile.ZipFile(io.BytesIO(self.pack("a.zip"))) as z:
            self.assertEqual(z.namelist(), ["LICENSE.txt", "Tolvane.HLP", "Tolvane.exe", "readme.txt"])
            self.assertEqual(z.read("Tolvane.HLP"), fake_help())
            for info in z.infolist():
                self.assertEqual(info.date_time, (2023, 11, 14, 22, 13, 20))
            self.assertEqual(z.read("Tolvane.exe"), fake_exe())
            self.assertEqual(z.read("readme.txt").decode("cp932"), "説明\r\n====\r\n\r\n本文～です。\r\n")
            self.assertEqual(z.read("LICENSE.txt"), b"MIT License\r\n\r\nCopyright\r\n")

    def test_the_64_bit_program_has_a_folder_of_its_own_and_each_must_be_of_its_kind(self):
        exe64 = self.write("Tolvane64.exe", fake_exe(machine=rp.MACHINE_AMD64))
        with zipfile.ZipFile(io.BytesIO(self.pack("a.zip", exe64=exe64))) as z:
            self.assertEqual(z.namelist(), ["LICENSE.txt", "Tolvane.HLP", "Tolvane.exe", "readme.txt",
                                            "x64/Tolvane.HLP", "x64/Tolvane.exe"])
            self.assertEqual(z.read("x64/Tolvane.exe"), fake_exe(machine=rp.MACHINE_AMD64))
            self.assertEqual(z.read("x64/Tolvane.HLP"), fake_help())
        for exe, exe64 in ((self.exe, self.exe), (exe64, exe64)):
            self.exe = exe
            with self.assertRaises(rp.ReleaseError):
                self.pack("b.zip", exe64=exe64)

    def test_the_viewer_stands_beside_the_program_of_its_build(self):
        exe64 = self.write("Tolvane64.exe", fake_exe(machine=rp.MACHINE_AMD64))
        viewer = self.write("TolvaneLog.exe", fake_exe() + b"viewer")
        viewer64 = self.write("TolvaneLog64.exe", fake_exe(machine=rp.MACHINE_AMD64) + b"viewer")
        out = os.path.join(self.tmp.name, "out", "v.zip")
        rp.package(self.exe, self.guide, self.licence, out, 1700000000, exe64, self.help, viewer, viewer64)
        with zipfile.ZipFile(out) as z:
            self.assertEqual(z.namelist(), ["LICENSE.txt", "Tolvane.HLP", "Tolvane.exe", "TolvaneLog.exe", "readme.txt",
                                            "x64/Tolvane.HLP", "x64/Tolvane.exe", "x64/TolvaneLog.exe"])
            self.assertEqual(z.read("TolvaneLog.exe"), fake_exe() + b"viewer")
            self.assertEqual(z.read("x64/TolvaneLog.exe"), fake_exe(machine=rp.MACHINE_AMD64) + b"viewer")
        for args in ((exe64, self.help, viewer64, viewer64), (exe64, self.help, viewer, viewer),
                     (None, self.help, viewer, viewer64)):
            with self.subTest(args=args), self.assertRaises(rp.ReleaseError):
                rp.package(self.exe, self.guide, self.licence, out + "2", None, *args)

    def test_the_time_of_the_entries_is_the_one_given(self):
        self.assertNotEqual(self.pack("a.zip", 1700000000), self.pack("b.zip", 1800000000))
        with zipfile.ZipFile(io.BytesIO(self.pack("c.zip", None))) as z:
            self.assertEqual(z.infolist()[0].date_time, (1980, 1, 1, 0, 0, 0))

    def test_what_is_not_a_whole_help_file_is_refused(self):
        for data in (b"MZ" + bytes(30), fake_help()[:-1], fake_help() + b"!", b""):
            with self.subTest(data=data[:8]):
                self.write("Tolvane.HLP", data)
                with self.assertRaises(rp.ReleaseError):
                    self.pack("a.zip")
                self.assertFalse(os.path.exists(os.path.join(self.tmp.name, "out", "a.zip")))

    def test_the_help_file_is_needed_on_the_command_line(self):
        out = os.path.join(self.tmp.name, "out", "c.zip")
        base = ["--exe", self.exe, "--guide", self.guide, "--licence", self.licence, "--out", out]
        with self.assertRaises(SystemExit):
            rp.main(base)
        self.assertEqual(rp.main(base + ["--hlp", self.help]), 0)
        with zipfile.ZipFile(out) as z:
            self.assertIn("Tolvane.HLP", z.namelist())

    def test_a_program_that_carries_its_link_time_is_refused(self):
        self.write("Tolvane.exe", fake_exe(stamp=0x5F000000))
        with self.assertRaises(rp.ReleaseError):
            self.pack("a.zip")
        self.assertFalse(os.path.exists(os.path.join(self.tmp.name, "out", "a.zip")))


class GuideTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.markdown = read("README.ja.md")
        cls.data = rp.to_cp932(rp.markdown_to_text(cls.markdown), "README.ja.md")
        cls.text = cls.data.decode("cp932")

    def test_readme_is_code_page_932_with_cr_lf_line_ends(self):
        self.assertTrue(self.data.endswith(b"\r\n"))
        self.assertNotRegex(self.data, rb"\r(?!\n)|(?<!\r)\n")
        self.assertIn("設定", self.text)

    def test_no_mark_up_and_no_pictures_are_left(self):
        for left in ("![", "](", "```", "**", ".png", "<!--"):
            self.assertNotIn(left, self.text)
        self.assertFalse([line for line in self.text.split("\r\n") if line.startswith("#")])

    def test_every_item_of_the_settings_dialog_is_described(self):
        rc = read("res/Tolvane.rc")
        dialog = re.search(r"^IDD_SETTINGS DIALOGEX.*?^END", rc, re.S | re.M).group(0)
        labels = {t for t in rc_strings(dialog.split("BEGIN", 1)[1])
                  if t not in ("Spin1", "msctls_updown32", "Button") and len(t) > 1}
        labels |= set(re.findall(r'IDS_(?:TIME_UNIT|LOGON_TIME|TBAR_DISP)_\d\s+"([^"]+)"', rc))
        self.assertGreater(len(labels), 25)
        missing = sorted(label for label in labels if f"「{label}」" not in self.text)
        self.assertEqual(missing, [])

    def test_every_menu_command_and_window_text_is_described(self):
        rc = read("res/Tolvane.rc")
        table = re.search(r"^STRINGTABLE\s*BEGIN(.*?)^END", rc, re.S | re.M).group(1)
        commands = {t.split("\\n")[-1] for t in re.findall(r'ID_\w+\s+"([^"]+)"', table)}
        window = re.search(r"^IDD_MONITOR DIALOGEX.*?^END", rc, re.S | re.M).group(0)
        texts = commands | {"接続時間", "月度累計", "接続延長", "S"}
        self.assertIn("接続延長", rc_strings(window))
        missing = sorted(t for t in texts if f"「{t}」" not in self.text)
        self.assertEqual(missing, [])
        self.assertIn("強制切断まで", self.text)

    def test_quoted_half_width_texts_are_the_programs_own(self):
        # A button is quoted as it shows, without the underlined letter of its mnemonic.
        texts = program_texts()
        texts |= {re.sub(r"\([A-Z]\)", "", t) for t in texts}
        known = [as_pattern(t) for t in texts if re.search(r"[\u3000-\uffef]", t)]
        quoted = set(re.findall(r"「([^「」]*[\uff61-\uff9f][^「」]*)」", self.markdown))
        self.assertGreater(len(quoted), 15)
        strange = sorted(q for q in quoted if not any(re.fullmatch(k, q) for k in known))
        self.assertEqual(strange, [])


@unittest.skipUnless(os.environ.get("TOLVANE_EXE"), "TOLVANE_EXE names no built program")
class ExeHeaderTest(unittest.TestCase):
    def setUp(self):
        with open(os.environ["TOLVANE_EXE"], "rb") as f:
            self.exe = f.read()

    def is_viewer(self):
        return os.path.basename(os.environ["TOLVANE_EXE"]).lower().startswith("tolvanelog")

    def test_the_program_carries_no_link_time(self):
        self.assertEqual(rp.pe_timestamp(self.exe), 0)

    def test_the_program_imports_what_the_windows_version_of_the_guide_was_checked_against(self):
        # README.ja.md names the oldest Windows that has all of these (SetWindowSubclass: XP).
        # A changed list means: check that version again, then update the build's list.
        pinned = "imports.txt" if rp.pe_machine(self.exe) == rp.MACHINE_I386 else "imports-x86_64.txt"
        if self.is_viewer():
            pinned = "viewer-" + pinned
        with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), pinned)) as f:
            checked = {line.strip() for line in f if line.strip() and not line.startswith("#")}
        imports = pe_imports(self.exe)
        self.assertEqual(sorted(imports - checked), [], "new imports")
        self.assertEqual(sorted(checked - imports), [], "imports no longer made")

    def test_each_picture_is_stored_once_for_every_name_and_number_that_loads_it(self):
        # What the disconnect button loads: the start-up set by name (bitmap_button.cpp), the
        # normal and the alert look by number (monitor_dlg_win.cpp); the picture each shows.
        normal, pressed, disabled = "disconnect_normal", "disconnect_normal_pressed", "disconnect_disabled"
        alert, alert_pressed = "disconnect_alert", "disconnect_alert_pressed"
        loaded = {"SETUDANU": normal, "SETUDAND": pressed, "SETUDANF": normal, "SETUDANX": disabled,
                  130: normal, 131: pressed, 132: normal, 133: disabled,
                  138: alert, 134: alert_pressed, 136: alert, 140: disabled}
        if self.is_viewer():
            loaded = {}  # the viewer has no button of pictures
        resources = pe_resources(self.exe)
        bitmaps = {name: place for (kind, name, _), place in resources.items() if kind == 2}
        self.assertEqual(sorted(map(str, bitmaps)), sorted(map(str, loaded)))
        places = {}
        for name, picture in loaded.items():
            rva, data = bitmaps[name]
            with open(os.path.join(ROOT, "res", picture + ".bmp"), "rb") as f:
                self.assertEqual(data, f.read()[14:], name)  # the file without its file header
            places.setdefault(picture, set()).add(rva)
        self.assertEqual({picture: len(rvas) for picture, rvas in places.items()}, dict.fromkeys(places, 1))
        # No resource's bytes are stored twice.
        copies = {}
        for rva, data in resources.values():
            copies.setdefault(data, set()).add(rva)
        self.assertEqual([len(rvas) for rvas in copies.values() if len(rvas) > 1], [])

if __name__ == "__main__":
    unittest.main()

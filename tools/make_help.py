#!/usr/bin/env python3
"""Makes Tolvane.HLP from the Japanese guide (README.ja.md), so that the help and the guide
never tell different stories.

    tools/make_help.py --guide README.ja.md --resources res/resource.h --out Tolvane.HLP

The guide's title and opening become the contents topic, with a jump to every section; each
"##" section becomes a topic and each "###" a heading inside it that jumps can reach. A line
"<!-- help: NAME -->" before a heading names its context; a NAME that is a dialog template
of res/resource.h (IDD_...) also gets the numeric context the program passes for that dialog:
HID_BASE_RESOURCE plus the template number. "→ 見出し" in the text, where 見出し is a
heading of the guide, becomes a jump to it. Pictures are left out.
"""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import winhelp  # noqa: E402
from winhelp import HelpError  # noqa: E402

HELP_TITLE = "Tolvane ﾍﾙﾌﾟ"
CONTENTS_CONTEXT = "CONTENTS"
FACE = "ＭＳ Ｐゴシック"
FONT_BODY, FONT_TITLE, FONT_HEADING = 0, 1, 2
CHAR = 20   # one full-width character of the body font, in half points
MARKER = re.compile(r"<!--\s*help:\s*([A-Za-z0-9_.]+)\s*-->")


def resource_numbers(header):
    """The #define NAME NUMBER lines of a resource header."""
    return {m.group(1): int(m.group(2), 0)
            for m in re.finditer(r"^#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)\b", header, re.M)}


def plain_inline(text):
    text = re.sub(r"!\[[^\]]*\]\([^)]*\)", "", text)
    text = re.sub(r"\[([^\]]+)\]\(([^)]*)\)",
                  lambda m: f"{m.group(1)} ({m.group(2)})" if re.match(r"https?:", m.group(2)) else m.group(1),
                  text)
    text = re.sub(r"`([^`]*)`", r"\1", text)
    text = re.sub(r"\*\*(.+?)\*\*", r"\1", text)
    text = re.sub(r"\\([\\`*_{}\[\]()#+\-.!|>~])", r"\1", text)
    return text.strip()


def join_lines(first, second):
    """Joins a wrapped line: Japanese runs on without a space, a Latin word keeps its space."""
    if not first:
        return second
    if first[-1].isascii() and first[-1] not in "(" or second[0].isascii() and first[-1] not in "。、（「":
        return first + " " + second
    return first + second


def parse_blocks(markdown):
    """The guide as blocks: ("heading", level, text, context, line), ("item", depth, marker,
    text, line), ("para", indent, text, line). Pictures and comments are dropped."""
    blocks, open_block, in_code, context = [], None, False, None
    for number, raw in enumerate(markdown.splitlines(), 1):
        marker = MARKER.fullmatch(raw.strip())
        if marker:
            context = marker.group(1)
            open_block = None
            continue
        line = re.sub(r"<!--.*?-->", "", raw).rstrip()
        if line.lstrip().startswith("```"):
            in_code = not in_code
            open_block = None
            continue
        if in_code:
            blocks.append(["para", 2, line.strip() or " ", number])
            continue
        stripped = line.strip()
        if not stripped or re.fullmatch(r"(!\[[^\]]*\]\([^)]*\)\s*)+", stripped):
            open_block = None
            continue
        if stripped.startswith("|"):
            raise HelpError(f"guide line {number}: tables are not written to the help file; use a list")
        if "<!--" in line:
            raise HelpError(f"guide line {number}: a comment that does not close on its line")
        heading = re.match(r"(#{1,6})\s+(.*?)\s*#*$", stripped)
        if heading:
            blocks.append(["heading", len(heading.group(1)), plain_inline(heading.group(2)), context, number])
            context, open_block = None, None
            continue
        if context:
            raise HelpError(f"guide line {number}: the help marker {context!r} stands before no heading")
        indent = len(line) - len(line.lstrip(" "))
        item = re.match(r"([-*+]|\d+\.)\s+(.*)", stripped)
        if item:
            marker_text = "・" if item.group(1) in "-*+" else item.group(1)[:-1] + "．"
            open_block = ["item", indent // 2, marker_text, plain_inline(item.group(2)), number]
            blocks.append(open_block)
            continue
        text = plain_inline(stripped)
        if open_block is not None:
            open_block[-2] = join_lines(open_block[-2], text)
        else:
            open_block = ["para", indent, text, number]
            blocks.append(open_block)
    if in_code:
        raise HelpError("guide: a code block is not closed")
    if context:
        raise HelpError(f"guide: the help marker {context!r} stands before no heading")
    return blocks


def japanese_spacing(text):
    """Japanese text breaks between any two characters and needs no spaces beside Latin words;
    a viewer that breaks lines at spaces only (Wine's) would leave half-empty lines at them.
    Spaces between two Latin words stay, ": " becomes a full-width colon, and the program's
    own texts quoted in 「」 stay as they are."""
    if text.isascii():
        return text
    parts = re.split(r"(「[^「」]*」)", text)
    for n in range(0, len(parts), 2):
        part = re.sub(r": +", "：", parts[n])
        parts[n] = re.sub(r"(?<=[^\x00-\x7f]) +| +(?=[^\x00-\x7f])", "", part)
    return "".join(parts)


def add_words(paragraph, text):
    paragraph.text(japanese_spacing(text))


def add_text(paragraph, text, targets):
    """The text with every "→ 見出し" as a jump to that heading's context."""
    titles = sorted(targets, key=len, reverse=True)
    rest = text
    while True:
        arrow = rest.find("→")
        if arrow < 0:
            break
        after = rest[arrow + 1:].lstrip(" ")
        title = next((t for t in titles if after.startswith(t)), None)
        if title is None:
            add_words(paragraph, rest[:arrow + 1])
            rest = rest[arrow + 1:]
            continue
        start = len(rest) - len(after)
        add_words(paragraph, rest[:start])
        paragraph.jump(title, targets[title])
        rest = after[len(title):]
    if rest:
        add_words(paragraph, rest)


def guide_to_help(markdown, resource_header):
    """The HelpFile of the guide."""
    numbers = resource_numbers(resource_header)
    blocks = parse_blocks(markdown)
    headings = [b for b in blocks if b[0] == "heading"]
    if not headings or headings[0][1] != 1 or blocks[0] is not headings[0]:
        raise HelpError("guide: it must begin with its title, a '#' heading")
    if sum(1 for h in headings if h[1] == 1) != 1:
        raise HelpError("guide: one '#' heading only, its title")

    # Context strings of the headings, and the numeric contexts of the marked dialogs.
    doc = winhelp.HelpFile(HELP_TITLE)
    doc.copyright = "Copyright (c) the Tolvane authors. MIT License."
    doc.font(FACE, 20, family="modern")
    doc.font(FACE, 28, bold=True, family="modern")
    doc.font(FACE, 22, bold=True, family="modern")
    section = sub = 0
    names, targets = {}, {}
    for h in headings:
        level, title, marker, line = h[1], h[2], h[3], h[4]
        if level > 3:
            raise HelpError(f"guide line {line}: headings go down to '###' only")
        if level == 1:
            name = marker or CONTENTS_CONTEXT
        elif level == 2:
            section, sub = section + 1, 0
            name = marker or f"SECTION{section}"
        else:
            if not section:
                raise HelpError(f"guide line {line}: a '###' heading before the first '##' section")
            sub += 1
            name = marker or f"SECTION{section}_{sub}"
        names[id(h)] = name
        if title in targets:
            raise HelpError(f"guide line {line}: the heading {title!r} is there twice")
        targets[title] = name
        if marker and marker.startswith("IDD_"):
            if marker not in numbers or "HID_BASE_RESOURCE" not in numbers:
                raise HelpError(f"guide line {line}: {marker} is not a dialog template of the resources")
            doc.maps[numbers["HID_BASE_RESOURCE"] + numbers[marker]] = name
    doc.contents = names[id(headings[0])]

    topic = None
    for b in blocks:
        if b[0] == "heading":
            level, title = b[1], b[2]
            if level <= 2:
                topic = doc.topic(title, names[id(b)])
                topic.paragraph(font=FONT_TITLE, space_after=8).text(title)
                if level == 1:
                    contents = topic
            else:
                topic.paragraph(font=FONT_HEADING, space_before=14, space_after=2, context=names[id(b)]).text(title)
        elif b[0] == "item":
            depth, marker_text, text = b[1], b[2], b[3]
            p = topic.paragraph(space_before=3, left_indent=CHAR * (depth + 1), first_indent=-CHAR)
            p.text(marker_text)
            add_text(p, text, targets)
        else:
            indent, text = b[1], b[2]
            add_text(topic.paragraph(space_before=6, left_indent=CHAR * (indent // 2)), text, targets)

    # The contents topic ends with a jump to every section, and to the headings within.
    contents.paragraph(font=FONT_HEADING, space_before=14, space_after=2).text("目次")
    for h in headings[1:]:
        depth = h[1] - 2
        contents.paragraph(space_before=3, left_indent=CHAR * (depth + 1), first_indent=-CHAR) \
            .text("・").jump(h[2], names[id(h)])
    return doc


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--guide", required=True)
    parser.add_argument("--resources", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args(argv)
    try:
        with open(args.guide, encoding="utf-8") as f:
            markdown = f.read()
        with open(args.resources, encoding="utf-8") as f:
            header = f.read()
        data = winhelp.build(guide_to_help(markdown, header))
        tmp = args.out + ".tmp"
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, args.out)
    except (HelpError, OSError, UnicodeDecodeError) as e:
        print(f"make_help: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

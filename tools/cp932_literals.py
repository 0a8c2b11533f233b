#!/usr/bin/env python3
"""Copies C++ sources into a mirror tree with every non-ASCII character of a plain string or
character literal written as octal escapes of its code page 932 bytes.

The builds with gcc get those bytes from -fexec-charset=CP932; clang has no such option, so
the clang builds (the fuzzers) compile these copies instead. Comments, u8/u/U/L literals and
everything outside literals are copied unchanged, so the copies differ from the sources only
where a literal would otherwise come out as UTF-8. A copy is rewritten only when its contents
change, so an unchanged source does not rebuild.

Usage: cp932_literals.py ROOT OUT FILE...   (FILE relative to ROOT; copies go to OUT/FILE)
"""
import os
import sys


class LiteralError(Exception):
    pass


def escape_text(text, where):
    """The literal's body with non-ASCII characters as octal escapes of their CP932 bytes.
    Octal escapes take at most three digits, so a digit after one never joins it."""
    out = []
    for ch in text:
        if ord(ch) < 0x80:
            out.append(ch)
            continue
        try:
            data = ch.encode("cp932")
        except UnicodeEncodeError:
            raise LiteralError(f"{where}: {ch!r} has no code page 932 form")
        out.extend(f"\\{b:03o}" for b in data)
    return "".join(out)


def is_ident(ch):
    return ch.isalnum() or ch == "_"


def convert(src, where):
    out = []
    i, n = 0, len(src)
    while i < n:
        c = src[i]
        if src.startswith("//", i):
            j = src.find("\n", i)
            j = n if j < 0 else j
            out.append(src[i:j])
            i = j
        elif src.startswith("/*", i):
            j = src.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(src[i:j])
            i = j
        elif c in "\"'":
            # The identifier right before the quote is its prefix (u8, L, R, u8R...), or a number
            # for a digit separator (1'000).
            k = i
            while k > 0 and is_ident(src[k - 1]):
                k -= 1
            prefix = src[k:i]
            if c == "'" and prefix and prefix[0].isdigit():
                out.append(c)
                i += 1
                continue
            if c == '"' and prefix.endswith("R"):
                open_paren = src.find("(", i)
                delim = src[i + 1:open_paren]
                end = src.find(")" + delim + '"', open_paren)
                if open_paren < 0 or end < 0:
                    raise LiteralError(f"{where}: unterminated raw string")
                end += len(delim) + 2
                body = src[i:end]
                if prefix == "R" and any(ord(ch) >= 0x80 for ch in body):
                    raise LiteralError(f"{where}: a raw string cannot hold escapes; write it plainly")
                out.append(body)
                i = end
                continue
            j = i + 1
            while j < n and src[j] != c:
                if src[j] == "\\":
                    j += 1
                elif src[j] == "\n":
                    raise LiteralError(f"{where}: unterminated literal")
                j += 1
            body = src[i + 1:j]
            plain = prefix not in ("u8", "u", "U", "L")
            out.append(c + (escape_text(body, where) if plain else body) + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    root, out_dir, files = argv[0], argv[1], argv[2:]
    for name in files:
        with open(os.path.join(root, name), encoding="utf-8") as f:
            text = f.read()
        try:
            converted = convert(text, name)
        except LiteralError as e:
            print(f"cp932_literals: {e}", file=sys.stderr)
            return 1
        target = os.path.join(out_dir, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        try:
            with open(target, encoding="utf-8") as f:
                if f.read() == converted:
                    continue
        except FileNotFoundError:
            pass
        with open(target, "w", encoding="utf-8", newline="") as f:
            f.write(converted)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

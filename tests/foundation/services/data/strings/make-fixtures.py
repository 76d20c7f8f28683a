#!/usr/bin/env python3
# Writes the string-file fixtures: one table of German texts in four encodings, each with the
# same grammar (continued lines, comments, conditionals, an id split from its comma), then an
# English table. Run from this folder.
TEMPLATE = """junk before any table is skipped, even String 5, "no"
StringTable deDE {encoding}   the rest of the header line is ignored
\tString\t100,\t"A"
\tString\tNext,\t"B"   after the closing quote: ignored
\tString\t200,\t"one "
\t\t"two "
   \t"three"
\t/* a block comment
\t   over two lines */String\t201,\t"after the comment"
\t// a line comment: String 999, "never"
#ifdef EA_OS_MACOSX
\tString\t300,\t"mac"
#endif
#ifdef WIN
\tString\t301,\t"win"
#ifdef EA_OS_MACOSX
\tString\t302,\t"nested in win"
#endif
\tString\t303,\t"still win"
#endif
#ifndef WIN
\tString\t304,\t"not win"
#endif
\tString\t400,\t"{native} \\"quoted\\" tab\\tend"
\tString\t401 , "the comma ends the table"
\tString\t402,\t"outside any table: skipped"
EndStringTable
StringTable English {encoding}
\tString\t100,\t"English A"
EndStringTable
"""

FIXTURES = [
    ("winansi.lng", "WinAnsiEncoding", "Gr\u00fc\u00dfe", "cp1252", b"", "\r\n"),
    ("utf16le.lng", "UnicodeEncoding", "Gr\u00fc\u00dfe", "utf-16-le", b"\xff\xfe", "\r"),
    ("utf8.lng", "UTF8Encoding", "Gr\u00fc\u00dfe \u65e5\u672c\u8a9e", "utf-8", b"\xef\xbb\xbf", "\n"),
    # 0x955C: a Shift-JIS character whose trail byte is the backslash byte.
    ("shiftjis.lng", "ShiftJISEncoding", "\u65e5\u672c\u8a9e\u8868\u793a", "shift_jis", b"", "\n"),
]

for name, encoding, native, codec, mark, eol in FIXTURES:
    text = TEMPLATE.format(encoding=encoding, native=native).replace("\n", eol)
    with open(name, "wb") as f:
        f.write(mark + text.encode(codec))

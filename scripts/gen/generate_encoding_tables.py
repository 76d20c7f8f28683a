#!/usr/bin/python3
"""Generates the data tables of the encodings under foundation/core/text/encodings/generated/.

Run with Debian's own python3 (it imports python3-pdfminer). See README.md beside this file for
the inputs and the packages that provide them. Every table is checked against a second source
while it is built; differences that are expected are listed with their reason, anything else
stops the generator.

    scripts/gen/generate_encoding_tables.py            write the tables
    scripts/gen/generate_encoding_tables.py --check    regenerate into a temporary folder and
                                                       compare with the committed files
"""

import argparse
import ast
import filecmp
import glob
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))
OUT_DIR = os.path.join(ROOT, 'foundation', 'core', 'text', 'encodings', 'generated')
INCLUDE_DIR = 'core/text/encodings/generated/'
# The shared data folder beside the repository; --data names another.
DATA_DIR = os.path.normpath(os.path.join(ROOT, '..', 'shared', 'data'))
GLYPHLIST = os.path.join(DATA_DIR, 'glyphlists', 'glyphlist.txt')
ZAPFDINGBATS = os.path.join(DATA_DIR, 'glyphlists', 'zapfdingbats.txt')
LATIN_ENC = '/usr/lib/python3/dist-packages/pdfminer/latin_enc.py'
PYPDF_PDFDOC = '/usr/lib/python3/dist-packages/pypdf/_codecs/pdfdoc.py'
GS_INIT_GLOB = '/usr/share/ghostscript/*/Resource/Init'

GENERATOR = 'scripts/gen/generate_encoding_tables.py'
UNICODE_VERSION = '15.0'


def fail(message):
    sys.exit('generate_encoding_tables: ' + message)


def note(message):
    print(message)


def expect(condition, message):
    if not condition:
        fail(message)


# ----------------------------------------------------------------------------------------------
# Inputs

def read_glyph_list(path):
    """Rows (name, [values]) in file order."""
    rows = []
    with open(path, encoding='ascii') as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith('#'):
                continue
            name, values = line.split(';')
            rows.append((name, [int(v, 16) for v in values.split()]))
    return rows


def read_license_header(path):
    """The copyright comment block at the top of a glyph list file, without the comment marks."""
    lines = []
    with open(path, encoding='ascii') as f:
        for line in f:
            if not line.startswith('#'):
                break
            text = line[1:].rstrip()
            if text.startswith(' Name:'):
                break
            lines.append(text[1:] if text.startswith(' ') else text)
    return [l for l in lines if not l.startswith('---')]


def read_pdf_latin_set():
    """The Latin character set of PDF as pdfminer carries it: rows (name, std, mac, win, pdf)."""
    expect(os.path.exists(LATIN_ENC), LATIN_ENC + ' is missing: apt-get install python3-pdfminer')
    with open(LATIN_ENC, encoding='utf-8') as f:
        tree = ast.parse(f.read())
    for node in ast.walk(tree):
        if isinstance(node, ast.AnnAssign) and getattr(node.target, 'id', '') == 'ENCODING':
            return ast.literal_eval(node.value)
        if isinstance(node, ast.Assign) and any(getattr(t, 'id', '') == 'ENCODING' for t in node.targets):
            return ast.literal_eval(node.value)
    fail('no ENCODING table in ' + LATIN_ENC)


def ghostscript_init_dir():
    dirs = sorted(glob.glob(GS_INIT_GLOB))
    expect(dirs, 'Ghostscript encoding files are missing: apt-get install libgs10-common')
    return dirs[-1]


def read_ghostscript_encodings():
    """The encoding vectors of Ghostscript's init files, expanded: {name: [256 glyph names]}."""
    init = ghostscript_init_dir()
    files = ['gs_std_e.ps', 'gs_il1_e.ps', 'gs_mro_e.ps', 'gs_wan_e.ps', 'gs_pdf_e.ps', 'gs_mex_e.ps']
    vectors = {}
    for file_name in files:
        with open(os.path.join(init, file_name), encoding='latin-1') as f:
            text = re.sub(r'%[^\n]*', '', f.read())
        match = re.search(r'/(\w+Encoding)\s', text)
        expect(match, 'no encoding in ' + file_name)
        tokens = re.findall(r'/[^\s/\[\]{}()]+|[^\s/\[\]{}()]+', text[match.end():])
        vector = []
        i = 0
        while len(vector) < 256:
            token = tokens[i]
            if token.startswith('/'):
                vector.append(token[1:])
                i += 1
            elif token in vectors and tokens[i + 3:i + 6] == ['getinterval', 'aload', 'pop']:
                start, count = int(tokens[i + 1]), int(tokens[i + 2])
                vector.extend(vectors[token][start:start + count])
                i += 6
            else:
                fail('unexpected token %r in %s' % (token, file_name))
        expect(len(vector) == 256, file_name + ' does not give 256 names')
        vectors[match.group(1)] = [None if n == '.notdef' else n for n in vector]
    return vectors


class Tools:
    """The ICU dump program, built once into a temporary folder."""

    def __init__(self, workdir):
        self.ucd_dump = os.path.join(workdir, 'ucd_dump')
        flags = subprocess.run(['pkg-config', '--cflags', '--libs', 'icu-uc'], check=True,
                               capture_output=True, text=True).stdout.split()
        subprocess.run(['g++', '-std=c++17', '-O1', os.path.join(HERE, 'ucd_dump.cpp'), '-o',
                        self.ucd_dump] + flags, check=True)

    def run(self, *args, stdin=None):
        return subprocess.run([self.ucd_dump] + list(args), input=stdin, check=True,
                              capture_output=True, text=True).stdout


# ----------------------------------------------------------------------------------------------
# Glyph lists

def build_glyph_lists(tools):
    agl = read_glyph_list(GLYPHLIST)
    single = [(name, values[0]) for name, values in agl if len(values) == 1]
    expect(len(single) == 4200, 'the glyph list has %d single-value names, not 4200' % len(single))
    names = [name for name, _ in single]
    expect(names == sorted(names), 'the glyph list is not in byte order of its names')
    expect(all(v < 0x10000 for _, v in single), 'a glyph list value is outside the BMP')
    note('glyph list: %d names, %d with one value, %d with several (left out)'
         % (len(agl), len(single), len(agl) - len(single)))

    dingbats = [(name, values[0]) for name, values in read_glyph_list(ZAPFDINGBATS)]
    query = ''.join('%04X\n' % v for _, v in dingbats)
    char_names = dict(line.split('\t') for line in tools.run('names', stdin=query).splitlines())
    dingbat_rows = []
    unnamed = []
    for name, value in dingbats:
        char_name = char_names['%04X' % value]
        if char_name:
            dingbat_rows.append((char_name, value))
        else:
            unnamed.append(name)
        dingbat_rows.append((name, value))
    note('dingbats: %d, %d with a Unicode character name, rows %d%s'
         % (len(dingbats), len(dingbats) - len(unnamed), len(dingbat_rows),
            (' (unnamed: %s)' % ' '.join(unnamed)) if unnamed else ''))

    rows = [(v, n) for n, v in single] + [(v, n) for n, v in dingbat_rows]
    all_names = [n for _, n in rows]
    expect(len(set(all_names)) == len(all_names), 'a glyph name occurs twice')
    per_value = {}
    for value, _ in rows:
        per_value[value] = per_value.get(value, 0) + 1
    multi = sum(1 for c in per_value.values() if c > 1)
    stats = {
        'rows': len(rows), 'agl': len(single), 'dingbats': len(dingbats),
        'dingbat_rows': len(dingbat_rows), 'values': len(per_value),
        'single': len(per_value) - multi, 'multi': multi,
    }
    note('glyph-name rows: %(rows)d; distinct values %(values)d, %(single)d with one name, '
         '%(multi)d with several' % stats)
    return rows, stats


# ----------------------------------------------------------------------------------------------
# Single-byte encodings

def build_latin_rows():
    source = read_pdf_latin_set()
    rows = []
    seen_space = False
    for name, std, mac, win, pdf in source:
        # pdfminer adds three rows of its own for the second codes of space and for nbspace:
        # the published character set has them only as notes. The two notes become the last rows.
        if name == 'nbspace':
            continue
        if name == 'space':
            if seen_space:
                continue
            seen_space = True
        rows.append((std or 0, mac or 0, win or 0, pdf or 0, name))
    expect(len(rows) == 229, 'the Latin character set has %d rows, not 229' % len(rows))
    names = [r[4] for r in rows]
    expect(names == sorted(names, key=lambda n: (n.lower(), n)) or names == sorted(names),
           'the Latin character set is not in name order')
    rows.append((0, 0, 0xAD, 0, 'hyphen'))
    rows.append((0, 0xCA, 0xA0, 0, 'space'))
    counts = [sum(1 for r in rows if r[i]) for i in range(4)]
    expect(counts == [149, 208, 218, 229], 'code counts %r' % counts)
    note('Latin character set: %d rows; codes: Standard %d, MacRoman %d, WinAnsi %d, PDFDoc %d'
         % tuple([len(rows)] + counts))
    return rows


def vector_from_rows(rows, column):
    vector = [None] * 256
    for row in rows:
        code = row[column]
        if code:
            expect(vector[code] is None, 'code %02X given twice' % code)
            vector[code] = row[4]
    return vector


def compare_vectors(label, ours, theirs, allowed):
    """Byte-by-byte check of an encoding vector against Ghostscript's; allowed: {code: reason}."""
    for code in range(256):
        if ours[code] == theirs[code]:
            continue
        reason = allowed.get(code)
        expect(reason, '%s 0x%02X: %s here, %s in Ghostscript' % (label, code, ours[code], theirs[code]))
        note('  %s 0x%02X: %s here, %s in Ghostscript (%s)' % (label, code, ours[code], theirs[code], reason))


def build_single_byte(tools):
    latin = build_latin_rows()
    gs = read_ghostscript_encodings()
    vectors = {
        'Standard': vector_from_rows(latin, 0),
        'MacRoman': vector_from_rows(latin, 1),
        'WinAnsi': vector_from_rows(latin, 2),
        'PDFDoc': vector_from_rows(latin, 3),
        'MacExpert': gs['MacExpertEncoding'],
    }
    note('check against Ghostscript encoding vectors:')
    compare_vectors('Standard', vectors['Standard'], gs['StandardEncoding'], {})
    compare_vectors('MacRoman', vectors['MacRoman'], gs['MacRomanEncoding'], {})
    unused = 'unused code: the bullet is added by the encoding, not part of the character set'
    compare_vectors('WinAnsi', vectors['WinAnsi'], gs['WinAnsiEncoding'],
                    {c: unused for c in (0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D)})
    compare_vectors('PDFDoc', vectors['PDFDoc'], gs['PDFDocEncoding'], {})

    expert = [(code, name) for code, name in enumerate(vectors['MacExpert']) if name]
    expect(len(expert) == 165, 'MacExpertEncoding has %d codes, not 165' % len(expert))

    agl = dict((name, values[0]) for name, values in read_glyph_list(GLYPHLIST) if len(values) == 1)
    pua = sum(1 for _, name in expert if 0xE000 <= agl.get(name, 0) <= 0xF8FF)
    expect(pua == 115, '%d MacExpert names have private-use values, not 115' % pua)
    note('MacExpertEncoding: %d codes, %d with private-use values' % (len(expert), pua))
    for vector in vectors.values():
        for name in vector:
            expect(name is None or name in agl, 'glyph %s is not in the glyph list' % name)

    def through_names(vector):
        return [agl[n] if n else 0 for n in vector]

    mac = through_names(vectors['MacRoman'])
    for code in list(range(0x01, 0x20)) + [0x7F]:
        mac[code] = code
    win = through_names(vectors['WinAnsi'])
    for code in (0x09, 0x0A, 0x0D):
        win[code] = code
    for code in range(0x21, 0x100):
        if not vectors['WinAnsi'][code]:
            win[code] = 0x2022
    pdf = through_names(vectors['PDFDoc'])
    for code in (0x09, 0x0A, 0x0D):
        pdf[code] = code
    pdf[0x87] = 0x00F7
    pdf[0x8A] = 0x002D
    ascii_table = [c if 0x07 <= c <= 0x7F else 0 for c in range(256)]

    check_against_icu(tools, mac, win)
    check_pdfdoc_against_pypdf(pdf)

    return {
        'latin': latin, 'expert': expert, 'vectors': vectors,
        'ascii': ascii_table, 'mac': mac, 'win': win, 'pdf': pdf,
        'rev_mac': reverse_table(mac, skip=()),
        'rev_win': reverse_table(win, skip=range(0x7F, 0xA0)),
        'rev_pdf': reverse_table(pdf, skip=()),
    }


MAC_NOT_IN_LATIN_SET = (0xAD, 0xB0, 0xB2, 0xB3, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBD, 0xC3, 0xC5, 0xC6,
                        0xD7, 0xF0)


def icu_table(tools, converter):
    table = []
    for line in tools.run('convert', converter).splitlines():
        code, value = line.split()
        table.append(None if value == '-' else int(value, 16))
    return table


def check_against_icu(tools, mac, win):
    # 0x00 needs no entry: "no value" and U+0000 are both 0 in the tables.
    mac_reasons = {0xCA: 'PDF gives 0xCA the glyph space',
                   0xDB: 'PDF gives 0xDB the glyph currency'}
    for code in MAC_NOT_IN_LATIN_SET:
        mac_reasons[code] = 'not in the Latin character set of PDF'
    win_reasons = {0xA0: 'PDF gives 0xA0 the glyph space', 0xAD: 'PDF gives 0xAD the glyph hyphen'}
    for code in list(range(0x01, 0x09)) + [0x0B, 0x0C] + list(range(0x0E, 0x20)):
        win_reasons[code] = 'control code without value'
    for code in (0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D):
        win_reasons[code] = 'unused code: bullet'
    for label, ours, converter, reasons in (('MacRoman', mac, 'macintosh', mac_reasons),
                                            ('WinAnsi', win, 'windows-1252', win_reasons)):
        theirs = icu_table(tools, converter)
        note('check %s against ICU "%s":' % (label, converter))
        for code in range(256):
            if ours[code] == theirs[code]:
                continue
            reason = reasons.get(code)
            their_text = 'none' if theirs[code] is None else 'U+%04X' % theirs[code]
            expect(reason, '%s 0x%02X: U+%04X here, %s in ICU' % (label, code, ours[code], their_text))
            note('  0x%02X: %s here, %s in ICU (%s)'
                 % (code, 'U+%04X' % ours[code] if ours[code] else 'none', their_text, reason))
        unexplained = [c for c in reasons if ours[c] == theirs[c]]
        expect(not unexplained, '%s: listed differences that are none: %r' % (label, unexplained))


def check_pdfdoc_against_pypdf(pdf):
    if not os.path.exists(PYPDF_PDFDOC):
        note('python3-pypdf is not installed: PDFDocEncoding not cross-checked')
        return
    with open(PYPDF_PDFDOC, encoding='utf-8') as f:
        tree = ast.parse(f.read())
    theirs = None
    for node in ast.walk(tree):
        if isinstance(node, (ast.Assign, ast.AnnAssign)):
            targets = node.targets if isinstance(node, ast.Assign) else [node.target]
            if any(getattr(t, 'id', '') == '_pdfdoc_encoding' for t in targets):
                theirs = [ord(c) for c in ast.literal_eval(node.value)]
    expect(theirs and len(theirs) == 256, 'no PDFDocEncoding table in pypdf')
    reasons = {0x87: 'kept as U+00F7 on purpose', 0x8A: 'kept as U+002D on purpose'}
    for code in list(range(0x00, 0x09)) + [0x0B, 0x0C] + list(range(0x0E, 0x18)) + [0x7F, 0x9F, 0xAD]:
        reasons[code] = 'control or undefined code without value'
    note('check PDFDoc against pypdf:')
    for code in range(256):
        if pdf[code] == theirs[code]:
            continue
        reason = reasons.get(code)
        expect(reason, 'PDFDoc 0x%02X: U+%04X here, U+%04X in pypdf' % (code, pdf[code], theirs[code]))
        if code not in range(0x18):
            note('  0x%02X: U+%04X here, U+%04X in pypdf (%s)' % (code, pdf[code], theirs[code], reason))


def reverse_table(to_unicode, skip):
    reverse = [0] * 256
    for code in range(256):
        if code in skip:
            continue
        value = to_unicode[code]
        if 1 <= value <= 255 and reverse[value] == 0:
            reverse[value] = code
    return reverse


# ----------------------------------------------------------------------------------------------
# Compatibility characters

def build_compat(tools):
    pairs = [tuple(int(x, 16) for x in line.split()) for line in tools.run('compat').splitlines()]
    kangxi = sum(1 for c, _ in pairs if 0x2F00 <= c <= 0x2FD5)
    hangul = sum(1 for c, _ in pairs if 0x3131 <= c <= 0x318E)
    note('compatibility characters: %d with a one-character <compat> decomposition '
         '(%d Kangxi radicals, %d Hangul letters)' % (len(pairs), kangxi, hangul))
    pairs.append((0x00A0, 0x0020))
    pairs.append((0x00AD, 0x002D))
    pairs.sort()
    expect(len(set(c for c, _ in pairs)) == len(pairs), 'a compatibility character occurs twice')
    note('compatibility table: %d pairs' % len(pairs))
    return pairs


# ----------------------------------------------------------------------------------------------
# Mac OS Japanese

def build_mac_japanese(workdir):
    result = subprocess.run(['perl', os.path.join(HERE, 'macjapanese_dump.pl')], check=True,
                            capture_output=True, text=True)
    forward = {}
    for line in result.stdout.splitlines():
        code, units = line.split('\t')
        forward[int(code, 16)] = tuple(int(u, 16) for u in units.split())
    # Encode's table leaves DEL out; every control code of the Mac encodings maps to itself.
    expect(0x7F not in forward, 'Encode now maps 0x7F')
    forward[0x7F] = (0x7F,)
    one_way = [line for line in result.stderr.splitlines() if line.startswith('one-way')]
    multi = [c for c, u in forward.items() if len(u) > 1]
    expect(len(one_way) == len(multi), 'Encode fails to encode a one-character mapping')
    reverse = {}
    for code, units in forward.items():
        expect(units not in reverse, 'two codes decode to the same text')
        reverse[units] = code
    max_len = max(len(u) for u in forward.values())
    note('Mac OS Japanese (%s): %d mappings, %d single-byte, %d multi-character, longest %d units'
         % (result.stderr.splitlines()[0], len(forward), sum(1 for c in forward if c < 0x100),
            len(multi), max_len))
    return forward, reverse, max_len


# ----------------------------------------------------------------------------------------------
# Output

def c_string(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


def generated_banner(sources):
    lines = ['// Generated by %s; do not edit.' % GENERATOR, '// Sources:']
    lines += ['//   %s' % s for s in sources]
    return '\n'.join(lines) + '\n'


def format_numbers(values, digits, per_line=8):
    fmt = '0x%%0%dX' % digits
    lines = []
    for i in range(0, len(values), per_line):
        lines.append('    ' + ', '.join(fmt % v for v in values[i:i + per_line]) + ',')
    return '\n'.join(lines)


def format_names(vector):
    lines = []
    for i in range(0, 256, 4):
        items = ['nullptr' if n is None else c_string(n) for n in vector[i:i + 4]]
        lines.append('    /* 0x%02X */ %s,' % (i, ', '.join(items)))
    return '\n'.join(lines)


def write(path, text):
    with open(path, 'w', encoding='ascii', newline='\n') as f:
        f.write(text)


def write_single_byte(out, data):
    sources = ['the Latin character set of PDF (python3-pdfminer: pdfminer/latin_enc.py),',
               'the encoding vectors of Ghostscript (libgs10-common: Resource/Init/gs_*_e.ps),',
               'the Adobe Glyph List for the Unicode values of the glyph names.']
    header = generated_banner(sources) + '''//
// Data of the simple encodings of PDF: glyph names by encoding, the byte-to-Unicode tables of
// MacRoman, WinAnsi, PDFDoc and ASCII, and the Unicode-to-byte tables for the Latin-1 range.
// Plain read-only arrays; a Unicode value or byte of 0 means "none".
#pragma once

#include <cstdint>

// One character of the Latin character set: its code in each encoding (0 = not encoded there).
struct GLatinGlyphRow {
    uint8_t standardCode;
    uint8_t macRomanCode;
    uint8_t winAnsiCode;
    uint8_t pdfDocCode;
    const char* name;
};

struct GMacExpertGlyphRow {
    uint8_t code;
    const char* name;
};

// The Latin character set in glyph-name order ("A" to "zero"), then two rows with the second
// codes of "hyphen" (WinAnsi 0xAD) and "space" (MacRoman 0xCA, WinAnsi 0xA0).
constexpr int cLatinGlyphRowCount = %(latin_count)d;
extern const GLatinGlyphRow cLatinGlyphNames[cLatinGlyphRowCount];

// MacExpertEncoding, one row per code, in code order.
constexpr int cMacExpertGlyphRowCount = %(expert_count)d;
extern const GMacExpertGlyphRow cMacExpertGlyphNames[cMacExpertGlyphRowCount];

// The same glyph names as 256-entry vectors indexed by byte (nullptr = no glyph). WinAnsi's
// unused codes are empty here: the encoding itself names them "bullet".
extern const char* const cStandardEncodingVector[256];
extern const char* const cMacRomanEncodingVector[256];
extern const char* const cWinAnsiEncodingVector[256];
extern const char* const cPDFDocEncodingVector[256];
extern const char* const cMacExpertEncodingVector[256];

// Byte to Unicode. ASCII: 0x07 to 0x7F map to themselves. MacRoman: Mac OS Roman, but codes
// outside the Latin character set have no value, 0xCA is U+0020 and 0xDB U+00A4; 0x01 to 0x1F and
// 0x7F map to themselves. WinAnsi: Windows-1252, but of the controls only 0x09, 0x0A and 0x0D have
// values, the unused codes are U+2022, 0xA0 is U+0020 and 0xAD U+002D. PDFDoc: PDFDocEncoding, but
// 0x87 is U+00F7 and 0x8A U+002D; 0x09, 0x0A and 0x0D map to themselves.
extern const uint16_t cASCIIToUnicode[256];
extern const uint16_t cMacRomanToUnicode[256];
extern const uint16_t cWinAnsiToUnicode[256];
extern const uint16_t cPDFDocToUnicode[256];

// Unicode value below 0x100 to byte: the lowest byte whose value it is (WinAnsi skips 0x7F to 0x9F).
extern const uint8_t cUnicodeToMacRoman[256];
extern const uint8_t cUnicodeToWinAnsi[256];
extern const uint8_t cUnicodeToPDFDoc[256];
''' % {'latin_count': len(data['latin']), 'expert_count': len(data['expert'])}
    write(os.path.join(out, 'GSingleByteTables.h'), header)

    parts = [generated_banner(sources), '#include "' + INCLUDE_DIR + 'GSingleByteTables.h"\n']
    rows = ['    {0x%02X, 0x%02X, 0x%02X, 0x%02X, %s},' % (s, m, w, p, c_string(n))
            for s, m, w, p, n in data['latin']]
    parts.append('const GLatinGlyphRow cLatinGlyphNames[cLatinGlyphRowCount] = {\n'
                 '    // Standard, MacRoman, WinAnsi, PDFDoc, name\n' + '\n'.join(rows) + '\n};\n')
    rows = ['    {0x%02X, %s},' % (c, c_string(n)) for c, n in data['expert']]
    parts.append('const GMacExpertGlyphRow cMacExpertGlyphNames[cMacExpertGlyphRowCount] = {\n'
                 + '\n'.join(rows) + '\n};\n')
    for label in ('Standard', 'MacRoman', 'WinAnsi', 'PDFDoc', 'MacExpert'):
        parts.append('const char* const c%sEncodingVector[256] = {\n%s\n};\n'
                     % (label, format_names(data['vectors'][label])))
    for symbol, key in (('cASCIIToUnicode', 'ascii'), ('cMacRomanToUnicode', 'mac'),
                        ('cWinAnsiToUnicode', 'win'), ('cPDFDocToUnicode', 'pdf')):
        parts.append('const uint16_t %s[256] = {\n%s\n};\n' % (symbol, format_numbers(data[key], 4)))
    for symbol, key in (('cUnicodeToMacRoman', 'rev_mac'), ('cUnicodeToWinAnsi', 'rev_win'),
                        ('cUnicodeToPDFDoc', 'rev_pdf')):
        parts.append('const uint8_t %s[256] = {\n%s\n};\n' % (symbol, format_numbers(data[key], 2, 16)))
    write(os.path.join(out, 'GSingleByteTables.cpp'), '\n'.join(parts))


def write_glyph_lists(out, rows, stats):
    notice = read_license_header(GLYPHLIST)
    expect(notice and notice[0].startswith('Copyright'), 'no copyright notice in the glyph list')
    sources = ['the Adobe Glyph List 2.0 and the ITC Zapf Dingbats Glyph List 2.0',
               '(glyphlists/ of the shared data folder, licence in its LICENSE.md),',
               'Unicode %s character names from ICU for the dingbats.' % UNICODE_VERSION]
    header = generated_banner(sources) + '''//
// Glyph names and their Unicode values: the Adobe Glyph List and the ITC Zapf Dingbats list.
#pragma once

#include <cstdint>

struct GGlyphNameRow {
    uint16_t unicode;
    const char* name;
};

// First the glyph list's names that have one Unicode value, in byte order of the names (so a
// binary search with strcmp works on them); then, for each dingbat in list order, its Unicode
// character name in capitals (where it has one) followed by its number name ("a1").
// All names are different; a value may have several names.
constexpr int cAdobeGlyphListRowCount = %(agl)d;
constexpr int cZapfDingbatsCount = %(dingbats)d;
constexpr int cZapfDingbatsRowCount = %(dingbat_rows)d;
constexpr int cUnicodeGlyphNameRowCount = %(rows)d;
extern const GGlyphNameRow cUnicodeGlyphNames[cUnicodeGlyphNameRowCount];

// Counts over all rows, for sizing dictionaries: distinct values, values with exactly one name,
// values with more than one name.
constexpr int cGlyphNameValueCount = %(values)d;
constexpr int cGlyphNameSingleNameValueCount = %(single)d;
constexpr int cGlyphNameMultiNameValueCount = %(multi)d;
''' % stats
    write(os.path.join(out, 'GGlyphListTables.h'), header)

    # The lists' licence asks that source redistributions keep the notice (LICENSE.md beside them).
    license_block = '\n'.join(('// ' + l).rstrip() for l in notice)
    body = ['    {0x%04X, %s},' % (v, c_string(n)) for v, n in rows]
    body.insert(stats['agl'], '    // ITC Zapf Dingbats')
    text = (generated_banner(sources) + '//\n' + license_block + '\n\n#include "' + INCLUDE_DIR + 'GGlyphListTables.h"\n\n'
            'const GGlyphNameRow cUnicodeGlyphNames[cUnicodeGlyphNameRowCount] = {\n'
            + '\n'.join(body) + '\n};\n')
    write(os.path.join(out, 'GGlyphListTables.cpp'), text)


def write_compat(out, pairs):
    sources = ['Unicode %s character data (decomposition types and mappings) from ICU.' % UNICODE_VERSION]
    header = generated_banner(sources) + '''//
// Compatibility characters and the one character that replaces each.
#pragma once

#include <cstdint>

struct GCompatCharRow {
    uint16_t character;
    uint16_t replacement;
};

// Every BMP character whose compatibility decomposition (type <compat>) is one BMP character,
// with U+00A0 -> U+0020 and U+00AD -> U+002D; sorted by character.
constexpr int cUnicodeCompatCharCount = %d;
extern const GCompatCharRow cUnicodeCompatChars[cUnicodeCompatCharCount];
''' % len(pairs)
    write(os.path.join(out, 'GCompatCharTables.h'), header)
    body = []
    for i in range(0, len(pairs), 6):
        body.append('    ' + ' '.join('{0x%04X, 0x%04X},' % p for p in pairs[i:i + 6]))
    text = (generated_banner(sources) + '\n#include "' + INCLUDE_DIR + 'GCompatCharTables.h"\n\n'
            'const GCompatCharRow cUnicodeCompatChars[cUnicodeCompatCharCount] = {\n'
            + '\n'.join(body) + '\n};\n')
    write(os.path.join(out, 'GCompatCharTables.cpp'), text)


def write_mac_japanese(out, forward, reverse, max_len):
    sources = ['the MacJapanese mapping of perl\'s Encode::JP (decoded code by code),',
               'with 0x7F <-> U+007F added.']
    header = generated_banner(sources) + '''//
// Mac OS Japanese (Shift-JIS with Apple's extensions) and Unicode, both directions.
#pragma once

#include <cstdint>

// code: one byte (0x00 to 0xFF) or two bytes (lead << 8 | trail, lead 0x81 to 0x9F or 0xE0 to
// 0xFC). unicode: the UTF-16 units of the mapping; several when Apple maps the code to a sequence
// (a base character with a private-use variant tag such as U+F87F, or a composed sequence).
struct GMacJapaneseMapping {
    uint16_t code;
    uint8_t unicodeLength;
    uint16_t unicode[%(max)d];
};

constexpr int cMacJapaneseMaxUnicodeLength = %(max)d;
constexpr int cMacJapaneseMappingCount = %(count)d;

// Sorted by code.
extern const GMacJapaneseMapping cMacJapaneseToUnicode[cMacJapaneseMappingCount];

// The same mappings sorted by their Unicode units (compared unit by unit, a prefix before the
// longer sequence). Each code has one sequence and each sequence one code, so encoding is the
// longest sequence found at the current position.
extern const GMacJapaneseMapping cUnicodeToMacJapanese[cMacJapaneseMappingCount];
''' % {'max': max_len, 'count': len(forward)}
    write(os.path.join(out, 'GMacJapaneseTables.h'), header)

    def row(code, units):
        return '    {0x%04X, %d, {%s}},' % (code, len(units), ', '.join('0x%04X' % u for u in units))

    by_code = [row(c, forward[c]) for c in sorted(forward)]
    by_unicode = [row(reverse[u], u) for u in sorted(reverse)]
    text = (generated_banner(sources) + '\n#include "' + INCLUDE_DIR + 'GMacJapaneseTables.h"\n\n'
            'const GMacJapaneseMapping cMacJapaneseToUnicode[cMacJapaneseMappingCount] = {\n'
            + '\n'.join(by_code) + '\n};\n\n'
            'const GMacJapaneseMapping cUnicodeToMacJapanese[cMacJapaneseMappingCount] = {\n'
            + '\n'.join(by_unicode) + '\n};\n')
    write(os.path.join(out, 'GMacJapaneseTables.cpp'), text)


OUTPUTS = ['GSingleByteTables', 'GGlyphListTables', 'GCompatCharTables', 'GMacJapaneseTables']


def generate(out, workdir):
    tools = Tools(workdir)
    version = tools.run('version').strip()
    expect(version == UNICODE_VERSION,
           'ICU has Unicode %s; the tables say %s: update UNICODE_VERSION after review'
           % (version, UNICODE_VERSION))
    rows, stats = build_glyph_lists(tools)
    single_byte = build_single_byte(tools)
    compat = build_compat(tools)
    forward, reverse, max_len = build_mac_japanese(workdir)
    write_single_byte(out, single_byte)
    write_glyph_lists(out, rows, stats)
    write_compat(out, compat)
    write_mac_japanese(out, forward, reverse, max_len)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--check', action='store_true',
                        help='compare a fresh generation with the committed files')
    parser.add_argument('--data', default=DATA_DIR,
                        help='the shared data folder that holds glyphlists/ (default: %(default)s)')
    args = parser.parse_args()
    global GLYPHLIST, ZAPFDINGBATS
    GLYPHLIST = os.path.join(args.data, 'glyphlists', 'glyphlist.txt')
    ZAPFDINGBATS = os.path.join(args.data, 'glyphlists', 'zapfdingbats.txt')
    for path in (GLYPHLIST, ZAPFDINGBATS):
        expect(os.path.isfile(path), 'missing input %s (name the shared data folder with --data)' % path)
    with tempfile.TemporaryDirectory() as workdir:
        if not args.check:
            generate(OUT_DIR, workdir)
            return
        fresh = os.path.join(workdir, 'out')
        os.mkdir(fresh)
        generate(fresh, workdir)
        stale = [f for f in sorted(os.listdir(fresh))
                 if not filecmp.cmp(os.path.join(fresh, f), os.path.join(OUT_DIR, f), shallow=False)]
        if stale:
            fail('out of date: ' + ', '.join(stale))
        note('generated tables are up to date')


if __name__ == '__main__':
    main()

#pragma once
// Small files of each content kind, built in memory, for the sniffer tests and benchmark: each
// carries just the bytes its kind is told by (and what libmagic needs to name it too).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sniff {

inline void PutBE16(std::string& s, unsigned v) {
    s += static_cast<char>(v >> 8 & 0xFF);
    s += static_cast<char>(v & 0xFF);
}

inline void PutBE32(std::string& s, std::uint32_t v) {
    PutBE16(s, v >> 16);
    PutBE16(s, v & 0xFFFF);
}

inline void PutLE32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>(v >> (8 * i) & 0xFF);
}

inline void SetLE32(std::string& s, std::size_t pos, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[pos + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}

inline void SetBE32(std::string& s, std::size_t pos, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[pos + i] = static_cast<char>(v >> (8 * (3 - i)) & 0xFF);
}

// An sfnt: version, table directory and 16 bytes of data per table after it. An entry's offset
// is where its data lies unless badOffset names the tag, whose offset is then the file's length.
inline std::string Sfnt(std::string const& version, std::vector<std::string> const& tags,
                        std::string const& badOffset = "") {
    std::string s = version;
    auto const count = static_cast<unsigned>(tags.size());
    PutBE16(s, count);
    PutBE16(s, 16);
    PutBE16(s, 0);
    PutBE16(s, 0);
    std::uint32_t const dataStart = 12 + 16 * count;
    std::uint32_t const length = dataStart + 16 * count;
    for (unsigned i = 0; i < count; ++i) {
        s += tags[i];
        PutBE32(s, 0);
        PutBE32(s, tags[i] == badOffset ? length : dataStart + 16 * i);
        PutBE32(s, 16);
    }
    s.append(16 * count, '\0');
    return s;
}

inline std::vector<std::string> CommonTables() { return {"cmap", "head", "hhea", "hmtx", "maxp", "post"}; }

inline std::vector<std::string> With(std::vector<std::string> tags, std::vector<std::string> const& more) {
    tags.insert(tags.end(), more.begin(), more.end());
    return tags;
}

inline std::string TrueTypeFont() { return Sfnt(std::string("\0\1\0\0", 4), With(CommonTables(), {"glyf", "loca"})); }
inline std::string OpenTypeCFFFont() { return Sfnt("OTTO", With(CommonTables(), {"CFF ", "name"})); }
inline std::string OpenTypeBothFont() { return Sfnt("OTTO", With(CommonTables(), {"CFF ", "glyf", "loca"})); }
inline std::string MacTrueTypeFont() {
    return Sfnt("true", With(CommonTables(), {"glyf", "loca", "name"}));
}
inline std::string Type1MacSfntFont() { return Sfnt("typ1", {"TYP1", "name"}); }

inline std::string TrueTypeCollection() {
    std::string s = "ttcf";
    PutBE32(s, 0x00010000);
    PutBE32(s, 1);   // fonts
    PutBE32(s, 16);  // offset of the first
    s += TrueTypeFont();
    return s;
}

inline std::string PDF() { return "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /Type /Catalog >>\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n"; }
inline std::string PostScript() { return "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\nshowpage\n%%EOF\n"; }
inline std::string EPS() { return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n%%EndComments\n%%EOF\n"; }
inline std::string CMap() {
    return "%!PS-Adobe-3.0 Resource-CMap\n%%DocumentNeededResources: ProcSet (CIDInit)\n/CIDInit /ProcSet findresource begin\n";
}
inline std::string PSType1() { return "%!PS-AdobeFont-1.0: Sample 001.000\n%%CreationDate: 1 Jan 2000\n11 dict begin\n/FontName /Sample def\n"; }
inline std::string MMType1() { return "%!PS-AdobeFont-1.0: SampleMM 001.000\n/BlendDesignPositions [[0] [1]] def\n"; }
// A PFB: an ASCII segment header (80 01 and a little-endian length) before the font text.
inline std::string WinType1() {
    std::string const text = PSType1();
    std::string s("\x80\x01", 2);
    PutLE32(s, static_cast<std::uint32_t>(text.size()));
    return s + text;
}
inline std::string FontMetrics() { return "StartFontMetrics 4.1\nFontName Sample\nEndFontMetrics\n"; }
inline std::string XML() { return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root/>\n"; }
inline std::string JPEG() {
    std::string s("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    s += std::string("\xFF\xD9", 2);
    return s;
}
inline std::string GIF() { return std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00;", 20); }
inline std::string TIFF() { return std::string("II*\0\x08\0\0\0\0\0", 10); }
inline std::string TIFFBigEndian() { return std::string("MM\0*\0\0\0\x08\0\0", 10); }
// A 1x1 24-bit bitmap: file header, info header, one padded row.
inline std::string BMP() {
    std::string s = "BM";
    PutLE32(s, 58);
    PutLE32(s, 0);
    PutLE32(s, 54);
    PutLE32(s, 40);
    PutLE32(s, 1);
    PutLE32(s, 1);
    s += std::string("\x01\x00\x18\x00", 4);
    PutLE32(s, 0);
    PutLE32(s, 4);
    PutLE32(s, 2835);
    PutLE32(s, 2835);
    PutLE32(s, 0);
    PutLE32(s, 0);
    s.append(4, '\0');
    return s;
}
// A 128-byte profile header ("acsp" at 36) with no tags.
inline std::string ICCProfile() {
    std::string s(132, '\0');
    SetBE32(s, 0, 132);
    s.replace(4, 4, "none");
    s.replace(8, 4, std::string("\x02\x10\0\0", 4));
    s.replace(12, 4, "mntr");
    s.replace(16, 4, "RGB ");
    s.replace(20, 4, "XYZ ");
    s.replace(36, 4, "acsp");
    return s;
}
// The DOS EPS binary header: magic, then the PostScript section's offset and length.
inline std::string DOSEPS() {
    std::string const ps = EPS();
    std::string s("\xC5\xD0\xD3\xC6", 4);
    PutLE32(s, 30);
    PutLE32(s, static_cast<std::uint32_t>(ps.size()));
    s.append(16, '\0');  // no preview
    s.append(2, '\xFF');  // no checksum
    return s + ps;
}

// Every sample with the kind number it is.
inline std::vector<std::pair<std::string, int>> AllSamples() {
    return {
        {PDF(), 2},         {PostScript(), 3},       {EPS(), 4},           {DOSEPS(), 4},
        {JPEG(), 5},        {GIF(), 6},              {TIFF(), 7},          {TIFFBigEndian(), 7},
        {BMP(), 8},         {CMap(), 9},             {MMType1(), 10},      {WinType1(), 11},
        {PSType1(), 12},    {OpenTypeCFFFont(), 13}, {TrueTypeFont(), 14}, {OpenTypeBothFont(), 15},
        {TrueTypeCollection(), 16}, {Type1MacSfntFont(), 17}, {MacTrueTypeFont(), 18},
        {ICCProfile(), 19}, {FontMetrics(), 20},     {XML(), 21},
    };
}

} // namespace sniff

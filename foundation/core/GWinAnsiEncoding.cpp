#include "GWinAnsiEncoding.h"

#include "GSingleByteTables.h"

GSharedObject<GWinAnsiEncoding> GWinAnsiEncoding::sInstance;

GWinAnsiEncoding::GWinAnsiEncoding() : GSimpleEncoding(StaticName("WinAnsiEncoding")) {
    const GBuffer bullet = StaticName("bullet");
    // First, so that the name and the value lead to 0x95 and not to an unused code.
    AddMapping(0x95, bullet, static_cast<unsigned short>(0x2022));
    for (GLatinGlyphRow const& row : cLatinGlyphNames)
        if (row.winAnsiCode != 0)
            AddMapping(row.winAnsiCode, StaticName(row.name));
    // The unused codes print as bullets; this runs before any value is given, which would count.
    for (int byte = 0x21; byte < 256; ++byte)
        if (!HasMapping(static_cast<unsigned char>(byte)))
            AddMapping(static_cast<unsigned char>(byte), bullet);
    for (int byte = 0; byte < 256; ++byte)
        if (cWinAnsiToUnicode[byte] != 0)
            AddMapping(static_cast<unsigned char>(byte), static_cast<unsigned short>(cWinAnsiToUnicode[byte]));
}

GWinAnsiEncoding::~GWinAnsiEncoding() = default;

#include "core/text/encodings/GWinAnsiEncoding.h"

#include "core/text/encodings/generated/GSingleByteTables.h"

GSharedObject<GWinAnsiEncoding> GWinAnsiEncoding::sInstance;

GWinAnsiEncoding::GWinAnsiEncoding() : GSimpleEncoding(StaticName("WinAnsiEncoding")) {}

void GWinAnsiEncoding::FillTables() {
    const GBuffer bullet = StaticName("bullet");
    // First, so that the name and the value lead to 0x95 and not to an unused code.
    AddMapping(0x95, bullet, static_cast<unsigned short>(0x2022));
    AddLatinGlyphNames(&GLatinGlyphRow::winAnsiCode);
    // The unused codes print as bullets; this runs before any value is given, which would count.
    for (int byte = 0x21; byte < 256; ++byte)
        if (!HasMapping(static_cast<unsigned char>(byte)))
            AddMapping(static_cast<unsigned char>(byte), bullet);
    AddUnicodeValues(cWinAnsiToUnicode);
}

GWinAnsiEncoding::~GWinAnsiEncoding() = default;

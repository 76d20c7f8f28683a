#include "GMacRomanEncoding.h"

#include "GSingleByteTables.h"

GSharedObject<GMacRomanEncoding> GMacRomanEncoding::sInstance;

GMacRomanEncoding::GMacRomanEncoding() : GSimpleEncoding(StaticName("MacRomanEncoding")) {
    for (GLatinGlyphRow const& row : cLatinGlyphNames)
        if (row.macRomanCode != 0)
            AddMapping(row.macRomanCode, StaticName(row.name));
    for (int byte = 0; byte < 256; ++byte)
        if (cMacRomanToUnicode[byte] != 0)
            AddMapping(static_cast<unsigned char>(byte), static_cast<unsigned short>(cMacRomanToUnicode[byte]));
}

GMacRomanEncoding::~GMacRomanEncoding() = default;

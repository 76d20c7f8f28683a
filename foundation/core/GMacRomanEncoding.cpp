#include "GMacRomanEncoding.h"

#include "GSingleByteTables.h"

GSharedObject<GMacRomanEncoding> GMacRomanEncoding::sInstance;

GMacRomanEncoding::GMacRomanEncoding() : GSimpleEncoding(StaticName("MacRomanEncoding")) {
    AddLatinGlyphNames(&GLatinGlyphRow::macRomanCode);
    AddUnicodeValues(cMacRomanToUnicode);
}

GMacRomanEncoding::~GMacRomanEncoding() = default;

#include "core/text/encodings/GMacRomanEncoding.h"

#include "core/text/encodings/generated/GSingleByteTables.h"

GSharedObject<GMacRomanEncoding> GMacRomanEncoding::sInstance;

GMacRomanEncoding::GMacRomanEncoding() : GSimpleEncoding(StaticName("MacRomanEncoding")) {}

void GMacRomanEncoding::FillTables() {
    AddLatinGlyphNames(&GLatinGlyphRow::macRomanCode);
    AddUnicodeValues(cMacRomanToUnicode);
}

GMacRomanEncoding::~GMacRomanEncoding() = default;

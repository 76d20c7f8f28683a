#include "core/text/encodings/GStandardEncoding.h"

#include "core/text/encodings/generated/GSingleByteTables.h"

GSharedObject<GStandardEncoding> GStandardEncoding::sInstance;

GStandardEncoding::GStandardEncoding() : GSimpleEncoding(StaticName("StandardEncoding")) {}

void GStandardEncoding::FillTables() {
    for (GLatinGlyphRow const& row : cLatinGlyphNames)
        if (row.standardCode != 0)
            AddGlyphListMapping(row.standardCode, row.name);
}

GStandardEncoding::~GStandardEncoding() = default;

#include "core/text/encodings/GMacExpertEncoding.h"

#include "core/text/encodings/generated/GSingleByteTables.h"

GSharedObject<GMacExpertEncoding> GMacExpertEncoding::sInstance;

GMacExpertEncoding::GMacExpertEncoding() : GSimpleEncoding(StaticName("MacExpertEncoding")) {}

void GMacExpertEncoding::FillTables() {
    for (GMacExpertGlyphRow const& row : cMacExpertGlyphNames)
        AddGlyphListMapping(row.code, row.name);
}

GMacExpertEncoding::~GMacExpertEncoding() = default;

#include "GMacExpertEncoding.h"

#include "GSingleByteTables.h"

GSharedObject<GMacExpertEncoding> GMacExpertEncoding::sInstance;

GMacExpertEncoding::GMacExpertEncoding() : GSimpleEncoding(StaticName("MacExpertEncoding")) {
    for (GMacExpertGlyphRow const& row : cMacExpertGlyphNames)
        AddGlyphListMapping(row.code, row.name);
}

GMacExpertEncoding::~GMacExpertEncoding() = default;

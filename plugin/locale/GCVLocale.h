#pragma once
// GCVLocale: the languages the plug-in has texts in, and which of them the user prefers.
//
// Callers may rely on:
// - The codes are 4-character pool language codes, in this order: enUS, deDE, esES, frFR, itIT,
//   nlNL, jaJA, plPL, zhCN (Japanese is "jaJA").
// - GetCurrentLanguage picks the first code whose language matches one of the user's preferred
//   languages, in the user's order, and "enUS" when none does.
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"

class GCVLocale {
public:
    GCVLocale() = delete;

    // Appends the codes after what the table holds.
    static void GetSupportedLangCodes(GTable<GBuffer>& codes);
    static GString GetCurrentLanguage();
};

#include "plugin/locale/GCVLocale.h"

#include "core/text/encodings/GASCIIEncoding.h"
#include "mac/system/PSystem.h"

namespace GCVLanguageCodes {

char const sSupportedLanguage[][5] = {"enUS", "deDE", "esES", "frFR", "itIT", "nlNL", "jaJA", "plPL", "zhCN"};

}  // namespace GCVLanguageCodes

void GCVLocale::GetSupportedLangCodes(GTable<GBuffer>& codes) {
    for (char const* code : GCVLanguageCodes::sSupportedLanguage)
        codes.AddItem(GBuffer(code));
}

GString GCVLocale::GetCurrentLanguage() {
    GTable<GBuffer> codes;
    GetSupportedLangCodes(codes);
    GBuffer chosen;
    PSystem::GetPreferredLanguage(codes, chosen);
    return GString(chosen, GASCIIEncoding::GetInstance());
}

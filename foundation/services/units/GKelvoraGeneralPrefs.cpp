#include "services/units/GKelvoraGeneralPrefs.h"

namespace {

GBuffer Static(char const* text) {
    GBuffer buffer;
    buffer.SetFromStatic(text);
    return buffer;
}

}  // namespace

GBuffer const GKelvoraGeneralPrefs::cGroupIDGeneralPrefs = Static("General");
GBuffer const GKelvoraGeneralPrefs::cPrefIDLanguage = Static("Language");

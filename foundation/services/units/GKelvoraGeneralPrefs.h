#pragma once
// GKelvoraGeneralPrefs: the names of the general settings in the preferences. The group
// "General" holds the measurement unit and the user-interface language.
//
// Callers may rely on: the constants borrow static texts, so they are ready during static
// start-up of this library and are never freed.
#include "core/bytes/GBuffer.h"

class GKelvoraGeneralPrefs {
public:
    GKelvoraGeneralPrefs() = delete;

    static GBuffer const cGroupIDGeneralPrefs;  // "General"
    static GBuffer const cPrefIDLanguage;       // "Language"
};

#pragma once
// What the actor tests share: a sandboxed user (HOME and the XDG folders in a fresh folder, the
// special paths recomputed from them), the registry file's path, record texts written by hand.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/containers/GDict.h"
#include "core/streams/GContainerText.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GPrefSharedFileModule.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

namespace actortest {

using namespace preftest;

// The special paths the registry and the package cache are made of, and those they default to.
inline void ForgetSpecialPaths() {
    for (int id : {-8, -4, -2, 35, 53})
        GFileSystem::RemoveSpecialPath(id);
}

class SandboxedUser : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        mEnvironment.Set("HOME", mTemp / "home");
        mEnvironment.Set("XDG_CONFIG_HOME", mTemp / "config");
        mEnvironment.Set("XDG_DATA_HOME", mTemp / "data");
        mEnvironment.Set("TMPDIR", mTemp.Path());
        ForgetSpecialPaths();
    }
    void TearDown() override { ForgetSpecialPaths(); }

    std::string RegistryFile() const {
        return mTemp / "config/Kelvora Prefs Folder/Printer Processor/KelvoraPrinterProcessor.prefs";
    }
    // The package cache below special path 53 (XDG_DATA_HOME / "Kelvora").
    std::string CacheFolder() const { return mTemp / "data/Kelvora/Trovelor/Cache"; }

    ScopedTempFolder mTemp;
    ScopedEnvironment mEnvironment;
};

// A record text as the registry writes it, entries given as UTF-8 pairs.
inline GString RecordText(std::vector<std::pair<std::string, std::string>> const& entries) {
    GDict<GBuffer, GString> record;
    for (auto const& [key, value] : entries)
        record.Put(B(key), T(value));
    GString text;
    record.ToString(text);
    return text;
}

}  // namespace actortest

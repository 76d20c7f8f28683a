#pragma once
// What the plug-in preference tests share: a private user (HOME, the XDG folders and TMPDIR in a
// fresh folder, the special paths recomputed from them) and a fresh memory module at level -3
// that counts its saves, standing in for the plug-in's preference file. A module already at
// level -3 (a test environment's, for the whole process) stands aside and is put back after the
// test; whoever installed it keeps it (the store does not own it afterwards).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "plugin/preferences/GCPTPluginPrefTool.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPreferences.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"
#include "support/PrivateSandbox.h"

namespace plugintest {

using namespace preftest;

class CountingModule : public GPrefMemoryModule {
public:
    void WriteDict() override {
        ++mWrites;
        GPrefMemoryModule::WriteDict();
    }
    int mWrites = 0;
};

inline void ForgetSpecialPaths() {
    for (int id : {-8, -4, -2, 22, 35, 53})
        GFileSystem::RemoveSpecialPath(id);
}

class PluginPrefs : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        ForgetSpecialPaths();
        mOuterModule = GPreferences::GetPrefModule(GPreferences::kUserLevel);
        if (mOuterModule != nullptr)  // disowned first, so that replacing it does not delete it
            GPreferences::SetPrefModule(GPreferences::kUserLevel, mOuterModule, false);
        mModule = new CountingModule;
        GPreferences::SetPrefModule(GPreferences::kUserLevel, mModule, true);
    }
    void TearDown() override {
        if (mOuterModule != nullptr)
            GPreferences::SetPrefModule(GPreferences::kUserLevel, mOuterModule, false);
        else
            GPreferences::RemovePrefModule(GPreferences::kUserLevel);
        ForgetSpecialPaths();
    }

    static std::string Text(GString const& text) { return S(text.GetBuffer(UTF8())); }
    static std::string Value(GBuffer const& group, GBuffer const& key) {
        return Text(GPreferences::Get(GPreferences::kUserLevel, group, key));
    }
    static bool Exists(std::string const& path) {
        struct stat info;
        return lstat(path.c_str(), &info) == 0;
    }
    static void WriteFile(std::string const& path, std::string const& content = "x") {
        std::ofstream(path, std::ios::binary) << content;
    }

    PrivateSandbox mSandbox;
    CountingModule* mModule = nullptr;

private:
    GPrefModule* mOuterModule = nullptr;
};

}  // namespace plugintest

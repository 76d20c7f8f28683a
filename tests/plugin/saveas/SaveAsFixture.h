#pragma once
// What the save-as tests share: a private user (PluginPrefs), the plug-in's tools layer up in
// English (its texts, the printer-processor hand-off), and a user-message instance that records
// the errors shown.
#include <string>
#include <utility>
#include <vector>

#include "core/text/GStringPool.h"
#include "plugin/preferences/PluginPrefTestSupport.h"
#include "plugin/saveas/SaveAsTestAction.h"
#include "plugin/tools/GCPTZARidizoToolsLayer.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "services/messages/GUserMessage.h"
#include "support/ScopedEnvironment.h"

namespace saveastest {

using Shown = std::vector<std::pair<std::string, std::string>>;

class RecordingMessages : public GUserMessage {
public:
    explicit RecordingMessages(Shown& errors) : mErrors(errors) {}
    void ShowErrorMessage(GString const& title, GString const& message) const override {
        mErrors.emplace_back(preftest::U8(title), preftest::U8(message));
    }

private:
    Shown& mErrors;
};

class SaveAsFixture : public plugintest::PluginPrefs {
protected:
    void SetUp() override {
        PluginPrefs::SetUp();
        for (char const* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            mLanguages.Unset(name);
        GFileSystem::AddSpecialPath(22, GPathName(preftest::T(TROVEL_PLUGIN_STRINGS_DIR)));
        GCPTZARidizoToolsLayer::Initialize();
        GUserMessage::SetInstance(new RecordingMessages(mErrors));
    }
    void TearDown() override {
        GUserMessage::SetInstance(nullptr);
        GCPTZARidizoToolsLayer::Finalize();
        GStringPool::SetLanguage(GStringPool::GetEnglish());
        PluginPrefs::TearDown();
    }

    static void RegisterTrovelor(std::string const& name) {
        GPPSettings settings;
        GPathName package = GPPSettings::GetSettingsFolder();
        package.Append(preftest::T("GUID-" + name));
        package.Append(preftest::T("package.zip"));
        settings.ContextFilePath = package;
        settings.IsPlugin = true;
        ASSERT_TRUE(GPPActorRegistry().Register(preftest::T(name), settings));
    }
    // A folder of the sandbox for exports that skip the output folder.
    GPathName ExportFolder() const { return GPathName(preftest::T(mSandbox.Root() + "/export")); }

    ScopedEnvironment mLanguages;
    Shown mErrors;
};

}  // namespace saveastest

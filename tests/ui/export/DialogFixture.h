#pragma once
// What the export-dialog tests share: a private user with a real actor registry and a real
// plug-in preference file, a save-as tool whose packages are stood in for (what a package says
// about adjustments and the file package), a recording export action, and input helpers.
#include <QtTest/QTest>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QPushButton>

#include <map>
#include <memory>
#include <string>

#include "plugin/saveas/GCPTFeatureConfiguration.h"
#include "plugin/saveas/GCPTSaveAsTool.h"
#include "plugin/saveas/SaveAsFixture.h"
#include "services/preferences/GPrefFileModule.h"
#include "services/units/GUnitSupport.h"
#include "ui/export/GCSPUSaveAsAmbrelledPDFDialog.h"

namespace dialogtest {

using namespace saveastest;
using namespace preftest;

// What a Trovelor's package says; the package readers are not part of these tests.
struct Package {
    bool userSettings = true;
    bool includePackage = false;
};

class StandInTool : public GCPTSaveAsTool {
public:
    using GCPTSaveAsTool::GCPTSaveAsTool;
    void SetPrinterName(GString const& name) override {
        GCPTSaveAsTool::SetPrinterName(name);
        ++mChoices;
        Package const package = mPackages.count(U8(name)) != 0 ? mPackages[U8(name)] : Package();
        GetPluginSettings()->SetUserSettingEnable(package.userSettings);
        GetPluginSettings()->IncludeFilePackage(package.includePackage);
    }
    std::map<std::string, Package> mPackages;
    int mChoices = 0;
};

class DialogFixture : public SaveAsFixture {
protected:
    void SetUp() override {
        SaveAsFixture::SetUp();
        GUnitSupport::SetDefaultUnitCode(GUnitSupport::kPoints);
        mPrefPath = mSandbox.Root() + "/plugin.prefs";
        mPrefs = new GPrefFileModule(P(mPrefPath), Unicode());
        GPreferences::SetPrefModule(GPreferences::kUserLevel, mPrefs, true);
        for (int feature = 0; feature <= 5; ++feature)
            mFeatures.SetFeatureAvailable(static_cast<GCPTFeatureConfiguration::Feature>(feature), true);
    }

    static void Register(std::string const& name, std::string const& pdfSettings, std::string const& guid,
                         bool plugin = true) {
        GPPSettings settings;
        if (!guid.empty()) {
            GPathName package = GPPSettings::GetSettingsFolder();
            package.Append(T(guid));
            package.Append(T("package.zip"));
            settings.ContextFilePath = package;
        }
        settings.IsPlugin = plugin;
        settings.PDFSettings = T(pdfSettings);
        ASSERT_TRUE(GPPActorRegistry().Register(T(name), settings));
    }
    static bool Offered(std::string const& name) {
        GPPSettings settings;
        return GPPActorRegistry().GetActor(T(name), settings) && settings.IsPlugin;
    }

    std::unique_ptr<GCSPUSaveAsAmbrelledPDFDialog> Open() { return Open(mTool); }
    static std::unique_ptr<GCSPUSaveAsAmbrelledPDFDialog> Open(GCPTSaveAsTool& tool) {
        auto dialog = std::make_unique<GCSPUSaveAsAmbrelledPDFDialog>(T("Export Brochure"), tool);
        dialog->SetSaveLoadGeometry(false);
        dialog->show();
        dialog->activateWindow();
        return dialog;
    }

    // What the preference file on disk holds, after the module wrote it out.
    std::string Remembered(std::string const& group, std::string const& key) {
        mPrefs->WriteDict();
        GPrefFileModule file(P(mPrefPath), Unicode());
        return U8(file.Get(B(group), B(key)));
    }
    std::string LastChoice() { return Remembered("ZARidizoUI", "LastSelectedPDFSetting"); }

    template <class W>
    static W* Find(QWidget& dialog, char const* name) {
        auto* widget = dialog.findChild<W*>(name);
        EXPECT_NE(nullptr, widget) << name;
        return widget;
    }
    static QComboBox* List(QWidget& dialog) { return Find<QComboBox>(dialog, "pdfSettingsCombo"); }
    static QPushButton* Ok(QWidget& dialog) {
        return Find<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok);
    }
    static QStringList Shown(QWidget& dialog) {
        QStringList texts;
        for (int i = 0; i < List(dialog)->count(); ++i)
            texts << List(dialog)->itemText(i);
        return texts;
    }
    static void Click(QAbstractButton* button, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ASSERT_NE(nullptr, button);
        QTest::mouseClick(button, Qt::LeftButton, modifiers, QPoint(6, button->height() / 2));
    }

    TestAction mAction;
    GCPTFeatureConfiguration mFeatures;
    StandInTool mTool{mAction, &mFeatures};
    GPrefFileModule* mPrefs = nullptr;
    std::string mPrefPath;
};

}  // namespace dialogtest

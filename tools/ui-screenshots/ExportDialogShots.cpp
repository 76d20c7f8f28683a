#include "ExportDialogShots.h"

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QComboBox>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/text/encodings/GUTF8Encoding.h"
#include "plugin/saveas/GCPTFeatureConfiguration.h"
#include "plugin/saveas/GCPTSaveAsAction.h"
#include "plugin/saveas/GCPTSaveAsTool.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "services/units/GUnitSupport.h"
#include "ui/export/GCSPUSaveAsAmbrelledPDFDialog.h"
#include "ui/frames/GQUICollapsibleFrame.h"
#include "ui/frames/GQUIExpandCollapseButton.h"

namespace {

GString Text(std::string const& utf8) { return GString(utf8.c_str(), GUTF8Encoding::GetInstance()); }

// Nothing is exported while pictures are taken.
class IdleAction : public GCPTSaveAsAction {
    bool SaveAsPDF(GCPTSaveAsProperties const&, GPathName const&) override { return false; }
    bool CreatePackage(GPathName const&) override { return false; }
};

// What the sample packages would say: adjustments allowed, a 3 mm bleed, crop marks.
class SampleTool : public GCPTSaveAsTool {
public:
    using GCPTSaveAsTool::GCPTSaveAsTool;
    void SetPrinterName(GString const& name) override {
        GCPTSaveAsTool::SetPrinterName(name);
        GGPCPluginCSSettings* settings = GetPluginSettings();
        settings->SetUserSettingEnable(true);
        settings->SetBleedChoice(GGPCPluginCSSettings::kBleedUseGivenValue);
        settings->SetBleedTopValue(3 * 72 / 25.4);
        settings->SetMarkTrimAllow(true);
        settings->IncludeFilePackage(true);
    }
};

void SetTrovelors(std::vector<std::pair<std::string, std::string>> const& trovelors) {
    GPPActorRegistry registry;
    GTable<GString> names;
    registry.GetActorList(names);
    for (GString const& name : names)
        registry.UnRegister(name);
    int guid = 0;
    for (auto const& [name, pdfSettings] : trovelors) {
        GPPSettings settings;
        GPathName package = GPPSettings::GetSettingsFolder();
        package.Append(Text("GUID-" + std::to_string(++guid)));
        package.Append(Text("package.zip"));
        settings.ContextFilePath = package;
        settings.IsPlugin = true;
        settings.PDFSettings = Text(pdfSettings);
        registry.Register(Text(name), settings);
    }
}

void Shoot(QString const& folder, QString const& name, bool book, std::function<void(GCSPUSaveAsAmbrelledPDFDialog&)> const& prepare) {
    IdleAction action;
    GCPTFeatureConfiguration features;
    for (int feature = 0; feature <= 5; ++feature)
        features.SetFeatureAvailable(static_cast<GCPTFeatureConfiguration::Feature>(feature), true);
    if (book)
        features.SetFeatureAvailable(GCPTFeatureConfiguration::cFeaturePageRange, false);
    SampleTool tool(action, &features);
    GCSPUSaveAsAmbrelledPDFDialog dialog(Text(book ? "Export Book to Trovelor" : "Export to Trovelor"), tool);
    dialog.SetSaveLoadGeometry(false);
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return;
    if (prepare)
        prepare(dialog);
    QTest::qWait(200);
    dialog.grab().save(QDir(folder).filePath(name + ".png"));
}

void Expand(GCSPUSaveAsAmbrelledPDFDialog& dialog) {
    auto* frame = dialog.findChild<GQUICollapsibleFrame*>("optionsFrame");
    QTest::mouseClick(frame->GetButton(), Qt::LeftButton);
}

}  // namespace

void ExportDialogShots::UsePrivateUser() {
    static QTemporaryDir sHome;
    for (char const* folder : {"home", "config", "data", "tmp"})
        QDir(sHome.path()).mkpath(folder);
    setenv("HOME", QDir(sHome.path()).filePath("home").toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", QDir(sHome.path()).filePath("config").toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", QDir(sHome.path()).filePath("data").toLocal8Bit().constData(), 1);
    setenv("TMPDIR", QDir(sHome.path()).filePath("tmp").toLocal8Bit().constData(), 1);
}

void ExportDialogShots::Capture(QString const& folder) {
    SetTrovelors({{"Press", "Press Quality"}, {"Proof", "Digital Proof"}, {"News", "Newsprint 2024"}});
    Shoot(folder, "ui-export-dialog", false, nullptr);
    Shoot(folder, "ui-export-dialog-expanded-pt", false, Expand);
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::kMillimeters);
    Shoot(folder, "ui-export-dialog-expanded-mm", false, Expand);
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::kPoints);
    Shoot(folder, "ui-export-dialog-book", true, nullptr);
    Shoot(folder, "ui-export-dialog-alt", false,
          [](GCSPUSaveAsAmbrelledPDFDialog& dialog) { QTest::keyPress(&dialog, Qt::Key_Alt, Qt::AltModifier); });
    SetTrovelors({{"Long", "Hochauflösender Offsetdruck mit Anschnitt und allen Druckermarken, Frühjahr 2025"},
                  {"Japan", "印刷用プリセット（高品質）"},
                  {"Html", "<b>Bold</b> &amp; <img src=x>"}});
    Shoot(folder, "ui-export-dialog-long-names", false, [&folder](GCSPUSaveAsAmbrelledPDFDialog& dialog) {
        auto* list = dialog.findChild<QComboBox*>("pdfSettingsCombo");
        list->setCurrentIndex(list->findData("Long"));
        list->showPopup();
        QTest::qWait(200);
        list->view()->window()->grab().save(QDir(folder).filePath("ui-export-dialog-long-names-list.png"));
        list->hidePopup();
    });
    SetTrovelors({});
    Shoot(folder, "ui-export-dialog-empty", false, nullptr);
}

#include "ExportDialogShots.h"

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPixmap>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "plugin/saveas/GCPTFeatureConfiguration.h"
#include "plugin/saveas/GCPTSaveAsAction.h"
#include "plugin/saveas/GCPTSaveAsTool.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "plugin/tools/GCPTZARidizoToolsLayer.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "services/messages/GUserMessage.h"
#include "services/strings/GStringPoolSupport.h"
#include "services/units/GUnitSupport.h"
#include "ui/export/CopyrightDialog.h"
#include "ui/export/GCSPUSaveAsAmbrelledPDFDialog.h"
#include "ui/frames/GQUICollapsibleFrame.h"
#include "ui/frames/GQUIExpandCollapseButton.h"
#include "ui/messages/GCSPUUserMessage.h"

namespace {

GString Text(std::string const& utf8) { return GString(utf8.c_str(), GUTF8Encoding::GetInstance()); }

// Nothing is exported while pictures are taken: the sample packages do not exist, so an export
// request ends before these are called, as for a package that cannot be read.
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

using Step = std::function<void(GCSPUSaveAsAmbrelledPDFDialog&)>;

// Opens the dialog over the registry as it stands and runs `step` once it is on screen; false
// when it never showed.
bool WithDialog(bool book, Step const& step) {
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
        return false;
    if (step)
        step(dialog);
    return true;
}

void Shoot(QString const& folder, QString const& name, bool book, Step const& prepare) {
    WithDialog(book, [&](GCSPUSaveAsAmbrelledPDFDialog& dialog) {
        if (prepare)
            prepare(dialog);
        QTest::qWait(200);
        dialog.grab().save(QDir(folder).filePath(name + ".png"));
    });
}

// The window's picture under a strip that shows its title: the virtual display draws no frames,
// and the title is part of what the user reads.
QImage WithTitle(QWidget& window) {
    QPixmap const content = window.grab();
    QFont font = window.font();
    font.setBold(true);
    int const strip = QFontMetrics(font).height() + 8;
    QImage picture(content.width(), content.height() + strip, QImage::Format_RGB32);
    picture.fill(window.palette().color(QPalette::Window).darker(115));
    QPainter painter(&picture);
    painter.setFont(font);
    painter.setPen(window.palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, 0, content.width(), strip), Qt::AlignCenter, window.windowTitle());
    painter.drawPixmap(0, strip, content);
    return picture;
}

// Saves the picture of the next message box the plug-in shows and closes it, so that the step
// that raised it goes on. A box that never comes is told on stderr when the step is over.
class MessageShot {
public:
    MessageShot(QString const& folder, QString const& name)
        : mFile(QDir(folder).filePath(name + ".png")), mName(name), mState(std::make_shared<State>()) {
        Poll(mFile, mState);
    }
    MessageShot(MessageShot const&) = delete;
    MessageShot& operator=(MessageShot const&) = delete;
    ~MessageShot() {
        mState->over = true;
        if (!mState->taken)
            std::fprintf(stderr, "no message box was shown for %s\n", mName.toLocal8Bit().constData());
    }

private:
    struct State {
        bool taken = false;
        bool over = false;
    };
    static void Poll(QString const& file, std::shared_ptr<State> const& state) {
        QTimer::singleShot(100, [file, state] {
            if (state->over || state->taken)
                return;
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                Poll(file, state);
                return;
            }
            state->taken = true;
            QTest::qWait(200);
            WithTitle(*box).save(file);
            box->close();
        });
    }

    QString mFile;
    QString mName;
    std::shared_ptr<State> mState;
};

void ClickOk(GCSPUSaveAsAmbrelledPDFDialog& dialog) {
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton);
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

void ExportDialogShots::CaptureFailures(QString const& folder) {
    // The boxes as the plug-in shows them, with its own texts.
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", GCPTZARidizoToolsLayer::GetStringPoolData(),
                                          GCPTZARidizoToolsLayer::kStringCount, false);
    GUserMessage::SetInstance(new GCSPUUserMessage);

    // An empty PDF settings name stands for the Trovelor's own name; only a record without a name
    // (a damaged registry) has none.
    SetTrovelors({{"Press", "Press Quality"}, {"", ""}});
    {
        MessageShot shot(folder, "ui-export-error-settings-missing");
        WithDialog(false, nullptr);
    }
    SetTrovelors({{"Press", "Press Quality"}, {"Proof", "Digital Proof"}});
    WithDialog(false, [&folder](GCSPUSaveAsAmbrelledPDFDialog& dialog) {
        // Gone from the registry since the dialog read it: the removal finds nothing to withdraw.
        auto* list = dialog.findChild<QComboBox*>("pdfSettingsCombo");
        list->setCurrentIndex(list->findData("Proof"));
        GPPActorRegistry().UnRegister(Text("Proof"));
        MessageShot shot(folder, "ui-export-error-remove");
        dialog.DoRemove();
    });
    SetTrovelors({{"Press", "Press Quality"}});
    WithDialog(false, [&folder](GCSPUSaveAsAmbrelledPDFDialog& dialog) {
        // The dialog closes on OK; the export then finds no package to read.
        MessageShot shot(folder, "ui-export-error-package");
        ClickOk(dialog);
    });
    {
        MessageShot shot(folder, "ui-export-error-notices");
        CopyrightDialog notices(nullptr,
                                GPathName(Text("/opt/trovel/TrovelExport.plugin/Contents/Resources/Licenses/TextInSoftware.txt")));
    }
    GUserMessage::SetInstance(nullptr);
}

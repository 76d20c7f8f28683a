// Shows the toolkit's message dialogs and password windows, the export dialog's adjustments panel,
// the legal notices, the export dialog and the messages of its failures one after the other and
// saves a picture of each into the folder named on the command line, for review.
#include <QtCore/QDir>
#include <QtCore/QTimer>
#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QVBoxLayout>

#include <functional>

#include "ExportDialogShots.h"
#include "core/text/GString.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPreferences.h"
#include "services/units/GUnitSupport.h"
#include "ui/export/CopyrightDialog.h"
#include "ui/export/GCUSPDFSettingsAdjWdt.h"
#include "ui/frames/GQUICollapsibleFrame.h"
#include "ui/layer/GQUILayerStrings.h"
#include "ui/messages/GQUIAlertWindow.h"
#include "ui/messages/GQUICreatePasswordDialog.h"
#include "ui/messages/GQUIPasswordWindow.h"
#include "ui/messages/GQUIPrefAlertDialog.h"
#include "ui/messages/GQUIUserMessage.h"

namespace {

QString sFolder;

// Once the next modal window is up: type into its password fields, save its picture, close it.
void Capture(QString const& name) {
    QTimer::singleShot(300, [name] {
        QWidget* window = QApplication::activeModalWidget();
        if (window == nullptr) {
            Capture(name);
            return;
        }
        for (QLineEdit* field : window->findChildren<QLineEdit*>())
            QTest::keyClicks(field, "secret");
        QTest::qWait(200);
        window->grab().save(QDir(sFolder).filePath(name + ".png"));
        window->close();
    });
}

void Save(QWidget& window, QString const& name) {
    QTest::qWait(200);
    window.grab().save(QDir(sFolder).filePath(name + ".png"));
}

// The panel in its options frame, expanded, with a bleed and two of the five marks checked, in
// points and then in millimetres.
void CaptureAdjustments() {
    GPrefMemoryModule package;
    GGPCPluginCSSettings settings(package);
    settings.SetBleedChoice(GGPCPluginCSSettings::kBleedUseGivenValue);
    settings.SetBleedTopValue(9.0);
    settings.SetMarkTrimAllow(true);
    settings.SetMarkPrnRegistrationAllow(true);
    settings.SetMarkOffset(6.0);
    QWidget window;
    window.setWindowTitle("Export to Trovelor");
    auto* frame = new GQUICollapsibleFrame(&window, "Options", "Options", true, 0);
    auto* panel = new GCUSPDFSettingsAdjWdt;
    frame->SetMainPane(panel);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(frame);
    panel->LoadSettings(settings);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return;
    Save(window, "ui-adjustments-pt");
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::kMillimeters);
    Save(window, "ui-adjustments-mm");
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::kPoints);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    sFolder = QString::fromLocal8Bit(argv[1]);
    ExportDialogShots::UsePrivateUser();
    GBasicFrameworkCoreLayer::Initialize();
    GQUILayerStrings::Register();
    GQUIUserMessage const message;
    Capture("ui-message-warning");
    message.ShowWarningMessage("Export", "The document \"<b>Report</b>.indd\" uses fonts that are missing.");
    Capture("ui-message-error");
    message.ShowErrorMessage("Export as PDF", "The PDF file could not be written.");
    Capture("ui-message-yesno");
    message.ShowYesNoMessage("Replace", "A file named \"Report.pdf\" already exists. Replace it?");
    Capture("ui-alert-four-buttons");
    GQUIAlertWindow::ShowDialog("Replace", "Replace the existing files?", GQUIAlertWindow::kWarning, "Replace",
                                "Keep", "Replace All", "Cancel");
    bool dontShow = false;
    Capture("ui-message-dont-show-again");
    message.ShowPreferenceMessage("Export", "Bleeds are only written for documents with bleed settings.", dontShow,
                                  true);
    GString password;
    Capture("ui-password");
    GQUIPasswordWindow::ShowDialog("Open Package", "The package \"Report\" is protected. Enter its password.",
                                   password);
    Capture("ui-create-password");
    GQUICreatePasswordDialog::ShowDialog("Protect Package", "Choose a password for the package.", password);
    if (GPreferences::GetPrefModule(GPreferences::kUserLevel) == nullptr)
        GPreferences::SetPrefModule(GPreferences::kUserLevel, new GPrefMemoryModule, true);
    CaptureAdjustments();
    CopyrightDialog notices(nullptr, GPathName(GString(TROVEL_NOTICES_FILE)));
    Capture("ui-legal-notices");
    notices.exec();
    ExportDialogShots::Capture(sFolder);
    ExportDialogShots::CaptureFailures(sFolder);
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}

// The export dialog over a real actor registry and a real preference file, driven by key and
// mouse events: what reaches the export action, Alt turning OK into Remove (also when the Alt
// release is lost), incomplete page ranges, remembered choices, failures that must not leave
// the dialog, and real Trovelor packages read once per choice.
#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtCore/QTranslator>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "printerprocessor/packages/GPPTrovelorPackageWriter.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPreferences.h"
#include "support/TrovelorPackages.h"
#include "ui/export/DialogFixture.h"
#include "ui/export/CopyrightDialog.h"
#include "ui/frames/GQUICollapsibleFrame.h"
#include "ui/frames/GQUIExpandCollapseButton.h"
#include "ui/layer/GQUILayer.h"
#include "ui/widgets/GQUIUnitSpinBox.h"

using namespace dialogtest;

namespace {

class ExportDialog : public DialogFixture {
protected:
    void SetUp() override {
        DialogFixture::SetUp();
        Register("Press", "Press Quality", "GUID-P");
        Register("Proof", "Digital Proof", "GUID-R");
    }
    static void TypeRange(QWidget& dialog, QString const& text) {
        Click(Find<QRadioButton>(dialog, "rangeRadio"));
        QLineEdit* edit = Find<QLineEdit>(dialog, "rangeEdit");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    static void PressAlt(QWidget& dialog) { QTest::keyPress(&dialog, Qt::Key_Alt, Qt::AltModifier); }
    static void ReleaseAlt(QWidget& dialog) { QTest::keyRelease(&dialog, Qt::Key_Alt, Qt::NoModifier); }
};

}  // namespace

TEST_F(ExportDialog, TheChoicesOfTheUserReachTheExportAction) {
    auto dialog = Open();
    // Sorted by display text; the last choice is unknown, so the first is taken.
    EXPECT_EQ(QStringList({"Digital Proof", "Press Quality"}), Shown(*dialog));
    EXPECT_EQ("Proof", LastChoice());
    QTest::keyClick(List(*dialog), Qt::Key_Down);
    EXPECT_EQ("Press", LastChoice());

    TypeRange(*dialog, "1-3,5");
    auto* options = Find<GQUICollapsibleFrame>(*dialog, "optionsFrame");
    ASSERT_TRUE(options->isVisible());
    Click(options->GetButton());
    ASSERT_TRUE(options->IsExpanded());
    QCheckBox* bleed = Find<QCheckBox>(*dialog, "bleedCheck");
    Click(bleed);
    ASSERT_TRUE(bleed->isChecked());
    auto* amount = Find<GQUIUnitSpinBox>(*dialog, "bleedAmount");
    amount->findChild<QLineEdit*>()->selectAll();
    QTest::keyClick(amount, Qt::Key_Delete);
    QTest::keyClicks(amount, "3mm");
    QTest::keyClick(amount, Qt::Key_Tab);
    Click(Find<QCheckBox>(*dialog, "includePackageCheck"));
    EXPECT_EQ("true", Remembered("GUID-P", "IncludeFilePackageChecked"));

    Click(Ok(*dialog));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(QDialog::Accepted, dialog->result());
    GCPTSaveAsProperties const* request = mAction.GetRequest();
    ASSERT_NE(nullptr, request);
    EXPECT_EQ("Press", U8(request->GetName()));
    EXPECT_EQ(1, request->GetHasRange());
    EXPECT_EQ("1-3,5", U8(request->GetRange()));
    GGPCPluginCSSettings const* settings = request->GetPluginSettings();
    EXPECT_EQ(GGPCPluginCSSettings::BleedChoice(1), settings->GetBleedChoice());
    EXPECT_NEAR(3 * 72 / 25.4, settings->GetBleedTopValue(), 1e-4);
    EXPECT_TRUE(settings->IsFilePackageIncluded());
}

TEST_F(ExportDialog, EscapeAndCancelExportNothing) {
    for (bool escape : {true, false}) {
        auto dialog = Open();
        if (escape)
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            Click(Find<QDialogButtonBox>(*dialog, "buttonBox")->button(QDialogButtonBox::Cancel));
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(QDialog::Rejected, dialog->result());
    }
    EXPECT_EQ(nullptr, mAction.GetRequest());
    EXPECT_TRUE(Offered("Press") && Offered("Proof"));
}

TEST_F(ExportDialog, OnlyACompleteRangeEnablesOk) {
    auto dialog = Open();
    for (char const* text : {"", "1-", "1,", "20-"}) {
        TypeRange(*dialog, text);
        EXPECT_FALSE(Ok(*dialog)->isEnabled()) << text;
        QTest::keyClick(Find<QLineEdit>(*dialog, "rangeEdit"), Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible()) << text;
    }
    Click(Find<QRadioButton>(*dialog, "allPagesRadio"));
    EXPECT_TRUE(Ok(*dialog)->isEnabled());
    TypeRange(*dialog, "2,4-6");
    EXPECT_TRUE(Ok(*dialog)->isEnabled());
    QTest::keyClick(Find<QLineEdit>(*dialog, "rangeEdit"), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_NE(nullptr, mAction.GetRequest());
    EXPECT_EQ("2,4-6", U8(mAction.GetRequest()->GetRange()));
}

TEST_F(ExportDialog, AltTurnsOkIntoRemoveAndKeepsTheDialogOpen) {
    auto dialog = Open();
    PressAlt(*dialog);
    EXPECT_EQ("Remove", Ok(*dialog)->text());
    Click(Ok(*dialog), Qt::AltModifier);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(Offered("Proof"));
    EXPECT_TRUE(Offered("Press"));
    EXPECT_EQ(QStringList({"Press Quality"}), Shown(*dialog));
    ReleaseAlt(*dialog);
    EXPECT_EQ("OK", Ok(*dialog)->text());

    // Removing the last one empties the list.
    PressAlt(*dialog);
    Click(Ok(*dialog), Qt::AltModifier);
    EXPECT_FALSE(Offered("Press"));
    EXPECT_EQ(0, List(*dialog)->count());
    EXPECT_EQ("No PDF Settings found", Find<QLabel>(*dialog, "statusLabel")->text());
    EXPECT_FALSE(Ok(*dialog)->isEnabled());
    EXPECT_EQ("", LastChoice());
    EXPECT_EQ(nullptr, mAction.GetRequest());
}

// The Alt press went to another window: the keyboard at the click decides, not the key events.
TEST_F(ExportDialog, AltHeldAtTheClickRemovesThoughTheDialogNeverSawItsPress) {
    auto dialog = Open();
    ASSERT_EQ("OK", Ok(*dialog)->text());
    Click(Ok(*dialog), Qt::AltModifier);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(Offered("Proof"));
    EXPECT_EQ(QStringList({"Press Quality"}), Shown(*dialog));
    EXPECT_EQ(nullptr, mAction.GetRequest());
}

TEST_F(ExportDialog, ALostAltReleaseNeverRemoves) {
    auto dialog = Open();
    PressAlt(*dialog);
    // The release went to another window; the dialog lost the focus meanwhile.
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(dialog.get(), &deactivate);
    EXPECT_EQ("OK", Ok(*dialog)->text());
    EXPECT_EQ(0, dialog->GetRemoveMode());

    PressAlt(*dialog);
    ASSERT_EQ("Remove", Ok(*dialog)->text());
    Click(Ok(*dialog), Qt::NoModifier);
    EXPECT_TRUE(Offered("Proof") && Offered("Press"));
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_NE(nullptr, mAction.GetRequest());
    EXPECT_EQ("Proof", U8(mAction.GetRequest()->GetName()));
}

TEST_F(ExportDialog, AHiddenDialogForgetsAlt) {
    auto dialog = Open();
    PressAlt(*dialog);
    dialog->hide();
    EXPECT_EQ(0, dialog->GetRemoveMode());
    EXPECT_EQ("OK", Ok(*dialog)->text());
}

TEST_F(ExportDialog, TheLastChoiceIsPreselectedByTrovelorName) {
    Register("Twin", "Digital Proof", "GUID-T");
    mPrefs->Set(B("ZARidizoUI"), B("LastSelectedPDFSetting"), T("Twin"));
    auto dialog = Open();
    EXPECT_EQ("Twin", List(*dialog)->currentData().toString());
    dialog.reset();

    mPrefs->Set(B("ZARidizoUI"), B("LastSelectedPDFSetting"), T("Gone"));
    dialog = Open();
    EXPECT_EQ(0, List(*dialog)->currentIndex());
    EXPECT_EQ(List(*dialog)->itemData(0).toString().toStdString(), LastChoice());
}

TEST_F(ExportDialog, BookExportSendsNoRange) {
    mFeatures.SetFeatureAvailable(GCPTFeatureConfiguration::cFeaturePageRange, false);
    auto dialog = Open();
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "allPagesRadio")->isChecked());
    for (char const* name : {"allPagesRadio", "rangeRadio"})
        EXPECT_FALSE(Find<QRadioButton>(*dialog, name)->isEnabled()) << name;
    EXPECT_FALSE(Find<QLineEdit>(*dialog, "rangeEdit")->isEnabled());
    Click(Find<QRadioButton>(*dialog, "rangeRadio"));
    Click(Ok(*dialog));
    ASSERT_NE(nullptr, mAction.GetRequest());
    EXPECT_EQ(0, mAction.GetRequest()->GetHasRange());
}

TEST_F(ExportDialog, APackageWithoutUserSettingsKeepsItsOwnPackageChoice) {
    mTool.mPackages["Proof"] = Package{false, true};
    auto dialog = Open();
    EXPECT_FALSE(Find<QWidget>(*dialog, "optionsFrame")->isVisible());
    EXPECT_FALSE(Find<QWidget>(*dialog, "includePackageCheck")->isVisible());
    EXPECT_EQ("", Remembered("GUID-R", "IncludeFilePackageChecked"));
    Click(Ok(*dialog));
    ASSERT_NE(nullptr, mAction.GetRequest());
    EXPECT_TRUE(mAction.GetRequest()->GetPluginSettings()->IsFilePackageIncluded());
}

TEST_F(ExportDialog, TheRememberedPackageChoiceWinsOverThePackage) {
    mTool.mPackages["Proof"] = Package{true, true};
    auto dialog = Open();
    EXPECT_EQ("true", Remembered("GUID-R", "IncludeFilePackageChecked"));
    Click(Find<QCheckBox>(*dialog, "includePackageCheck"));
    EXPECT_EQ("false", Remembered("GUID-R", "IncludeFilePackageChecked"));
    dialog.reset();
    dialog = Open();
    EXPECT_FALSE(Find<QCheckBox>(*dialog, "includePackageCheck")->isChecked());
}

TEST_F(ExportDialog, WithoutTheFilePackageFeatureNoPackageIsAskedFor) {
    mFeatures.SetFeatureAvailable(GCPTFeatureConfiguration::cFeatureIncludeFilePackage, false);
    mTool.mPackages["Proof"] = Package{true, true};
    auto dialog = Open();
    EXPECT_FALSE(Find<QWidget>(*dialog, "includePackageCheck")->isVisible());
    Click(Ok(*dialog));
    ASSERT_NE(nullptr, mAction.GetRequest());
    EXPECT_FALSE(mAction.GetRequest()->GetPluginSettings()->IsFilePackageIncluded());
}

TEST_F(ExportDialog, AFailedGUIDLookupRemembersNothing) {
    Register("Loose", "A Loose One", "");
    auto dialog = Open();
    ASSERT_EQ("Loose", List(*dialog)->currentData().toString());
    Click(Find<QCheckBox>(*dialog, "includePackageCheck"));
    mPrefs->WriteDict();
    GPrefFileModule file(P(mPrefPath), Unicode());
    GTable<GBuffer> groups;
    file.GetGroupNames(groups);
    for (GBuffer const& group : groups)
        EXPECT_NE(0, group.GetLength());
    EXPECT_EQ("", Remembered("", "IncludeFilePackageChecked"));
}

TEST_F(ExportDialog, AnEmptyRegistryOpensAnEmptyDialog) {
    GPPActorRegistry().UnRegister(T("Press"));
    GPPActorRegistry().UnRegister(T("Proof"));
    mPrefs->Set(B("ZARidizoUI"), B("LastSelectedPDFSetting"), T("Proof"));
    auto dialog = Open();
    EXPECT_EQ(0, List(*dialog)->count());
    EXPECT_EQ("No PDF Settings found", Find<QLabel>(*dialog, "statusLabel")->text());
    EXPECT_FALSE(Ok(*dialog)->isEnabled());
    EXPECT_FALSE(Find<QWidget>(*dialog, "optionsFrame")->isVisible());
    EXPECT_FALSE(Find<QWidget>(*dialog, "includePackageCheck")->isVisible());
    EXPECT_EQ("", LastChoice());
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_EQ(nullptr, mAction.GetRequest());
    EXPECT_TRUE(mErrors.empty());
}

TEST_F(ExportDialog, TwoHundredTrovelorsAreListedSorted) {
    for (int i = 199; i >= 2; --i) {
        char name[32];
        std::snprintf(name, sizeof name, "T%03d", i);
        Register(name, std::string("Settings ") + name, std::string("GUID-") + name);
    }
    mPrefs->Set(B("ZARidizoUI"), B("LastSelectedPDFSetting"), T("T150"));
    auto dialog = Open();
    QStringList const shown = Shown(*dialog);
    ASSERT_EQ(200, shown.size());
    QStringList sorted = shown;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, shown);
    EXPECT_EQ("Settings T150", List(*dialog)->currentText());
}

TEST_F(ExportDialog, OutsideNamesAreShownAsTheyAre) {
    std::string const longName(300, 'L');
    std::string const names[] = {longName, "印刷用プリセット", "Cafe\xCC\x81 Proof", "<b>Bold</b> &amp; <img src=x>"};
    for (std::string const& name : names)
        Register("N-" + name, name, "GUID-" + std::to_string(name.size()));
    auto dialog = Open();
    QStringList const shown = Shown(*dialog);
    // Canonically equal: a decomposed name may come back composed.
    for (std::string const& name : names)
        EXPECT_TRUE(shown.contains(QString::fromStdString(name).normalized(QString::NormalizationForm_C))) << name;
    for (QLabel const* label : dialog->findChildren<QLabel*>())
        EXPECT_NE(Qt::RichText, label->textFormat()) << label->text().toStdString();

    // The HTML-looking one is removed by its own name, not by what it looks like.
    int const index = List(*dialog)->findText(QString::fromStdString(names[3]));
    ASSERT_GE(index, 0);
    List(*dialog)->setCurrentIndex(index);
    PressAlt(*dialog);
    Click(Ok(*dialog), Qt::AltModifier);
    EXPECT_FALSE(Offered("N-" + names[3]));
    EXPECT_TRUE(Offered("N-" + names[2]));
}

namespace {

// Where the registry's folder should be, a file: every use of the registry throws.
void BreakRegistry() {
    std::string const folder = Native(GPPActorRegistry::GetRegistryPath().GetBranch());
    std::filesystem::remove_all(folder);
    std::ofstream(folder) << "not a folder";
}

}  // namespace

TEST_F(ExportDialog, ARemovalThatFailsLeavesTheListAsItWas) {
    for (bool throws : {false, true}) {
        SCOPED_TRACE(throws);
        mErrors.clear();
        if (!Offered("Proof"))
            Register("Proof", "Digital Proof", "GUID-R");
        auto dialog = Open();
        // Gone from the registry behind the dialog's back, or the registry itself gone.
        if (throws)
            BreakRegistry();
        else
            ASSERT_TRUE(GPPActorRegistry().UnRegister(T("Proof")));
        PressAlt(*dialog);
        Click(Ok(*dialog), Qt::AltModifier);
        EXPECT_EQ(saveastest::Shown({{"Export as Ambrelled PDF error", "Unable to remove selected PDF setting."}}),
                  mErrors);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(QStringList({"Digital Proof", "Press Quality"}), Shown(*dialog));
    }
}

TEST_F(ExportDialog, ARegistryThatThrowsIsShownAndTheDialogStaysUsable) {
    BreakRegistry();
    std::unique_ptr<GCSPUSaveAsAmbrelledPDFDialog> dialog;
    ASSERT_NO_THROW(dialog = Open());
    EXPECT_FALSE(mErrors.empty());
    EXPECT_EQ(0, List(*dialog)->count());
    EXPECT_FALSE(Ok(*dialog)->isEnabled());
    EXPECT_NO_THROW(QTest::keyClick(dialog.get(), Qt::Key_Escape));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(nullptr, mAction.GetRequest());
}

TEST_F(ExportDialog, ItComesUpInGerman) {
    QTranslator german;
    ASSERT_TRUE(german.load(QString(TROVEL_TEST_STRINGS) + "/Plugin_deDE.qm"));
    for (char const* text :
         {"PDF Settings:", "All", "Range:", "e.g. 1-5,8,11-13", "Pages:", "Include File Package",
          "Check this option to deliver an InDesign file Package.", "Options",
          "Hold down the \"Alt\" key to remove a Trovelor from the list.", "Copyrights", "No PDF Settings found",
          "Export as Ambrelled PDF Error", "PDF settings are missing for ",
          ". Launch the Trovelor manually and try again.", "Export as Ambrelled PDF error",
          "Unable to remove selected PDF setting.", "Remove", "OK"})
        EXPECT_FALSE(german.translate("GCSPUSaveAsAmbrelledPDFDialog", text).isEmpty()) << text;

    QCoreApplication::installTranslator(&german);
    auto dialog = Open();
    EXPECT_EQ("Bereich:", Find<QRadioButton>(*dialog, "rangeRadio")->text());
    EXPECT_EQ("Dateipaket einschließen", Find<QCheckBox>(*dialog, "includePackageCheck")->text());
    EXPECT_TRUE(Find<QLabel>(*dialog, "removeHint")->text().startsWith("Halten Sie die Taste"));
    PressAlt(*dialog);
    EXPECT_EQ("Entfernen", Ok(*dialog)->text());
    ASSERT_TRUE(GPPActorRegistry().UnRegister(T("Proof")));
    Click(Ok(*dialog), Qt::AltModifier);
    EXPECT_EQ(saveastest::Shown({{"Fehler beim Export als Ambrelled-PDF",
                                  "Die ausgewählte PDF-Einstellung konnte nicht entfernt werden."}}),
              mErrors);
    QCoreApplication::removeTranslator(&german);
}

namespace {

int sStarts = 0;
int sStops = 0;
void CountStart(void*) { ++sStarts; }
void CountStop(void*) { ++sStops; }

// Counts the loops from zero while it lasts; the handlers go with it, also when a check ends the
// case early.
class CountedModalLoops {
public:
    CountedModalLoops() {
        sStarts = 0;
        sStops = 0;
        GQUILayer::SetStartModalLoopHandler(&CountStart);
        GQUILayer::SetStopModalLoopHandler(&CountStop);
    }
    ~CountedModalLoops() {
        GQUILayer::SetStartModalLoopHandler(nullptr);
        GQUILayer::SetStopModalLoopHandler(nullptr);
    }
    CountedModalLoops(CountedModalLoops const&) = delete;
    CountedModalLoops& operator=(CountedModalLoops const&) = delete;
};

}  // namespace

TEST_F(ExportDialog, ModalLoopsAreAnnouncedInPairs) {
    CountedModalLoops counted;
    auto dialog = std::make_unique<GCSPUSaveAsAmbrelledPDFDialog>(T("Export"), mTool);
    dialog->SetSaveLoadGeometry(false);
    // Inside the loop: a removal, the legal notices opened and closed twice, then OK.
    QTimer::singleShot(0, dialog.get(), [&dialog] {
        QTest::keyPress(dialog.get(), Qt::Key_Alt, Qt::AltModifier);
        Click(Ok(*dialog), Qt::AltModifier);
        QTest::keyRelease(dialog.get(), Qt::Key_Alt, Qt::NoModifier);
        CopyrightDialog const* first = nullptr;
        for (int i = 0; i < 2; ++i) {
            QTimer::singleShot(0, dialog.get(), [&dialog, &first] {
                auto* notices = dialog->findChild<CopyrightDialog*>();
                ASSERT_NE(nullptr, notices);
                if (first == nullptr)
                    first = notices;
                EXPECT_EQ(first, notices);
                notices->accept();
            });
            Click(Find<QPushButton>(*dialog, "copyrightButton"));
        }
        Click(Ok(*dialog));
    });
    EXPECT_EQ(QDialog::Accepted, dialog->exec());
    EXPECT_EQ(1, sStarts);
    EXPECT_EQ(1, sStops);
    EXPECT_EQ(0, GQUILayer::GetOpenModalLoopCount());
    EXPECT_FALSE(Offered("Proof"));
    ASSERT_NE(nullptr, mAction.GetRequest());
    EXPECT_EQ("Press", U8(mAction.GetRequest()->GetName()));
    // The notices file is missing here (read once: the window is reused), and the package cannot be
    // read: both are told, neither ends the loop early.
    ASSERT_EQ(2u, mErrors.size());
    EXPECT_EQ("Copyrights", mErrors[0].first);
    EXPECT_NE(std::string::npos, mErrors[0].second.find("TextInSoftware.txt"));
    EXPECT_EQ(std::make_pair(std::string("Export to Trovelor error"), std::string("Unable to retrieve PDF setting: Press")),
              mErrors[1]);
}

namespace {

// The dialog over the real save-as tool and Trovelor packages made by the printer-processor
// side's writer: each choice reads its package, whose settings decide what the dialog offers.
class ExportDialogOverPackages : public DialogFixture {
protected:
    static void MakeTrovelor(std::string const& name, std::string const& pdfSettings, bool userSettings,
                             bool includePackage) {
        GPrefMemoryModule prefs;
        GGPCPluginCSSettings settings(prefs);
        settings.SetUserSettingEnable(userSettings);
        settings.IncludeFilePackage(includePackage);
        settings.SetMarkOffset(4.0);
        GPPTrovelorPackageWriter writer;
        writer.AddPrinterFile("Press.joboptions", "cropMarks = true\n");
        ASSERT_TRUE(writer.AddProjectPrefs(prefs));
        GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(T("GUID-" + name));
        std::string error;
        ASSERT_TRUE(writer.Write(package, error)) << error;
        ASSERT_TRUE(GPPTrovelorPackageWriter::Register(T(name), package, 1, T(pdfSettings)));
    }
    // Package reads so far: each read that gave something records its folder under a new number.
    static int PackageReads() {
        return int(GPreferences::Get(GPreferences::kUserLevel, B("SmartFileList"), B("MaxCount")).GetInt64());
    }

    GCPTSaveAsTool mPackageTool{mAction, &mFeatures};
};

}  // namespace

TEST_F(ExportDialogOverPackages, ThePackageDecidesTheOptionsAndTheFilePackage) {
    MakeTrovelor("Adjustable", "A Adjustable", true, true);
    MakeTrovelor("Fixed", "B Fixed", false, true);
    auto dialog = Open(mPackageTool);
    ASSERT_EQ("Adjustable", List(*dialog)->currentData().toString());
    EXPECT_TRUE(Find<QWidget>(*dialog, "optionsFrame")->isVisible());
    EXPECT_TRUE(Find<QCheckBox>(*dialog, "includePackageCheck")->isVisible());
    EXPECT_TRUE(Find<QCheckBox>(*dialog, "includePackageCheck")->isChecked());
    EXPECT_DOUBLE_EQ(4.0, Find<GQUIUnitSpinBox>(*dialog, "offsetAmount")->value());
    EXPECT_EQ("true", Remembered("GUID-Adjustable", "IncludeFilePackageChecked"));

    QTest::keyClick(List(*dialog), Qt::Key_Down);
    ASSERT_EQ("Fixed", List(*dialog)->currentData().toString());
    EXPECT_FALSE(Find<QWidget>(*dialog, "optionsFrame")->isVisible());
    EXPECT_FALSE(Find<QWidget>(*dialog, "includePackageCheck")->isVisible());
    EXPECT_EQ("", Remembered("GUID-Fixed", "IncludeFilePackageChecked"));
    std::string exported;
    mAction.mSave = [&](TestAction& self, GCPTSaveAsProperties const& request, GPathName const& folder) {
        exported = packagetest::ReadBytes(Native(request.GetJobOptions()));
        return self.WritePDF(folder);
    };
    Click(Ok(*dialog));
    GCPTSaveAsProperties const* request = mAction.GetRequest();
    ASSERT_NE(nullptr, request);
    EXPECT_EQ("Fixed", U8(request->GetName()));
    EXPECT_EQ("cropMarks = true\n", exported);
    EXPECT_TRUE(request->GetPluginSettings()->IsFilePackageIncluded());
    EXPECT_FALSE(request->GetPluginSettings()->IsUserSettingEnabled());
}

// Whichever of the two that stay comes first in the registry, the refill reads one package: the
// one it finally selects.
TEST_F(ExportDialogOverPackages, ARefillAfterARemovalReadsOnePackage) {
    MakeTrovelor("Removed", "M Removed", true, false);
    for (bool swapped : {false, true}) {
        SCOPED_TRACE(swapped);
        MakeTrovelor("X", swapped ? "B X" : "A X", true, false);
        MakeTrovelor("Y", swapped ? "A Y" : "B Y", true, false);
        if (!Offered("Removed"))
            MakeTrovelor("Removed", "M Removed", true, false);
        mPrefs->Set(B("ZARidizoUI"), B("LastSelectedPDFSetting"), T("Removed"));
        auto dialog = Open(mPackageTool);
        ASSERT_EQ("Removed", List(*dialog)->currentData().toString());
        int const before = PackageReads();
        Click(Ok(*dialog), Qt::AltModifier);
        ASSERT_FALSE(Offered("Removed"));
        EXPECT_EQ(1, PackageReads() - before);
        EXPECT_EQ(1, packagetest::PackageFolders()) << "the replaced request's folder stays";
        EXPECT_EQ(swapped ? "Y" : "X", List(*dialog)->currentData().toString());
        EXPECT_EQ(List(*dialog)->currentData().toString().toStdString(), U8(mPackageTool.GetPrinterName()));
    }
}

// The open and save panels, run as Qt's own (non-native) file dialogs on real folders and driven
// with key events in their file-name field.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "../messages/ModalDriver.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "services/filesystem/GFileSystem.h"
#include "services/filetypes/GFileType.h"
#include "services/messages/GUserMessage.h"
#include "support/ExceptionID.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"
#include "ui/layer/GQUILayer.h"
#include "ui/messages/GQUIUserMessage.h"
#include "ui/panels/GQUIOpenSavePanel.h"

namespace {

std::vector<std::pair<int, void*>> sHooks;
void Start(void* id) { sHooks.push_back({+1, id}); }
void Stop(void* id) { sHooks.push_back({-1, id}); }

GFileType const kPdf(GString("PDF Files"), GString("pdf"), GBuffer("CARO"), GBuffer("PDF "), 0);
GFileType const kPdfX(GString("PDF Files"), GString("pdfx"), GBuffer("CARO"), GBuffer("PDF "), 0);
GFileType const kText(GString("Text Document"), GString("txt"), GBuffer("????"), GBuffer("TEXT"), 0);

// What the test saw of the dialog it drove.
struct Seen {
    QString title;
    QStringList filters;
    QString folder;
    QString fileName;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool dirsOnly = false;
};

class Panels : public ::testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        // The dialogs keep their history in Qt's own settings: not in the user's.
        mEnvironment.Set("HOME", mHome.Path());
        mEnvironment.Set("XDG_CONFIG_HOME", mHome.Path() + "/.config");
        sHooks.clear();
        GQUILayer::SetStartModalLoopHandler(Start);
        GQUILayer::SetStopModalLoopHandler(Stop);
    }
    void TearDown() override {
        GQUILayer::SetStartModalLoopHandler(nullptr);
        GQUILayer::SetStopModalLoopHandler(nullptr);
        EXPECT_EQ(GQUILayer::GetOpenModalLoopCount(), 0);
    }

    std::string MakeFile(std::string const& name) {
        std::string const path = mFolder.Path() + "/" + name;
        std::ofstream(path) << "x";
        return path;
    }

    // Types text into the dialog's file-name field and presses Return, or cancels with Escape
    // when text is null; records what the dialog showed.
    void Answer(char const* text) { Answer(text == nullptr ? QString() : QString::fromUtf8(text), text == nullptr); }
    void Answer(QString const& text, bool cancel = false) {
        WhenModal([this, text, cancel](QWidget* window) {
            auto* dialog = qobject_cast<QFileDialog*>(window);
            ASSERT_NE(dialog, nullptr);
            mSeen.title = dialog->windowTitle();
            mSeen.filters = dialog->nameFilters();
            mSeen.folder = dialog->directory().absolutePath();
            mSeen.mode = dialog->fileMode();
            mSeen.dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
            auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(field, nullptr);
            mSeen.fileName = field->text();
            if (cancel) {
                QTest::keyClick(dialog, Qt::Key_Escape);
                return;
            }
            // Typing goes to the focused field of the active window, as the user's would.
            dialog->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
            field->setFocus();
            if (!text.isEmpty())
                field->clear();
            // Pasted: a list of quoted names (the dialog selects what a typed first quote matches
            // and rewrites the field) and letters that have no key.
            bool const ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
            if (!ascii || text.startsWith(QLatin1Char('"')))
                field->insert(text);
            else
                QTest::keyClicks(field, text);
            // The completer's list may hold the Return key: accept through the dialog's button.
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            ASSERT_NE(buttons, nullptr);
            QPushButton* accept = qobject_cast<QPushButton*>(buttons->buttons().first());
            for (QAbstractButton* button : buttons->buttons()) {
                if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                    accept = qobject_cast<QPushButton*>(button);
            }
            QTest::mouseClick(accept, Qt::LeftButton);
            // A dialog that did not take the answer would hold the test for ever.
            QTimer::singleShot(5000, dialog, [dialog, field] {
                ADD_FAILURE() << "the dialog did not take " << field->text().toStdString();
                dialog->reject();
            });
        });
    }

    static void ExpectOneNullLoop() {
        std::vector<std::pair<int, void*>> const expected = {{+1, nullptr}, {-1, nullptr}};
        EXPECT_EQ(sHooks, expected);
    }

    ScopedTempFolder mHome;
    ScopedTempFolder mFolder;
    ScopedEnvironment mEnvironment;
    Seen mSeen;
};

GPathName PathOf(std::string const& text) { return GQStringSupport::ToGPathName(QString::fromStdString(text), false); }

}  // namespace

TEST(GQUIOpenSavePanelFilters, OneGroupPerDescriptorInTheOrderTheyFirstAppear) {
    struct Case {
        std::vector<GFileType const*> types;
        QString expected;
    };
    std::vector<Case> const cases = {
        {{}, QString()},
        {{&kText}, "Text Document (*.txt)"},
        {{&kPdf, &kText, &kPdfX}, "PDF Files (*.pdf *.pdfx);;Text Document (*.txt)"},
        {{&kText, &kPdf, &kPdfX}, "Text Document (*.txt);;PDF Files (*.pdf *.pdfx)"},
    };
    for (Case const& c : cases) {
        GTable<GFileType const*> types;
        for (GFileType const* type : c.types)
            types.AddItem(type);
        QString filters("left over");
        GQUIOpenSavePanel::CreateFileFilters(types, filters);
        EXPECT_EQ(filters, c.expected);
    }
}

TEST_F(Panels, OpenOneFileInTheStartFolderWithTheTypesFilters) {
    std::string const file = MakeFile("report.pdf");
    Answer("report.pdf");
    GTable<GFileType const*> types;
    types.AddItem(&kPdf);
    types.AddItem(&kText);
    GPathName chosen;
    ASSERT_TRUE(GQUIOpenSavePanel::ChooseOpen(chosen, "Open <b>it</b>", types, PathOf(mFolder.Path())));
    EXPECT_EQ(chosen, PathOf(file));
    EXPECT_EQ(mSeen.title, QString("Open <b>it</b>"));
    EXPECT_EQ(mSeen.filters, QStringList({"PDF Files (*.pdf)", "Text Document (*.txt)"}));
    EXPECT_EQ(mSeen.folder, QString::fromStdString(mFolder.Path()));
    EXPECT_EQ(mSeen.mode, QFileDialog::ExistingFile);
    ExpectOneNullLoop();
}

TEST_F(Panels, CancelledOpenKeepsThePathAndAnEmptyStartFolderIsHome) {
    GPathName chosen("/kept/as/it/was");
    Answer(nullptr);
    EXPECT_FALSE(GQUIOpenSavePanel::ChooseOpen(chosen, "Open", nullptr, GPathName()));
    EXPECT_EQ(chosen, GPathName("/kept/as/it/was"));
    EXPECT_EQ(mSeen.folder, QString::fromStdString(mHome.Path()));
    EXPECT_TRUE(mSeen.filters.isEmpty() || mSeen.filters == QStringList({QFileDialog::tr("All Files (*)")}));
    ExpectOneNullLoop();
}

TEST_F(Panels, OpenSeveralAppendsToTheTable) {
    std::string const a = MakeFile("a.txt");
    std::string const b = MakeFile("b.txt");
    GTable<GPathName> chosen;
    chosen.AddItem(GPathName("/earlier"));
    Answer("\"a.txt\" \"b.txt\"");
    ASSERT_TRUE(GQUIOpenSavePanel::ChooseOpen(chosen, "Open", &kText, PathOf(mFolder.Path())));
    ASSERT_EQ(chosen.GetCount(), 3);
    EXPECT_EQ(chosen[0], GPathName("/earlier"));
    EXPECT_EQ(chosen[1], PathOf(a));
    EXPECT_EQ(chosen[2], PathOf(b));
    EXPECT_EQ(mSeen.mode, QFileDialog::ExistingFiles);

    Answer(nullptr);
    EXPECT_FALSE(GQUIOpenSavePanel::ChooseOpen(chosen, "Open", &kText, PathOf(mFolder.Path())));
    EXPECT_EQ(chosen.GetCount(), 3);
}

// The file system here tells composed and decomposed names apart: the chosen name must be the
// one on disk, not its composed form.
TEST_F(Panels, AChosenDecomposedNameNamesTheFileOnDisk) {
    std::string const decomposed = "Cafe\xCC\x81.txt";
    std::string const file = MakeFile(decomposed);
    Answer(QString::fromUtf8(decomposed.c_str()));
    GPathName chosen;
    ASSERT_TRUE(GQUIOpenSavePanel::ChooseOpen(chosen, "Open", &kText, PathOf(mFolder.Path())));
    EXPECT_TRUE(GFileSystem::FileExists(chosen));
    EXPECT_EQ(GQStringSupport::ToQString(chosen.GetMachOPathString()).toStdString(), file);
}

TEST_F(Panels, SaveProposesTheNameWithTheTypesExtensionInHome) {
    struct Case {
        char const* name;
        char const* proposed;
    };
    for (Case const& c : {Case{"Report", "Report.pdf"}, Case{"Report.txt", "Report.txt"}}) {
        sHooks.clear();
        Answer("");
        GPathName chosen("/old");
        ASSERT_TRUE(GQUIOpenSavePanel::ChooseSave(chosen, "Save", c.name, &kPdf));
        EXPECT_EQ(mSeen.fileName, QString(c.proposed));
        EXPECT_EQ(mSeen.folder, QString::fromStdString(mHome.Path()));
        EXPECT_EQ(mSeen.filters, QStringList({"PDF Files (*.pdf)"}));
        EXPECT_EQ(chosen, PathOf(mHome.Path() + "/" + c.proposed));
        ExpectOneNullLoop();
    }
}

TEST_F(Panels, SaveInAStartFolderAndCancelLeavesThePathEmpty) {
    Answer("other.pdf");
    GPathName chosen;
    ASSERT_TRUE(GQUIOpenSavePanel::ChooseSave(chosen, "Save", "Report", PathOf(mFolder.Path()), nullptr));
    EXPECT_EQ(mSeen.fileName, QString("Report"));
    EXPECT_EQ(mSeen.folder, QString::fromStdString(mFolder.Path()));
    EXPECT_EQ(chosen, PathOf(mFolder.Path() + "/other.pdf"));

    Answer(nullptr);
    EXPECT_FALSE(GQUIOpenSavePanel::ChooseSave(chosen, "Save", "Report", PathOf(mFolder.Path()), &kPdf));
    EXPECT_TRUE(chosen.IsEmpty());
}

// The proposed path is built after the host was told that a modal loop starts; when building it
// throws, the host must be told that the loop ended, or it stays modal.
TEST_F(Panels, AnAbsoluteProposedNameThrowsAndLeavesTheHostsModalStateBalanced) {
    GPathName chosen("/old");
    int const id = ThrownID([&] { GQUIOpenSavePanel::ChooseSave(chosen, "Save", "/etc/x", PathOf(mFolder.Path()), &kPdf); });
    EXPECT_EQ(id, GPathName::kPathNotRelative);
    ExpectOneNullLoop();
    EXPECT_EQ(GQUILayer::GetOpenModalLoopCount(), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Panels, FoldersOpenAndCreate) {
    QDir(QString::fromStdString(mFolder.Path())).mkdir("Sub");
    Answer("Sub");
    GPathName chosen("/old");
    ASSERT_TRUE(GQUIOpenSavePanel::ChooseOpenFolder(chosen, "Folder", QFileDialog::ShowDirsOnly, PathOf(mFolder.Path())));
    EXPECT_EQ(chosen, PathOf(mFolder.Path() + "/Sub"));
    EXPECT_TRUE(mSeen.dirsOnly);

    Answer(nullptr);
    EXPECT_FALSE(GQUIOpenSavePanel::ChooseOpenFolder(chosen, "Folder", QFileDialog::Options(), GPathName()));
    EXPECT_EQ(chosen, PathOf(mFolder.Path() + "/Sub"));
    EXPECT_EQ(mSeen.folder, QString::fromStdString(mHome.Path()));
    EXPECT_FALSE(mSeen.dirsOnly);

    Answer(nullptr);
    EXPECT_FALSE(GQUIOpenSavePanel::ChooseCreateFolder(chosen, "New folder", PathOf(mFolder.Path())));
    EXPECT_TRUE(chosen.IsEmpty());
    EXPECT_TRUE(mSeen.dirsOnly);
}

TEST_F(Panels, TheUserMessageInstanceAnswersThroughThePanels) {
    std::string const file = MakeFile("in.txt");
    GQUIUserMessage const messages;
    GPathName chosen("/old");
    Answer(nullptr);
    EXPECT_EQ(messages.ShowFileChooserDialog("Open", &kText, chosen), 1);
    EXPECT_EQ(chosen, GPathName("/old"));
    Answer(QString::fromStdString(file));
    EXPECT_EQ(messages.ShowFileChooserDialog("Open", &kText, chosen), 0);
    EXPECT_EQ(chosen, PathOf(file));

    Answer(QString::fromStdString(mFolder.Path() + "/out.pdf"));
    EXPECT_EQ(messages.ChooseSave("Save", "out", &kPdf, chosen), 1);
    EXPECT_EQ(chosen, PathOf(mFolder.Path() + "/out.pdf"));
    Answer(nullptr);
    EXPECT_EQ(messages.ChooseSave("Save", "out", &kPdf, chosen), 0);
    EXPECT_TRUE(chosen.IsEmpty());
}

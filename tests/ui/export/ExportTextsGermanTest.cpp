// The German translation file covers every text of the adjustments panel and the legal-notices
// dialog, and both come up in German once it is installed.
#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QTranslator>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTextBrowser>

#include <fstream>

#include "services/messages/GUserMessage.h"
#include "support/PrefTestText.h"
#include "support/ScopedTempFolder.h"
#include "ui/export/CopyrightDialog.h"
#include "ui/export/GCUSPDFSettingsAdjWdt.h"
#include "ui/widgets/GQUIUnitSpinBox.h"

namespace {

// The texts a user can see: labels, box texts and tool tips.
QStringList ShownTexts(QWidget const& widget) {
    QStringList texts;
    for (QWidget const* child : widget.findChildren<QWidget*>()) {
        texts << child->toolTip();
        if (auto const* button = qobject_cast<QAbstractButton const*>(child))
            texts << button->text();
        if (auto const* label = qobject_cast<QLabel const*>(child))
            texts << label->text();
    }
    texts.removeAll(QString());
    texts.removeDuplicates();
    return texts;
}

class German : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mGerman.load(QString(TROVEL_TEST_STRINGS) + "/Plugin_deDE.qm")); }
    void TearDown() override { QCoreApplication::removeTranslator(&mGerman); }
    QTranslator mGerman;
};

}  // namespace

TEST_F(German, EveryTextOfThePanelIsTranslated) {
    GCUSPDFSettingsAdjWdt panel;
    QStringList const texts = ShownTexts(panel);
    EXPECT_GE(texts.size(), 18);
    for (QString const& text : texts)
        EXPECT_FALSE(mGerman.translate("GCUSPDFSettingsAdjWdt", text.toUtf8().constData()).isEmpty())
            << text.toStdString();

    QCoreApplication::installTranslator(&mGerman);
    GCUSPDFSettingsAdjWdt translated;
    EXPECT_EQ(QString("Anschnitt:"), translated.findChild<QCheckBox*>("bleedCheck")->text());
    EXPECT_EQ(QString("Alle Druckermarken"), translated.findChild<QCheckBox*>("allMarksCheck")->text());
}

TEST_F(German, TheNoticesDialogComesUpInGerman) {
    for (char const* text : {"Copyrights", "Done", "The legal notices could not be read from \"%1\"."})
        EXPECT_FALSE(mGerman.translate("CopyrightDialog", text).isEmpty()) << text;
    ScopedTempFolder folder;
    std::ofstream(folder / "notices.txt") << "This product includes Qt.\n";
    QCoreApplication::installTranslator(&mGerman);
    CopyrightDialog dialog(nullptr, preftest::P(folder / "notices.txt"));
    EXPECT_EQ(QString("Urheberrechte"), dialog.windowTitle());
    EXPECT_EQ(QString("Fertig"), dialog.findChild<QPushButton*>()->text());
    EXPECT_TRUE(dialog.findChild<QTextBrowser*>()->toPlainText().startsWith("Trovel Export, Version 24."));
}

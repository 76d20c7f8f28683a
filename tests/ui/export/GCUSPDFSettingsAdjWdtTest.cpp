// The PDF adjustments panel against a real package preference file: loading, the enabling rules
// of the bleed controls, the all-marks box with the options frame collapsed and the bleed mark
// hidden, lengths that must not go negative, and package bleeds that must not be lost.
#include <gtest/gtest.h>

#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>

#include <map>
#include <string>

#include "plugin/settings/GGPCPluginCSSettings.h"
#include "services/preferences/GPrefFileModule.h"
#include "services/units/GUnitSupport.h"
#include "support/PrefTestText.h"
#include "support/ScopedTempFolder.h"
#include "ui/export/GCUSPDFSettingsAdjWdt.h"
#include "ui/frames/GQUICollapsibleFrame.h"
#include "ui/widgets/GQUIUnitSpinBox.h"

using namespace preftest;
using Settings = GGPCPluginCSSettings;

namespace {

using Values = std::map<std::string, std::string>;

constexpr char const* kMarks[] = {"cropMarksCheck", "bleedMarksCheck", "registrationMarksCheck", "colorBarsCheck",
                                  "pageInfoCheck"};

class Adjustments : public ::testing::Test {
protected:
    void SetUp() override { GUnitSupport::SetDefaultUnitCode(GUnitSupport::kPoints); }

    // The package's project preferences, as a file of their own.
    void Write(Values const& values) {
        GPrefFileModule file(P(mPath), Unicode());
        for (auto const& [key, value] : values)
            file.Set(Settings::cPluginSettingsGroup, B(key), T(value));
        file.WriteDict();
    }
    std::string Stored(char const* key) const {
        GPrefFileModule file(P(mPath), Unicode());
        return U8(file.Get(Settings::cPluginSettingsGroup, B(key)));
    }
    void Load(GCUSPDFSettingsAdjWdt& panel) const {
        GPrefFileModule file(P(mPath), Unicode());
        panel.LoadSettings(Settings(file));
    }
    void Save(GCUSPDFSettingsAdjWdt const& panel) const {
        GPrefFileModule file(P(mPath), Unicode());
        Settings settings(file);
        panel.GetSettings(settings);
        file.WriteDict();
    }

    template <class T>
    static T* Find(QWidget& panel, char const* name) {
        T* child = panel.findChild<T*>(name);
        EXPECT_NE(nullptr, child) << name;
        return child;
    }
    static QCheckBox* Box(QWidget& panel, char const* name) { return Find<QCheckBox>(panel, name); }
    // On the box's indicator: a box in a layout may be wider than what it reacts to.
    static void Click(QWidget& panel, char const* name) {
        QCheckBox* box = Box(panel, name);
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
    }
    static void Type(QWidget& panel, char const* name, QString const& text) {
        auto* field = Find<GQUIUnitSpinBox>(panel, name);
        field->findChild<QLineEdit*>()->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    static double Value(QWidget& panel, char const* name) { return Find<GQUIUnitSpinBox>(panel, name)->value(); }
    static void Show(QWidget& widget) {
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }

    ScopedTempFolder mFolder;
    std::string mPath = mFolder / "Project.prefs";
};

}  // namespace

TEST_F(Adjustments, EveryControlHasItsName) {
    GCUSPDFSettingsAdjWdt panel;
    for (char const* name : {"bleedCheck", "useDocBleedCheck", "includeSlugCheck", "printSpreadsCheck", "allMarksCheck",
                             "cropMarksCheck", "bleedMarksCheck", "registrationMarksCheck", "colorBarsCheck",
                             "pageInfoCheck"})
        EXPECT_NE(nullptr, panel.findChild<QCheckBox*>(name)) << name;
    EXPECT_NE(nullptr, panel.findChild<GQUIUnitSpinBox*>("bleedAmount"));
    EXPECT_NE(nullptr, panel.findChild<GQUIUnitSpinBox*>("offsetAmount"));
    EXPECT_NE(nullptr, panel.findChild<QComboBox*>("weightCombo"));
}

TEST_F(Adjustments, DocumentBleedLoadsCheckedAndUncheckingBleedWritesNone) {
    Write({{"BleedChoice", "BleedUseDocSettingsSet"}, {"BleedTopValue", "9.000000"}});
    GCUSPDFSettingsAdjWdt panel;
    Show(panel);
    Load(panel);
    EXPECT_TRUE(Box(panel, "bleedCheck")->isChecked());
    EXPECT_TRUE(Box(panel, "useDocBleedCheck")->isChecked());
    EXPECT_TRUE(Box(panel, "useDocBleedCheck")->isEnabled());
    EXPECT_FALSE(Find<GQUIUnitSpinBox>(panel, "bleedAmount")->isEnabled());
    EXPECT_EQ(9.0, Value(panel, "bleedAmount"));

    Click(panel, "useDocBleedCheck");
    EXPECT_TRUE(Find<GQUIUnitSpinBox>(panel, "bleedAmount")->isEnabled());
    Save(panel);
    EXPECT_EQ("BleedValueSet", Stored("BleedChoice"));

    Click(panel, "bleedCheck");
    EXPECT_FALSE(Box(panel, "useDocBleedCheck")->isEnabled());
    EXPECT_FALSE(Find<GQUIUnitSpinBox>(panel, "bleedAmount")->isEnabled());
    Save(panel);
    EXPECT_EQ("BleedNotSet", Stored("BleedChoice"));
}

TEST_F(Adjustments, ATypedBleedGoesToAllFourSides) {
    Write({{"BleedChoice", "BleedValueSet"}, {"BleedTopValue", "9.000000"}, {"BleedBottomValue", "9.000000"}});
    GCUSPDFSettingsAdjWdt panel;
    Show(panel);
    Load(panel);
    Type(panel, "bleedAmount", "1in + 2pt");
    Save(panel);
    for (char const* key : {"BleedTopValue", "BleedBottomValue", "BleedInsideValue", "BleedOutsideValue"})
        EXPECT_EQ("74.000000", Stored(key)) << key;
}

// A package may give each side its own bleed; the panel shows only the top one, so as long as the
// user leaves the field alone the four stay as the package has them.
TEST_F(Adjustments, UnequalPackageBleedsSurviveAnUntouchedField) {
    Write({{"BleedChoice", "BleedNotSet"},
           {"BleedTopValue", "9.000000"},
           {"BleedBottomValue", "3.000000"},
           {"BleedInsideValue", "4.250000"},
           {"BleedOutsideValue", "5.000000"}});
    GCUSPDFSettingsAdjWdt panel;
    Show(panel);
    Load(panel);
    Click(panel, "bleedCheck");
    Save(panel);
    EXPECT_EQ("BleedValueSet", Stored("BleedChoice"));
    EXPECT_EQ("9.000000", Stored("BleedTopValue"));
    EXPECT_EQ("3.000000", Stored("BleedBottomValue"));
    EXPECT_EQ("4.250000", Stored("BleedInsideValue"));
    EXPECT_EQ("5.000000", Stored("BleedOutsideValue"));

    Type(panel, "bleedAmount", "6");
    Save(panel);
    for (char const* key : {"BleedTopValue", "BleedBottomValue", "BleedInsideValue", "BleedOutsideValue"})
        EXPECT_EQ("6.000000", Stored(key)) << key;
}

TEST_F(Adjustments, NegativeAndDamagedLengthsNeverReachTheSettings) {
    Write({{"BleedChoice", "BleedValueSet"},
           {"BleedTopValue", "-5.000000"},
           {"BleedBottomValue", "nan"},
           {"BleedInsideValue", "2.000000"},
           {"BleedOutsideValue", "2.000000"},
           {"MarkOffset", "-inf"}});
    GCUSPDFSettingsAdjWdt panel;
    Show(panel);
    Load(panel);
    EXPECT_EQ(0.0, Value(panel, "bleedAmount"));
    EXPECT_EQ(0.0, Value(panel, "offsetAmount"));
    Save(panel);
    for (char const* key : {"BleedTopValue", "BleedBottomValue", "BleedInsideValue", "BleedOutsideValue", "MarkOffset"})
        EXPECT_EQ("0.000000", Stored(key)) << key;

    // A package with a sound bleed but a bad other side is written whole from the field.
    Write({{"BleedTopValue", "3.000000"}, {"BleedBottomValue", "-1.000000"}});
    Load(panel);
    Save(panel);
    EXPECT_EQ("3.000000", Stored("BleedBottomValue"));

    for (char const* typed : {"-3", "2 - 7", "- 1in"}) {
        Type(panel, "bleedAmount", typed);
        Type(panel, "offsetAmount", typed);
        EXPECT_EQ(0.0, Value(panel, "bleedAmount")) << typed;
        Save(panel);
        EXPECT_EQ("0.000000", Stored("BleedTopValue")) << typed;
        EXPECT_EQ("0.000000", Stored("MarkOffset")) << typed;
    }
}

TEST_F(Adjustments, OneMarkCheckedMakesAllMarksPartlyCheckedAndCounted) {
    Write({});
    GCUSPDFSettingsAdjWdt panel;
    Show(panel);
    Load(panel);
    QCheckBox* all = Box(panel, "allMarksCheck");
    EXPECT_EQ(Qt::Unchecked, all->checkState());
    Click(panel, "cropMarksCheck");
    EXPECT_EQ(Qt::PartiallyChecked, all->checkState());
    Save(panel);
    EXPECT_EQ("true", Stored("PrinterMarks"));
    EXPECT_EQ("true", Stored("Trim"));
    EXPECT_EQ("false", Stored("Bleed"));

    for (char const* mark : {"bleedMarksCheck", "registrationMarksCheck", "colorBarsCheck", "pageInfoCheck"})
        Click(panel, mark);
    EXPECT_EQ(Qt::Checked, all->checkState());
    EXPECT_FALSE(all->isTristate());
    Click(panel, "pageInfoCheck");
    EXPECT_EQ(Qt::PartiallyChecked, all->checkState());
    // A click on the partly checked box checks every mark.
    Click(panel, "allMarksCheck");
    EXPECT_EQ(Qt::Checked, all->checkState());
    for (char const* mark : kMarks)
        EXPECT_TRUE(Box(panel, mark)->isChecked()) << mark;
    Click(panel, "allMarksCheck");
    for (char const* mark : kMarks)
        EXPECT_FALSE(Box(panel, mark)->isChecked()) << mark;
    Save(panel);
    EXPECT_EQ("false", Stored("PrinterMarks"));
}

// The options frame of the export dialog starts collapsed, and the panel is loaded before the
// dialog is first shown: the bleed mark still counts, and "All Printer's Marks" still sets it.
TEST_F(Adjustments, TheBleedMarkCountsWhileTheFrameIsCollapsed) {
    Values const fourMarks{{"PrinterMarks", "true"},    {"Trim", "true"}, {"PrinterRegistration", "true"},
                           {"ColorBars", "true"},       {"PageInfo", "true"}, {"Bleed", "false"}};
    Write(fourMarks);
    GQUICollapsibleFrame frame(nullptr, "Options", "Options", true, 0);
    auto* panel = new GCUSPDFSettingsAdjWdt;
    frame.SetMainPane(panel);
    frame.SetExpandState(false);
    Show(frame);
    ASSERT_FALSE(Box(*panel, "bleedMarksCheck")->isVisible());
    Load(*panel);
    EXPECT_EQ(Qt::PartiallyChecked, Box(*panel, "allMarksCheck")->checkState());

    Box(*panel, "allMarksCheck")->setChecked(true);
    EXPECT_TRUE(Box(*panel, "bleedMarksCheck")->isChecked());
    Box(*panel, "allMarksCheck")->setChecked(false);
    EXPECT_FALSE(Box(*panel, "bleedMarksCheck")->isChecked());
    Save(*panel);
    EXPECT_EQ("false", Stored("Bleed"));

    // Never shown at all.
    Write(fourMarks);
    GCUSPDFSettingsAdjWdt unshown;
    Load(unshown);
    EXPECT_EQ(Qt::PartiallyChecked, Box(unshown, "allMarksCheck")->checkState());
}

TEST_F(Adjustments, AHiddenBleedMarkIsLeftAsItWasAndDoesNotCount) {
    Write({{"Trim", "true"}, {"PrinterRegistration", "true"}, {"ColorBars", "true"}, {"Bleed", "true"}});
    GCUSPDFSettingsAdjWdt panel;
    panel.ShowBleedMarks(false);
    Show(panel);
    Load(panel);
    EXPECT_EQ(Qt::PartiallyChecked, Box(panel, "allMarksCheck")->checkState());
    Click(panel, "pageInfoCheck");
    EXPECT_EQ(Qt::Checked, Box(panel, "allMarksCheck")->checkState());
    Click(panel, "allMarksCheck");
    EXPECT_TRUE(Box(panel, "bleedMarksCheck")->isChecked());
    EXPECT_FALSE(Box(panel, "cropMarksCheck")->isChecked());
    Save(panel);
    EXPECT_EQ("true", Stored("Bleed"));
    EXPECT_EQ("false", Stored("PrinterMarks"));
}

TEST_F(Adjustments, TheWeightIsChosenByItsData) {
    Write({{"MarkWeight", "MarkWeight050"}});
    GCUSPDFSettingsAdjWdt panel;
    EXPECT_FALSE(panel.IsDefaultPluginSettingsChanged());
    Show(panel);
    Load(panel);
    auto* weight = Find<QComboBox>(panel, "weightCombo");
    EXPECT_EQ(QString("0.50 pt"), weight->currentText());
    EXPECT_TRUE(panel.IsDefaultPluginSettingsChanged());
    weight->setFocus();
    QTest::keyClick(weight, Qt::Key_Up);
    QTest::keyClick(weight, Qt::Key_Up);
    EXPECT_EQ(QString("0.125 pt"), weight->currentText());
    Save(panel);
    EXPECT_EQ("MarkWeight0125", Stored("MarkWeight"));
    // An unknown stored weight reads as the default.
    Write({{"MarkWeight", "MarkWeight7"}});
    Load(panel);
    EXPECT_EQ(QString("0.25 pt"), weight->currentText());
    EXPECT_FALSE(panel.IsDefaultPluginSettingsChanged());
}

TEST_F(Adjustments, LoadingIsSilentAndEditsSignal) {
    Write(
        {{"BleedChoice", "BleedValueSet"}, {"BleedTopValue", "4.000000"}, {"PrinterMarks", "true"}, {"Trim", "true"}});
    GCUSPDFSettingsAdjWdt panel;
    Show(panel);
    QSignalSpy changed(&panel, &GCUSPDFSettingsAdjWdt::DataChanged);
    Load(panel);
    EXPECT_EQ(0, changed.count());
    for (char const* box : {"includeSlugCheck", "printSpreadsCheck", "colorBarsCheck"}) {
        changed.clear();
        Click(panel, box);
        EXPECT_GE(changed.count(), 1) << box;
    }
    changed.clear();
    Type(panel, "offsetAmount", "3mm");
    EXPECT_GE(changed.count(), 1);
    Save(panel);
    EXPECT_EQ("true", Stored("BleedSlugArea"));
    EXPECT_EQ("true", Stored("PrintSpreads"));
    EXPECT_EQ("true", Stored("ColorBars"));
    EXPECT_EQ("8.503937", Stored("MarkOffset"));
}

TEST_F(Adjustments, FeatureSwitchesHideTheirControls) {
    GCUSPDFSettingsAdjWdt panel;
    panel.ShowPrintSpreads(false);
    panel.ShowIncludeSlugArea(false);
    panel.ShowTrimMarkWeight(false);
    Show(panel);
    EXPECT_FALSE(Box(panel, "printSpreadsCheck")->isVisible());
    EXPECT_FALSE(Box(panel, "includeSlugCheck")->isVisible());
    EXPECT_FALSE(Find<QComboBox>(panel, "weightCombo")->isVisible());
    EXPECT_FALSE(Find<QWidget>(panel, "mWeightLabel")->isVisible());
    EXPECT_TRUE(Box(panel, "bleedMarksCheck")->isVisible());
}

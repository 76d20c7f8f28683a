// The unit spin box in a real application: typed expressions, the range, the forced-text state,
// the display in the default unit and its change.
#include <gtest/gtest.h>

#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>

#include <cmath>
#include <limits>

#include "services/units/GUnitSupport.h"
#include "ui/widgets/GQUIUnitSpinBox.h"

namespace {

constexpr double kMM = 72 / 25.4;

class UnitSpinBox : public ::testing::Test {
protected:
    void SetUp() override { GUnitSupport::SetDefaultUnitCode(GUnitSupport::kPoints); }
    void TearDown() override { GUnitSupport::SetDefaultUnitCode(GUnitSupport::kPoints); }

    // Types the text into the field as a user would, and finishes the edit with Return.
    static void Type(GQUIUnitSpinBox& box, QString const& text) {
        Edit(box)->selectAll();
        QTest::keyClick(&box, Qt::Key_Delete);
        QTest::keyClicks(&box, text);
        QTest::keyClick(&box, Qt::Key_Return);
    }
    static QLineEdit* Edit(GQUIUnitSpinBox& box) { return box.findChild<QLineEdit*>(); }
    static QString Shown(GQUIUnitSpinBox& box) { return Edit(box)->text(); }
};

}  // namespace

TEST_F(UnitSpinBox, StartsInPointsWithoutButtons) {
    GQUIUnitSpinBox box;
    EXPECT_EQ(-999999999999.0, box.minimum());
    EXPECT_EQ(999999999999.0, box.maximum());
    EXPECT_EQ(4, box.decimals());
    EXPECT_EQ(1.0, box.singleStep());
    EXPECT_FALSE(box.keyboardTracking());
    EXPECT_EQ(QAbstractSpinBox::NoButtons, box.buttonSymbols());
    box.setValue(5);
    QTest::keyClick(&box, Qt::Key_Up);
    EXPECT_EQ(5.0, box.value()) << "no stepping while the buttons are hidden";
    box.setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    QTest::keyClick(&box, Qt::Key_Up);
    EXPECT_EQ(6.0, box.value());
}

TEST_F(UnitSpinBox, TypedExpressionsBecomePoints) {
    GQUIUnitSpinBox box;
    struct Case {
        char const* typed;
        double points;
        char const* shown;
    };
    for (Case c : {Case{"1in + 2pt", 74, "74 pt"}, Case{"12,5", 12.5, "12.5 pt"}, Case{"1p6", 18, "18 pt"},
                   Case{"5 - 3", 2, "2 pt"}, Case{"10 * 2mm", 56.6929, "56.6929 pt"}, Case{"", 0, "0 pt"}}) {
        Type(box, QString::fromUtf8(c.typed));
        EXPECT_NEAR(c.points, box.value(), 1e-4) << c.typed;
        EXPECT_EQ(QString(c.shown), Shown(box)) << c.typed;
    }
}

TEST_F(UnitSpinBox, AnEleventhTermCannotBeTyped) {
    GQUIUnitSpinBox box;
    Type(box, "1+1+1+1+1+1+1+1+1+1+2");
    EXPECT_EQ(21.0, box.value()) << "the eleventh \"+\" is refused, its digit joins the tenth number";
    int pos = 0;
    QString eleven = "1+1+1+1+1+1+1+1+1+1+1";
    EXPECT_EQ(QValidator::Invalid, box.validate(eleven, pos));
}

TEST_F(UnitSpinBox, ValuesAreBoundedByTheRangeACallerSets) {
    GQUIUnitSpinBox box;
    Type(box, "2000000000000");
    EXPECT_EQ(999999999999.0, box.value());
    Type(box, "-5");
    EXPECT_EQ(-5.0, box.value());
    box.setMinimum(0);
    Type(box, "-5");
    EXPECT_EQ(0.0, box.value());
    Type(box, "1in - 2in");
    EXPECT_EQ(0.0, box.value());
    box.forceValue(-3);
    EXPECT_EQ(0.0, box.value());
    box.forceText("-3");
    EXPECT_EQ(0.0, box.value());
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::kCentimeters);
    EXPECT_EQ(0.0, box.value());
}

TEST_F(UnitSpinBox, TheDefaultUnitChangeShowsTheSameLengthAgain) {
    GQUIUnitSpinBox box;
    box.setValue(72);
    EXPECT_EQ(QString("72 pt"), Shown(box));
    struct Case {
        GUnitSupport::Unit unit;
        char const* shown;
        int decimals;
    };
    for (Case c : {Case{GUnitSupport::kInches, "1 in", 4}, Case{GUnitSupport::kMillimeters, "25.4 mm", 4},
                   Case{GUnitSupport::kCentimeters, "2.54 cm", 3}, Case{GUnitSupport::kPicas, "6 p", 3},
                   Case{GUnitSupport::kFeet, "0.08333 ft", 4}, Case{GUnitSupport::kPoints, "72 pt", 4}}) {
        GUnitSupport::SetDefaultUnitCode(c.unit);
        EXPECT_EQ(72.0, box.value()) << c.shown;
        EXPECT_EQ(QString(c.shown), Shown(box));
        EXPECT_EQ(c.decimals, box.decimals()) << c.shown;
        EXPECT_EQ(GUnitSupport::GetFactorForUnitCode(c.unit), box.singleStep()) << c.shown;
    }
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::kMillimeters);
    Type(box, "10");
    EXPECT_NEAR(10 * kMM, box.value(), 1e-4) << "a number without a symbol is in the default unit";
}

TEST_F(UnitSpinBox, ForcedTextStaysThroughAUnitChangeAndEndsWithANewValue) {
    GQUIUnitSpinBox box;
    box.setValue(10);
    box.forceText("Mixed");
    EXPECT_TRUE(box.IsForcedText());
    EXPECT_EQ(QString("Mixed"), Shown(box));
    EXPECT_EQ(10.0, box.value());
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::kMillimeters);
    EXPECT_EQ(QString("Mixed"), Shown(box));
    EXPECT_EQ(0.0, box.valueFromText("25"));
    box.setValue(kMM);
    EXPECT_FALSE(box.IsForcedText());
    EXPECT_EQ(QString("1 mm"), Shown(box));

    box.forceText("Mixed");
    Type(box, "3mm");
    EXPECT_FALSE(box.IsForcedText()) << "an edit that differs ends the state";
    EXPECT_NEAR(3 * kMM, box.value(), 1e-4);
}

TEST_F(UnitSpinBox, ForcingNumbersTakesPoints) {
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::kMillimeters);
    GQUIUnitSpinBox box;
    box.forceText("12.5");
    EXPECT_FALSE(box.IsForcedText());
    EXPECT_EQ(12.5, box.value());
    box.forceValue(7);
    EXPECT_EQ(7.0, box.value());
    box.forceValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(box.IsForcedText());
    EXPECT_EQ(QString::number(std::nan(""), 'g', 6), Shown(box));
    EXPECT_EQ(7.0, box.value());
}

TEST_F(UnitSpinBox, ClearLeavesZeroAndAnEmptyField) {
    GQUIUnitSpinBox box;
    box.setValue(12);
    box.clear();
    EXPECT_EQ(0.0, box.value());
    EXPECT_TRUE(Shown(box).isEmpty());
    EXPECT_TRUE(box.IsForcedText());
}

TEST_F(UnitSpinBox, EveryValueChangeIsPassedOnWithTheCurrentValue) {
    GQUIUnitSpinBox box;
    QSignalSpy spy(&box, &GQUIUnitSpinBox::ValueChanged);
    box.forceText("Mixed");
    box.setValue(3);
    ASSERT_EQ(1, spy.count());
    EXPECT_EQ(3.0, spy.at(0).at(0).toDouble());
    EXPECT_FALSE(box.IsForcedText());
    Type(box, "1in");
    ASSERT_EQ(2, spy.count());
    EXPECT_EQ(72.0, spy.at(1).at(0).toDouble());
}

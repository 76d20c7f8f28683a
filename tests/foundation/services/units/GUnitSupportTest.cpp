#include "services/units/GUnitSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cmath>
#include <string>

#include "core/signals/GBasicSignals.h"
#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"
#include "core/signals/GSignalBase.h"
#include "core/text/GLngString.h"
#include "services/preferences/GPrefFileModule.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPreferences.h"
#include "services/units/GKelvoraGeneralPrefs.h"
#include "support/PrefTestText.h"
#include "support/StringPoolTestSetup.h"

using namespace preftest;

namespace {

using Unit = GUnitSupport::Unit;

constexpr Unit kAllUnits[] = {GUnitSupport::kPoints,      GUnitSupport::kPicas,       GUnitSupport::kInches,
                              GUnitSupport::kCentimeters, GUnitSupport::kMillimeters, GUnitSupport::kMeters,
                              GUnitSupport::kFeet};

// Codes that name no unit, as a damaged preference or a bad cast would give them.
constexpr int kUnknownCodes[] = {-1, 7, 42, INT_MIN, INT_MAX};

class PreferencesChanged : public GReceiver<GEmptyMessage> {
public:
    PreferencesChanged() { Subscribe(GBasicSignals::kPreferencesChanged); }
    void Receive(int, GEmptyMessage const&) override { ++count; }
    int count = 0;
};

// The units with the preferences: a memory module at the user level (-3) and one above it
// standing for the system's defaults (-1), the string pool fresh, the units started. The start-up
// started the units already (counted), so its start is set aside for the test and put back after.
class GUnitSupportTest : public StringPoolTest {
protected:
    void SetUp() override {
        StringPoolTest::SetUp();
        GUnitSupport::Finalize();
        GSignalBase::Initialize();
        GPreferences::Initialize();
        GPreferences::SetPrefModule(GPreferences::kUserLevel, mUser = new GPrefMemoryModule, true);
        GUnitSupport::Initialize();
    }

    void TearDown() override {
        GUnitSupport::Finalize();
        GPreferences::Finalize();
        GSignalBase::Finalize();
        StringPoolTest::TearDown();
        GSignalBase::Initialize();
        GPreferences::Initialize();
        GUnitSupport::Initialize();
    }

    static GBuffer const& General() { return GKelvoraGeneralPrefs::cGroupIDGeneralPrefs; }

    void SetUser(char const* key, char const* value) { mUser->Set(General(), GBuffer(key), GString(value)); }

    static std::string Symbol(Unit code) { return Text(GUnitSupport::GetSymbolForUnitCode(code)); }

    GPrefMemoryModule* mUser = nullptr;
};

TEST_F(GUnitSupportTest, TheUnitTable) {
    struct Case {
        Unit code;
        char const* symbol;
        double pointsPerUnit;
    } const cases[] = {
        {GUnitSupport::kPoints, "pt", 1.0},
        {GUnitSupport::kPicas, "p", 12.0},
        {GUnitSupport::kInches, "in", 72.0},
        {GUnitSupport::kCentimeters, "cm", 28.346456692913385},
        {GUnitSupport::kMillimeters, "mm", 2.834645669291339},
        {GUnitSupport::kMeters, "m", 2834.645669291339},
        {GUnitSupport::kFeet, "ft", 864.0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.symbol);
        EXPECT_EQ(Symbol(c.code), c.symbol);
        EXPECT_DOUBLE_EQ(GUnitSupport::GetFactorForUnitCode(c.code), c.pointsPerUnit);
        Unit code = GUnitSupport::kFeet;
        EXPECT_TRUE(GUnitSupport::GetUnitCodeForSymbol(GString(c.symbol), code));
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(GUnitSupport::GetUnitCodeForSymbol(GString(c.symbol)), c.code);
    }
}

// Symbols match exactly: case, blanks and look-alikes make an unknown symbol, which is points
// and leaves the caller's code alone.
TEST_F(GUnitSupportTest, UnknownSymbols) {
    char const* const symbols[] = {"MM", "Pt", " mm", "mm ", "", "millimeter", "i", "pts", "m\tm"};
    for (char const* symbol : symbols) {
        SCOPED_TRACE(symbol);
        Unit code = GUnitSupport::kInches;
        EXPECT_FALSE(GUnitSupport::GetUnitCodeForSymbol(GString(symbol), code));
        EXPECT_EQ(code, GUnitSupport::kInches);
        EXPECT_EQ(GUnitSupport::GetUnitCodeForSymbol(GString(symbol)), GUnitSupport::kPoints);
    }
    GString const fullWidth(reinterpret_cast<unsigned char const*>("\xEF\xBD\x8D\xEF\xBD\x8D"), 6, UTF8());
    EXPECT_EQ(GUnitSupport::GetUnitCodeForSymbol(fullWidth), GUnitSupport::kPoints);
}

TEST_F(GUnitSupportTest, DisplayOrder) {
    Unit const expected[] = {GUnitSupport::kPoints,      GUnitSupport::kPicas,       GUnitSupport::kInches,
                             GUnitSupport::kFeet,        GUnitSupport::kMillimeters, GUnitSupport::kCentimeters,
                             GUnitSupport::kMeters};
    for (int index = 0; index < GUnitSupport::kUnitCount; ++index)
        EXPECT_EQ(GUnitSupport::GetUnitForIndex(index), expected[index]) << index;
    for (int index : kUnknownCodes)
        EXPECT_EQ(GUnitSupport::GetUnitForIndex(index), GUnitSupport::kPoints) << index;
}

// A code outside the table is answered as points by every entry point that takes one.
TEST_F(GUnitSupportTest, UnknownCodesReadAsPoints) {
    for (int raw : kUnknownCodes) {
        SCOPED_TRACE(raw);
        Unit const code = static_cast<Unit>(raw);
        EXPECT_EQ(Symbol(code), "pt");
        EXPECT_EQ(GUnitSupport::GetFactorForUnitCode(code), 1.0);
        EXPECT_EQ(Text(GUnitSupport::FormatValueToPointsWithoutUnit(12.5, code)), "12.5");
        GUnitSupport::SetDefaultUnitCode(code);
        EXPECT_EQ(Text(mUser->Get(General(), GUnitSupport::cPrefUnitV3)), "pt");
        EXPECT_EQ(GUnitSupport::GetDefaultUnitCode(), GUnitSupport::kPoints);
    }
}

// From every unit to every other through points and back: the text forms keep the value.
TEST_F(GUnitSupportTest, ConversionsBetweenEveryPairRoundTrip) {
    double const values[] = {1.0, 0.25, -3.5, 1234.5};
    for (Unit from : kAllUnits) {
        for (Unit to : kAllUnits) {
            for (double value : values) {
                SCOPED_TRACE(Symbol(from) + " to " + Symbol(to) + " " + std::to_string(value));
                double const points = GUnitSupport::FormatValueToPointsWithoutUnit(value, from).GetReal();
                EXPECT_NEAR(points, value * GUnitSupport::GetFactorForUnitCode(from), 1e-6);
                GUnitSupport::SetDefaultUnitCode(to);
                double const converted = GUnitSupport::FormatValueWithoutUnit(points, 9).GetReal();
                double const expected =
                    value * GUnitSupport::GetFactorForUnitCode(from) / GUnitSupport::GetFactorForUnitCode(to);
                EXPECT_NEAR(converted, expected, 1e-6 * std::max(1.0, std::fabs(expected)));
                GUnitSupport::SetDefaultUnitCode(from);
                double const back =
                    GUnitSupport::FormatValueWithoutUnit(GUnitSupport::FormatValueToPointsWithoutUnit(converted, to).GetReal(), 9)
                        .GetReal();
                EXPECT_NEAR(back, value, 1e-5 * std::max(1.0, std::fabs(value)));
            }
        }
    }
}

TEST_F(GUnitSupportTest, TextFormsOfLengths) {
    struct Case {
        char const* unit;
        double points;
        int decimals;
        char const* withUnit;
    } const cases[] = {
        {"mm", 72.0, 2, "25.4 mm"},        // mm keeps the decimals asked for
        {"mm", 1.0, 2, "0.35 mm"},
        {"cm", 72.0, 2, "2.54 cm"},        // other units one more: 2.540, trailing zero cut
        {"cm", 1.0, 2, "0.035 cm"},
        {"pt", 10.26, 1, "10.3 pt"},
        {"pt", 10.0, 4, "10 pt"},
        {"pt", 0.0, 4, "0 pt"},
        {"pt", -7.5, 4, "-7.5 pt"},
        {"p", 18.0, 0, "1.5 p"},
        {"in", 100.0, 2, "1.389 in"},
        {"in", 72.0, 4, "1 in"},
        {"ft", 1296.0, 0, "1.5 ft"},
        {"m", 2834.645669291339, 2, "1 m"},
        {"m", 1.0, 4, "0.00035 m"},
        {"mm", 72.0, -3, "25 mm"},         // fewer than no decimals: none
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.unit) + " " + c.withUnit);
        SetUser("UnitV3", c.unit);
        EXPECT_EQ(Text(GUnitSupport::FormatValueWithUnit(c.points, c.decimals)), c.withUnit);
        GString out("old");
        GUnitSupport::FormatValueWithUnit(out, c.points, c.decimals);
        EXPECT_EQ(Text(out), c.withUnit);
        std::string const number = std::string(c.withUnit).substr(0, std::string(c.withUnit).find(' '));
        EXPECT_EQ(Text(GUnitSupport::FormatValueWithoutUnit(c.points, c.decimals)), number);
        GUnitSupport::FormatValueWithoutUnit(out, c.points, c.decimals);
        EXPECT_EQ(Text(out), number);
    }
}

TEST_F(GUnitSupportTest, TextFormsOfSizesAndRectangles) {
    SetUser("UnitV3", "mm");
    EXPECT_EQ(Text(GUnitSupport::FormatValueWithUnit(GSizeBase<double>(72.0, 36.0), 2)), "(25.4, 12.7) mm");
    SetUser("UnitV3", "in");
    EXPECT_EQ(Text(GUnitSupport::FormatValueWithUnit(GSizeBase<double>(612.0, 792.0), 1)), "(8.5, 11) in");
    // The coordinates in the order first, third, second, fourth.
    EXPECT_EQ(Text(GUnitSupport::FormatValueWithUnit(GRectBase<double>(0.0, 72.0, 144.0, 216.0), 2)),
              "(0, 2, 1, 3) in");
    SetUser("UnitV3", "pt");
    EXPECT_EQ(Text(GUnitSupport::FormatValueWithUnit(GRectBase<double>(-1.5, 2.3, 3.0, 4.0), 1)),
              "(-1.5, 3, 2.3, 4) pt");
}

TEST_F(GUnitSupportTest, ValuesToPoints) {
    struct Case {
        double value;
        Unit code;
        char const* points;
    } const cases[] = {
        {1.0, GUnitSupport::kInches, "72"},      {2.54, GUnitSupport::kCentimeters, "72"},
        {1.0, GUnitSupport::kMillimeters, "2.834646"}, {0.5, GUnitSupport::kFeet, "432"},
        {-2.0, GUnitSupport::kPicas, "-24"},     {0.1, GUnitSupport::kPoints, "0.1"},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(Text(GUnitSupport::FormatValueToPointsWithoutUnit(c.value, c.code)), c.points) << c.points;
        GString out;
        GUnitSupport::FormatValueToPointsWithoutUnit(out, c.value, c.code);
        EXPECT_EQ(Text(out), c.points);
    }
}

// Numbers are written with "." even when the process's numeric locale uses ",".
TEST_F(GUnitSupportTest, TextFormsIgnoreTheNumericLocale) {
    std::string const previous = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "de_DE.utf8") == nullptr)
        GTEST_SKIP() << "the de_DE locale is not installed";
    SetUser("UnitV3", "cm");
    std::string const length = Text(GUnitSupport::FormatValueWithUnit(72.0, 2));
    std::string const size = Text(GUnitSupport::FormatValueWithUnit(GSizeBase<double>(36.0, 18.0), 2));
    std::string const points = Text(GUnitSupport::FormatValueToPointsWithoutUnit(1.5, GUnitSupport::kInches));
    std::string const back = Text(GUnitSupport::FormatValueToPointsWithoutUnit(0.5, GUnitSupport::kPoints));
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(length, "2.54 cm");
    EXPECT_EQ(size, "(1.27, 0.635) cm");
    EXPECT_EQ(points, "108");
    EXPECT_EQ(back, "0.5");
}

// The default unit: "UnitV3", else the older "Unit", else the number under key "2", else points;
// whatever a module holds that names no unit reads as points.
TEST_F(GUnitSupportTest, DefaultUnitFromThePreferences) {
    struct Case {
        char const* name;
        char const* unitV3;  // null: absent
        char const* unit;
        char const* numeric;
        Unit expected;
    } const cases[] = {
        {"nothing stored", nullptr, nullptr, nullptr, GUnitSupport::kPoints},
        {"UnitV3", "mm", nullptr, nullptr, GUnitSupport::kMillimeters},
        {"UnitV3 before Unit", "cm", "in", "2", GUnitSupport::kCentimeters},
        {"older Unit", nullptr, "in", nullptr, GUnitSupport::kInches},
        {"Unit before the number", nullptr, "ft", "3", GUnitSupport::kFeet},
        {"number alone", nullptr, nullptr, "5", GUnitSupport::kMeters},
        {"wrong case reads as points, the older key not asked", "MM", "in", nullptr, GUnitSupport::kPoints},
        {"empty UnitV3", "", "in", nullptr, GUnitSupport::kPoints},
        {"unknown older symbol", nullptr, "yards", "4", GUnitSupport::kPoints},
        {"number past the table", nullptr, nullptr, "7", GUnitSupport::kPoints},
        {"negative number", nullptr, nullptr, "-1", GUnitSupport::kPoints},
        {"huge number", nullptr, nullptr, "99999999999", GUnitSupport::kPoints},
        {"not a number", nullptr, nullptr, "mm", GUnitSupport::kPoints},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        mUser->RemoveGroup(General());
        if (c.unitV3 != nullptr)
            SetUser("UnitV3", c.unitV3);
        if (c.unit != nullptr)
            SetUser("Unit", c.unit);
        if (c.numeric != nullptr)
            SetUser("2", c.numeric);
        EXPECT_EQ(GUnitSupport::GetDefaultUnitCode(), c.expected);
        EXPECT_EQ(Text(GUnitSupport::GetDefaultUnitSymbol()), Symbol(c.expected));
        EXPECT_EQ(GUnitSupport::GetDefaultUnitFactor(), GUnitSupport::GetFactorForUnitCode(c.expected));
    }
}

// The keys are searched through every module, highest level first.
TEST_F(GUnitSupportTest, DefaultUnitSearchesTheModulesFromTheTop) {
    auto* system = new GPrefMemoryModule;
    GPreferences::SetPrefModule(-1, system, true);
    system->Set(General(), GBuffer("Unit"), GString("ft"));
    SetUser("UnitV3", "mm");
    EXPECT_EQ(GUnitSupport::GetDefaultUnitCode(), GUnitSupport::kMillimeters);  // UnitV3 anywhere wins
    system->Set(General(), GBuffer("UnitV3"), GString("p"));
    EXPECT_EQ(GUnitSupport::GetDefaultUnitCode(), GUnitSupport::kPicas);
}

// A preference file from an older version holds only "Unit".
TEST_F(GUnitSupportTest, AnOlderPreferenceFileGivesItsUnit) {
    GPathName const path =
        WriteFile("Older.prefs", UTF16("#BEGINPREFS\r\r\"General\"\r#BEGINDICT\r\"Unit\" \"in\"\r#ENDDICT\r\r#ENDPREFS\r", true));
    GPreferences::SetPrefModule(GPreferences::kUserLevel, new GPrefFileModule(path, Unicode()), true);
    EXPECT_EQ(GUnitSupport::GetDefaultUnitCode(), GUnitSupport::kInches);
    EXPECT_EQ(Text(GUnitSupport::FormatValueWithUnit(36.0, 2)), "0.5 in");
}

TEST_F(GUnitSupportTest, SettingTheDefaultUnitStoresItsSymbolAndSignals) {
    PreferencesChanged receiver;
    for (Unit code : kAllUnits) {
        SCOPED_TRACE(Symbol(code));
        int const before = receiver.count;
        GUnitSupport::SetDefaultUnitCode(code);
        EXPECT_EQ(receiver.count, before + 1);
        EXPECT_EQ(Text(GPreferences::Get(GPreferences::kUserLevel, General(), GBuffer("UnitV3"))), Symbol(code));
        EXPECT_EQ(GUnitSupport::GetDefaultUnitCode(), code);
    }
    // The older key is left as it was for older readers.
    EXPECT_FALSE(mUser->Has(General(), GBuffer("Unit")));
}

TEST_F(GUnitSupportTest, TheUnitsNamesAreRegistered) {
    struct Case {
        int id;
        char const* text;
    } const cases[] = {
        {1300, "Points"}, {1301, "Picas"},  {1302, "Inches"},     {1303, "Centimeters"}, {1304, "Millimeters"},
        {1305, "Meters"}, {1306, "Feet"},   {1325, "Pixels per inch"},
        {1400, "Point"},  {1401, "Pica"},   {1402, "Inch"},       {1403, "Centimeter"},  {1404, "Millimeter"},
        {1405, "Meter"},  {1406, "Foot"},   {1425, "Pixel per inch"},
        {1500, "pt"},     {1501, "p"},      {1502, "in"},         {1503, "cm"},          {1504, "mm"},
        {1505, "m"},      {1506, "ft"},     {1525, "ppi"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(TextIn("enUS", c.id), c.text) << c.id;
    EXPECT_EQ(TextIn("enUS", 1307), "<none>");
    EXPECT_EQ(TextIn("enUS", 1326), "<none>");
    // The abbreviation of every code is its symbol.
    for (Unit code : kAllUnits)
        EXPECT_EQ(TextIn("enUS", GUnitSupport::kAbbreviationBase + code), Symbol(code));
}

// A message's measurement is rendered in the default unit while the units are started, and in
// points once they have stopped.
TEST_F(GUnitSupportTest, AMessageRendersItsMeasurementInTheDefaultUnit) {
    GLngString message(GString("Bleed of %1 on %2"));
    message.AddMeasurement(9.0);
    message.AddString(GString("all sides"));
    SetUser("UnitV3", "mm");
    EXPECT_EQ(Text(message.GetReadableString()), "Bleed of 3.175 mm on all sides");
    SetUser("UnitV3", "in");
    EXPECT_EQ(Text(message.GetReadableString()), "Bleed of 0.125 in on all sides");

    GLngString nested(GString("Error: %1"));
    nested.AddLngString(message);
    EXPECT_EQ(Text(nested.GetReadableString()), "Error: Bleed of 0.125 in on all sides");

    GUnitSupport::Initialize();  // counted: the inner stop keeps the formatter
    GUnitSupport::Finalize();
    EXPECT_EQ(Text(message.GetReadableString()), "Bleed of 0.125 in on all sides");
    GUnitSupport::Finalize();
    EXPECT_EQ(Text(message.GetReadableString()), "Bleed of 9 pt on all sides");
    GUnitSupport::Initialize();
}

TEST_F(GUnitSupportTest, GeneralPreferenceNames) {
    EXPECT_EQ(S(GKelvoraGeneralPrefs::cGroupIDGeneralPrefs), "General");
    EXPECT_EQ(S(GKelvoraGeneralPrefs::cPrefIDLanguage), "Language");
    EXPECT_EQ(S(GUnitSupport::cPrefUnitV3), "UnitV3");
    EXPECT_EQ(S(GUnitSupport::cPrefUnitV2), "Unit");
}

}  // namespace

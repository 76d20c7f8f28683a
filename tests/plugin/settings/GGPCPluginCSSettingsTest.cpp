// The typed view of the plug-in settings: every key with its encoding, the defaults of an empty
// store, locale independence of the lengths and the equality rules.
#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>

#include "plugin/settings/GGPCPluginCSSettings.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"

using namespace preftest;
using Settings = GGPCPluginCSSettings;

namespace {

class PluginSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    std::string Stored(char const* key) const {
        return S(mStore.Get(Settings::cPluginSettingsGroup, GBuffer(key)).GetBuffer(UTF8()));
    }
    void Store(char const* key, std::string const& text) {
        mStore.Set(Settings::cPluginSettingsGroup, GBuffer(key), T(text));
    }

    GPrefMemoryModule mStore;
    Settings mSettings{mStore};
};

struct BoolKey {
    char const* key;
    std::function<bool(Settings const&)> get;
    std::function<void(Settings&, bool)> set;
};

std::vector<BoolKey> BoolKeys() {
    return {
        {"BleedSlugArea", &Settings::IsSlugAreaIncluded, &Settings::SetIncludeSlugArea},
        {"PrintSpreads", &Settings::IsPrintSpreadsAllowed, &Settings::SetPrintSpreadsAllow},
        {"PrinterMarks", &Settings::IsPrinterMarksAllowed, &Settings::SetPrinterMarkAllow},
        {"Trim", &Settings::IsMarkTrimAllowed, &Settings::SetMarkTrimAllow},
        {"Bleed", &Settings::IsMarkBleedAllowed, &Settings::SetMarkBleedAllow},
        {"PrinterRegistration", &Settings::IsMarkPrnRegistrationAllowed, &Settings::SetMarkPrnRegistrationAllow},
        {"ColorBars", &Settings::IsMarkColorBarsAllowed, &Settings::SetMarkColorBarsAllow},
        {"PageInfo", &Settings::IsMarkPageInfoAllowed, &Settings::SetMarkPageInfoAllow},
        {"UserSettings", &Settings::IsUserSettingEnabled, &Settings::SetUserSettingEnable},
        {"IncludeFilePackage", &Settings::IsFilePackageIncluded, &Settings::IncludeFilePackage},
    };
}

struct RealKey {
    char const* key;
    std::function<double(Settings const&)> get;
    std::function<void(Settings&, double)> set;
};

std::vector<RealKey> RealKeys() {
    return {
        {"BleedTopValue", &Settings::GetBleedTopValue, &Settings::SetBleedTopValue},
        {"BleedBottomValue", &Settings::GetBleedBottomValue, &Settings::SetBleedBottomValue},
        {"BleedInsideValue", &Settings::GetBleedInsideValue, &Settings::SetBleedInsideValue},
        {"BleedOutsideValue", &Settings::GetBleedOutsideValue, &Settings::SetBleedOutsideValue},
        {"MarkOffset", &Settings::GetMarkOffset, &Settings::SetMarkOffset},
    };
}

// The process locale for one scope, as Qt sets it from the environment.
class ProcessLocale {
public:
    explicit ProcessLocale(char const* name) : mPrevious(std::setlocale(LC_ALL, nullptr)) {
        mSet = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ProcessLocale() { std::setlocale(LC_ALL, mPrevious.c_str()); }
    bool IsSet() const { return mSet; }

private:
    std::string mPrevious;
    bool mSet = false;
};

}  // namespace

TEST_F(PluginSettingsTest, AnEmptyStoreReadsTheDefaultsAndWritesNothing) {
    EXPECT_EQ(Settings::kBleedNotSet, mSettings.GetBleedChoice());
    EXPECT_EQ(Settings::kMarkWeight025, mSettings.GetMarkWeight());
    for (BoolKey const& k : BoolKeys())
        EXPECT_FALSE(k.get(mSettings)) << k.key;
    for (RealKey const& k : RealKeys())
        EXPECT_EQ(0.0, k.get(mSettings)) << k.key;
    GTable<GBuffer> groups;
    mStore.GetGroupNames(groups);
    EXPECT_EQ(0, groups.GetCount());
    EXPECT_FALSE(mStore.IsDirty());
}

TEST_F(PluginSettingsTest, EveryBoolKeyIsWrittenAsTrueOrFalseAndReadTrueOnlyForTrue) {
    for (BoolKey const& k : BoolKeys()) {
        k.set(mSettings, true);
        EXPECT_EQ("true", Stored(k.key)) << k.key;
        EXPECT_TRUE(k.get(mSettings)) << k.key;
        k.set(mSettings, false);
        EXPECT_EQ("false", Stored(k.key)) << k.key;
        EXPECT_FALSE(k.get(mSettings)) << k.key;
        for (char const* other : {"TRUE", "True", "1", "yes", " true", "true "}) {
            Store(k.key, other);
            EXPECT_FALSE(k.get(mSettings)) << k.key << " " << other;
        }
    }
}

TEST_F(PluginSettingsTest, EveryLengthKeyIsWrittenWithSixDecimals) {
    struct Case {
        double value;
        char const* text;
    };
    for (RealKey const& k : RealKeys()) {
        for (Case c : {Case{3, "3.000000"}, Case{2.5, "2.500000"}, Case{-1.25, "-1.250000"}, Case{0, "0.000000"},
                       Case{0.0000004, "0.000000"}, Case{123456.789, "123456.789000"}}) {
            k.set(mSettings, c.value);
            EXPECT_EQ(c.text, Stored(k.key)) << k.key;
        }
        Store(k.key, "3");
        EXPECT_EQ(3.0, k.get(mSettings)) << k.key;
        Store(k.key, "rubbish");
        EXPECT_EQ(0.0, k.get(mSettings)) << k.key;
    }
}

TEST_F(PluginSettingsTest, LengthsGoInAndOutWithAPointUnderAGermanProcessLocale) {
    ProcessLocale german("de_DE.UTF-8");
    if (!german.IsSet())
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not generated here (scripts/install-deps makes it)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    ASSERT_STREQ("2,5", probe) << "the locale is in effect";
    for (RealKey const& k : RealKeys()) {
        k.set(mSettings, 2.5);
        EXPECT_EQ("2.500000", Stored(k.key)) << k.key;
        EXPECT_EQ(2.5, k.get(mSettings)) << k.key;
    }
}

TEST_F(PluginSettingsTest, TheEnumerationsHaveTheirTextsAndUnknownValuesTheDefaults) {
    struct Case {
        int value;
        char const* text;
        int readBack;
    };
    for (Case c : {Case{0, "BleedNotSet", 0}, Case{1, "BleedValueSet", 1}, Case{2, "BleedUseDocSettingsSet", 2},
                   Case{7, "BleedNotSet", 0}, Case{-1, "BleedNotSet", 0}}) {
        mSettings.SetBleedChoice(c.value);
        EXPECT_EQ(c.text, Stored("BleedChoice"));
        EXPECT_EQ(c.readBack, mSettings.GetBleedChoice());
    }
    for (Case c : {Case{0, "MarkWeight0125", 0}, Case{1, "MarkWeight025", 1}, Case{2, "MarkWeight050", 2},
                   Case{5, "MarkWeight025", 1}, Case{-3, "MarkWeight025", 1}}) {
        mSettings.SetMarkWeight(c.value);
        EXPECT_EQ(c.text, Stored("MarkWeight"));
        EXPECT_EQ(c.readBack, mSettings.GetMarkWeight());
    }
    for (char const* text : {"bleedvalueset", "BleedValueSet ", "1"}) {
        Store("BleedChoice", text);
        EXPECT_EQ(Settings::kBleedNotSet, mSettings.GetBleedChoice()) << text;
    }
    Store("MarkWeight", "MarkWeight050x");
    EXPECT_EQ(Settings::kMarkWeight025, mSettings.GetMarkWeight());
}

TEST_F(PluginSettingsTest, EqualityFollowsTheStoredValuesItCompares) {
    GPrefMemoryModule otherStore;
    Settings other(otherStore);
    EXPECT_TRUE(mSettings == other);

    // The slug area and the mark offset take no part.
    mSettings.SetIncludeSlugArea(true);
    mSettings.SetMarkOffset(9);
    EXPECT_TRUE(mSettings == other);

    struct Change {
        char const* what;
        std::function<void(Settings&)> change;
    };
    std::vector<Change> const changes = {
        {"bleed choice", [](Settings& s) { s.SetBleedChoice(2); }},
        {"print spreads", [](Settings& s) { s.SetPrintSpreadsAllow(true); }},
        {"printer marks", [](Settings& s) { s.SetPrinterMarkAllow(true); }},
        {"trim", [](Settings& s) { s.SetMarkTrimAllow(true); }},
        {"bleed", [](Settings& s) { s.SetMarkBleedAllow(true); }},
        {"registration", [](Settings& s) { s.SetMarkPrnRegistrationAllow(true); }},
        {"colour bars", [](Settings& s) { s.SetMarkColorBarsAllow(true); }},
        {"page info", [](Settings& s) { s.SetMarkPageInfoAllow(true); }},
        {"user settings", [](Settings& s) { s.SetUserSettingEnable(true); }},
        {"mark weight", [](Settings& s) { s.SetMarkWeight(0); }},
        {"file package", [](Settings& s) { s.IncludeFilePackage(true); }},
    };
    for (Change const& c : changes) {
        GPrefMemoryModule changedStore;
        Settings changed(changedStore);
        c.change(changed);
        EXPECT_FALSE(changed == other) << c.what;
        EXPECT_FALSE(other == changed) << c.what;
    }
}

TEST_F(PluginSettingsTest, BleedValuesCountAsTextsOnlyWhenTheGivenValuesAreUsed) {
    GPrefMemoryModule otherStore;
    Settings other(otherStore);
    Store("BleedTopValue", "3");
    otherStore.Set(Settings::cPluginSettingsGroup, GBuffer("BleedTopValue"), T("3.000000"));
    EXPECT_TRUE(mSettings == other) << "bleed not set: the values do not count";
    mSettings.SetBleedChoice(Settings::kBleedUseDocSettings);
    other.SetBleedChoice(Settings::kBleedUseDocSettings);
    EXPECT_TRUE(mSettings == other);
    mSettings.SetBleedChoice(Settings::kBleedUseGivenValue);
    other.SetBleedChoice(Settings::kBleedUseGivenValue);
    EXPECT_FALSE(mSettings == other) << "3 and 3.000000 differ as texts";
    other.SetBleedTopValue(3);
    mSettings.SetBleedTopValue(3);
    EXPECT_TRUE(mSettings == other);
    other.SetBleedOutsideValue(1);
    EXPECT_FALSE(mSettings == other);
}

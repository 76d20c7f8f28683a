#include <gtest/gtest.h>

#include <chrono>

#include "core/values/GUniqueID.h"
#include "mac/system/PSystem.h"
#include "support/ScopedEnvironment.h"

namespace {

// The user's languages come from LANGUAGE alone; the locale variables are cleared.
class UserLanguages : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            mEnv.Unset(name);
    }
    void SetLanguages(const char* list) {
        if (list)
            mEnv.Set("LANGUAGE", list);
        else
            mEnv.Unset("LANGUAGE");
    }

    ScopedEnvironment mEnv;
};

}  // namespace

TEST_F(UserLanguages, PreferredLanguagePicksTheFirstFittingCode) {
    const std::vector<std::string> chinese = {"enUS", "zhCN", "zhTW"};
    const std::vector<std::string> european = {"enUS", "deDE", "frFR", "jaJA"};
    struct Case {
        const char* languages;
        std::vector<std::string> supported;
        std::string expected;
    };
    const Case cases[] = {
        {"zh-Hans", chinese, "zhCN"},
        {"zh-Hant", chinese, "zhCN"},
        {nullptr, european, "enUS"},
        {"", european, "enUS"},
        {"x:ja", european, "jaJA"},  // too short to decide
        {"x", european, "enUS"},
        {"DE-de", european, "deDE"},
        {"fr:de", european, "frFR"},  // the user's order, not the supported order
        {"it:ru", european, "enUS"},
        {"it:ru", {"deDE"}, "enUS"},
        {"en", {"e", "enGB", "enUS"}, "enGB"},  // a code shorter than two fits nothing
        {"de", {}, "enUS"},
    };
    for (const Case& c : cases) {
        SetLanguages(c.languages);
        EXPECT_EQ(PSystem::GetPreferredLanguageCode(c.supported), c.expected)
            << "LANGUAGE=" << (c.languages ? c.languages : "(unset)");
    }
}

TEST_F(UserLanguages, PreferredLanguageFallsBackToTheLocale) {
    SetLanguages("it");
    mEnv.Set("LANG", "de_DE.UTF-8");
    EXPECT_EQ(PSystem::GetPreferredLanguageCode({"enUS", "deDE"}), "deDE");
}

TEST_F(UserLanguages, PreferredLanguageOverBuffers) {
    SetLanguages("zh-Hant:en");
    GTable<GBuffer> supported;
    for (const char* code : {"enUS", "zhCN", "zhTW"})
        supported.AddItem(GBuffer(code));
    GBuffer out("stale");
    PSystem::GetPreferredLanguage(supported, out);
    EXPECT_EQ(out, GBuffer("zhCN"));
}

TEST(PSystemBuffers, EtherAddressesAreSixByteBuffersAndBundleIdentifierRoundTrips) {
    GTable<GBuffer> addresses;
    addresses.AddItem(GBuffer("stale"));
    PSystem::GetEtherAddress(addresses);
    for (const GBuffer& a : addresses)
        EXPECT_EQ(a.GetLength(), 6);
    PSystem::SetASCIIBundleIdentifier("com.example.host");
    GBuffer id;
    PSystem::GetASCIIBundleIdentifier(id);
    EXPECT_EQ(id, GBuffer("com.example.host"));
    PSystem::SetASCIIBundleIdentifier("");
}

TEST_F(UserLanguages, JapaneseUIOnlyWhenTheFirstLanguageIsJapanese) {
    struct Case {
        const char* languages;
        bool expected;
    };
    const Case cases[] = {
        {"ja", true},        {"JA", true},    {"ja-JP:en", true}, {"Ja_jp", true},
        {"en:ja", false},    {"en-US", false}, {"j", false},      {"jp", false},
        {nullptr, false},    {"C", false},
    };
    for (const Case& c : cases) {
        SetLanguages(c.languages);
        EXPECT_EQ(PSystem::IsJapaneseUIEnabled(), c.expected) << "LANGUAGE=" << (c.languages ? c.languages : "(unset)");
    }
    SetLanguages(nullptr);
    mEnv.Set("LANG", "ja_JP.UTF-8");
    EXPECT_TRUE(PSystem::IsJapaneseUIEnabled());
}

TEST(PSystem, InitializeFillsTheSeparatorsAndSucceeds) {
    EXPECT_TRUE(PSystem::Initialize());
    EXPECT_EQ(PSystem::GetPathSeparators(), "/");
    EXPECT_TRUE(PSystem::Initialize());
    EXPECT_EQ(PSystem::GetPathSeparators(), "/");
    PSystem::Finalize();
    EXPECT_TRUE(PSystem::GetLineEndingNeedsCR());
}

TEST(PSystem, MilliSleepWaitsAtLeastThatLong) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    PSystem::MilliSleep(3);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(3));
    PSystem::MilliSleep(0);
    PSystem::MilliSleep(-5);
}

TEST(PSystem, EtherAddressesAreSixNonZeroBytes) {
    for (const auto& address : PSystem::GetEtherAddresses())
        EXPECT_NE(address, (std::array<unsigned char, 6>{}));
}

TEST(PSystem, BundleIdentifierIsEmptyUntilTheHostSetsIt) {
    EXPECT_EQ(PSystem::GetASCIIBundleIdentifierString(), "");
    PSystem::SetASCIIBundleIdentifier("com.example.trovel");
    EXPECT_EQ(PSystem::GetASCIIBundleIdentifierString(), "com.example.trovel");
    PSystem::SetASCIIBundleIdentifier("");
    EXPECT_EQ(PSystem::GetASCIIBundleIdentifierString(), "");
}

TEST(PSystem, InitializeGivesUniqueIDsTheFirstEtherAddressAsNode) {
    const auto addresses = PSystem::GetEtherAddresses();
    if (addresses.empty())
        GTEST_SKIP() << "this machine lists no Ethernet interface";
    auto node = [] {
        GBuffer id;
        GUniqueID().GetBin(id);
        return std::array<unsigned char, 6>{id.GetPtr()[10], id.GetPtr()[11], id.GetPtr()[12],
                                            id.GetPtr()[13], id.GetPtr()[14], id.GetPtr()[15]};
    };
    std::array<unsigned char, 6> expected = addresses.front();
    expected[0] |= 0x80;
    ASSERT_TRUE(PSystem::Initialize());
    EXPECT_EQ(node(), expected);
    PSystem::Finalize();
    // Without the platform the node is random.
    EXPECT_NE(node(), node());
    PSystem::Initialize();
}

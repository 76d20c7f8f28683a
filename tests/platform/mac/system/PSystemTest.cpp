#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/values/GUniqueID.h"
#include "mac/paths/PMacNativePath.h"
#include "mac/paths/PMacPathNameImpBase.h"
#include "mac/system/PSystem.h"
#include "standin/StandinEthernetAddresses.h"
#include "support/ExceptionTestText.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

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
    PSystem::SetASCIIBundleIdentifier(GBuffer("com.example.host"));
    GBuffer id;
    PSystem::GetASCIIBundleIdentifier(id);
    EXPECT_EQ(id, GBuffer("com.example.host"));
    PSystem::SetASCIIBundleIdentifier(GBuffer());
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
    EXPECT_EQ(PSystem::GetPathSeparators(), ":.:");
    EXPECT_TRUE(PSystem::Initialize());
    EXPECT_EQ(PSystem::GetPathSeparators(), ":.:");
    EXPECT_EQ(PSystem::GetVolumeSeparator(), u':');
    EXPECT_EQ(PSystem::GetExtensionSeparator(), u'.');
    EXPECT_EQ(PSystem::GetPathSeparator(), u':');
    EXPECT_EQ(PSystem::IsPathSeparator(':'), 1);
    for (uint16_t c : std::initializer_list<uint16_t>{'/', '.', '\\', 0, 0xFF1A})
        EXPECT_EQ(PSystem::IsPathSeparator(c), 0) << c;
    PSystem::Finalize();
    EXPECT_TRUE(PSystem::GetLineEndingNeedsCR());
}

TEST(PSystem, NoToolRunsWithAdministratorRights) {
    GTable<GString> arguments;
    arguments.AddItem(GString("-c"));
    arguments.AddItem(GString("true"));
    EXPECT_FALSE(PSystem::TryToRunAsRoot(GString("/bin/sh"), arguments, GString("Install the helper")));
    EXPECT_FALSE(PSystem::TryToRunAsRoot(GString(), GTable<GString>(), GString()));
}

TEST(PSystem, OnlyAVirtualInterfaceGivesNoEtherAddress) {
    ScopedTempFolder classFolder;
    std::filesystem::create_directories(classFolder / "ifb0");
    StandinEthernetAddresses::SetNetClassFolder(classFolder.Path());
    GTable<GBuffer> bytes;
    bytes.AddItem(GBuffer("stale"));
    GTable<GString> texts;
    texts.AddItem(GString("stale"));
    EXPECT_FALSE(PSystem::GetEtherAddress(bytes));
    EXPECT_FALSE(PSystem::GetEtherAddress(texts));
    StandinEthernetAddresses::SetNetClassFolder("");
    EXPECT_EQ(bytes.GetCount(), 0);
    EXPECT_EQ(texts.GetCount(), 0);
}

TEST(PSystem, BundleOfAnIdentifier) {
    StartFoundation();
    // The test program lies in no bundle: its folder stands for the main bundle.
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    const std::string folder = std::filesystem::path(exe).parent_path().string();
    EXPECT_EQ(Text(PSystem::GetBundleFromID(GBuffer())), folder);
    EXPECT_EQ(Text(PSystem::GetBundleFromID(GBuffer("com.example.not-loaded"))), "");
}

// The colon form against the volumes of a fixed mount table.
class ColonPaths : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        char const* data = std::getenv("TROVEL_TEST_DATA");
        if (data == nullptr)
            GTEST_SKIP() << "TROVEL_TEST_DATA is not set";
        PMacPathNameImpBase::SetMountTableFile(std::string(data) + "/mounts");
    }
    void TearDown() override { PMacPathNameImpBase::SetMountTableFile(""); }

    static std::string Posix(std::string const& colon) { return Text(PSystem::GetPosixFromMacPath(Utf8(colon))); }
    static std::string Mac(std::string const& posix) { return Text(PSystem::GetMacFromPosixPath(Utf8(posix))); }
    static GString Utf8(std::string const& text) {
        GString out;
        EXPECT_TRUE(PMacNativePath::FromUTF8(text, out));
        return out;
    }
};

TEST_F(ColonPaths, ConvertBothWays) {
    struct Case {
        std::string colon;
        std::string posix;
    };
    const Case both[] = {
        {"Macintosh HD:Users:ann:Report.pdf", "/Users/ann/Report.pdf"},
        {"Data:Jobs:a/b", "/Volumes/Data/Jobs/a:b"},
        {"No/Such:x", "/Volumes/No:Such/x"},
        {":folder:file", "folder/file"},
        {"::up", "../up"},
        {"Macintosh HD:", "/"},
        {"Gr\xC3\xBC\xC3\x9F" "e:\xE6\x97\xA5\xE6\x9C\xAC", "/Volumes/Gr\xC3\xBC\xC3\x9F" "e/\xE6\x97\xA5\xE6\x9C\xAC"},
        {"", ""},
    };
    for (Case const& c : both) {
        EXPECT_EQ(Posix(c.colon), c.posix) << c.colon;
        EXPECT_EQ(Mac(c.posix), c.colon) << c.posix;
    }
    // One way only: a trailing ":" names the same folder; a bare name is relative; a volume
    // mounted outside /Volumes is a folder of the boot volume seen from the other side.
    EXPECT_EQ(Posix("Backup Disk:x"), "/mnt/Backup Disk/x");
    EXPECT_EQ(Posix("Data:Jobs:"), "/Volumes/Data/Jobs");
    EXPECT_EQ(Posix("file"), "file");
    EXPECT_EQ(Mac("/Volumes/Data/Jobs/"), "Data:Jobs:");
}

TEST_F(ColonPaths, ResultsTheBufferCannotHoldAreEmpty) {
    const std::string name(1000, 'n');
    EXPECT_EQ(Posix(":" + name + ":" + std::string(22, 'x')), name + "/" + std::string(22, 'x'));  // 1023 bytes
    EXPECT_EQ(Posix(":" + name + ":" + std::string(23, 'x')), "");
    EXPECT_EQ(Mac(name + "/" + std::string(21, 'x')), ":" + name + ":" + std::string(21, 'x'));
    EXPECT_EQ(Mac(name + "/" + std::string(22, 'x')), "");
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
    PSystem::SetASCIIBundleIdentifier(GBuffer("com.example.trovel"));
    EXPECT_EQ(PSystem::GetASCIIBundleIdentifierString(), "com.example.trovel");
    PSystem::SetASCIIBundleIdentifier(GBuffer());
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

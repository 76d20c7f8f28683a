// PSystem's answers about the user, the machine and the macOS version it behaves as.
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/system/PSystem.h"
#include "standin/StandinSystemVersion.h"
#include "support/FoundationStartup.h"
#include "support/ScopedEnvironment.h"

namespace {

std::string Text(GString const& s) {
    GBuffer bytes = s.GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

// Runs check in a child whose real user id has no password entry; its result is the exit status.
int RunAsUnknownUser(bool (*check)()) {
    const pid_t child = fork();
    if (child == 0) {
        uid_t uid = 47113;
        while (getpwuid(uid) != nullptr && uid < 47213)
            ++uid;
        if (setuid(uid) != 0)
            _exit(77);
        _exit(check() ? 1 : 0);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 99;
    return WEXITSTATUS(status);
}

}  // namespace

TEST(PSystemOSCode, MacVersionsMapToTheirCodes) {
    struct Case {
        int major, minor, code;
    } const cases[] = {
        {10, 1, 6000}, {10, 2, 6003}, {10, 9, 6010}, {10, 15, 6016}, {10, 16, 7001}, {10, 17, 6000},
        {11, 0, 7001}, {11, 4, 7000}, {12, 0, 0},    {14, 2, 0},     {9, 0, 0},      {0, 0, 0},
    };
    for (Case const& c : cases)
        EXPECT_EQ(PSystem::GetOSCodeFor(c.major, c.minor), c.code) << c.major << "." << c.minor;
}

TEST(PSystemOSCode, RunningCodeComesFromTheStandInVersion) {
    ScopedEnvironment env;
    env.Unset("TROVEL_MACOS_VERSION");
    // The code is remembered once found; the default version 11.0 gives 7001.
    EXPECT_EQ(PSystem::GetOSCode(), 7001);
}

TEST(StandinSystemVersion, ParsesOnlyWellFormedVersions) {
    struct Case {
        char const* text;
        bool ok;
        int major, minor, patch;
    } const cases[] = {
        {"10.15", true, 10, 15, 0}, {"11.4.1", true, 11, 4, 1}, {"14.2", true, 14, 2, 0},
        {"11", false, 0, 0, 0},     {"", false, 0, 0, 0},       {"11.", false, 0, 0, 0},
        {"a.b", false, 0, 0, 0},    {"1.2.3.4", false, 0, 0, 0}, {"99999.1", false, 0, 0, 0},
        {"-1.0", false, 0, 0, 0},   {"10.15 ", false, 0, 0, 0},
    };
    for (Case const& c : cases) {
        StandinSystemVersion::Version v;
        ASSERT_EQ(StandinSystemVersion::Parse(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_TRUE(v.major == c.major && v.minor == c.minor && v.patch == c.patch) << c.text;
        }
    }
    StandinSystemVersion::Version untouched{1, 2, 3};
    EXPECT_FALSE(StandinSystemVersion::Parse(nullptr, untouched));
    EXPECT_EQ(untouched.major, 1);
}

TEST(StandinSystemVersion, EnvironmentChoosesTheVersion) {
    ScopedEnvironment env;
    env.Set("TROVEL_MACOS_VERSION", "10.14.6");
    StandinSystemVersion::Version v = StandinSystemVersion::GetVersion();
    EXPECT_TRUE(v.major == 10 && v.minor == 14 && v.patch == 6);
    env.Set("TROVEL_MACOS_VERSION", "garbage");
    v = StandinSystemVersion::GetVersion();
    EXPECT_TRUE(v.major == 11 && v.minor == 0);
}

TEST(PSystemUser, LogonNameIsTheRealUsersEvenWithAStaleErrno) {
    StartFoundation();
    passwd const* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    errno = ENOENT;  // left over from an earlier call
    GString name;
    ASSERT_TRUE(PSystem::GetLogonName(name));
    EXPECT_EQ(Text(name), entry->pw_name);
}

TEST(PSystemUser, UserWithoutAnEntryHasNoLogonName) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to take a user id without an entry";
    StartFoundation();
    const int status = RunAsUnknownUser([] {
        GString name("kept");
        const bool found = PSystem::GetLogonName(name);
        GString display;
        return found || PSystem::GetDisplayName(display) || Text(name) != "kept";
    });
    EXPECT_EQ(status, 0);
}

TEST(PSystemUser, MachineAnswers) {
    StartFoundation();
    GString host;
    ASSERT_TRUE(PSystem::GetNetworkName(host));
    char expected[256] = {};
    gethostname(expected, sizeof expected - 1);
    EXPECT_EQ(Text(host), expected);
    EXPECT_GE(PSystem::GetNumberOfProcessors(), 1);
    EXPECT_LE(PSystem::GetProcessorName().GetEncodedBuffer().GetLength(), 256 * 4);
    EXPECT_EQ(PSystem::GetPlatformCode(), 0);
    bool cr = false, lf = true;
    PSystem::GetLineEndingConventions(cr, lf);
    EXPECT_TRUE(cr);
    EXPECT_FALSE(lf);
}

TEST(PSystemUser, EthernetAddressesAsText) {
    StartFoundation();
    GTable<GBuffer> bytes;
    PSystem::GetEtherAddress(bytes);
    GTable<GString> texts;
    texts.AddItem(GString("stale"));
    EXPECT_EQ(PSystem::GetEtherAddress(texts), bytes.GetCount() > 0);
    ASSERT_EQ(texts.GetCount(), bytes.GetCount());
    for (int i = 0; i < texts.GetCount(); ++i) {
        char expected[32];
        unsigned char const* a = bytes[i].GetPtr();
        std::snprintf(expected, sizeof expected, "%02x:%02x:%02x:%02x:%02x:%02xN", a[0], a[1], a[2], a[3], a[4], a[5]);
        EXPECT_EQ(Text(texts[i]), expected);
    }
}

TEST(PSystemUser, UserLanguageIsTheFirstOneUnchanged) {
    StartFoundation();
    ScopedEnvironment env;
    for (char const* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        env.Unset(name);
    env.Set("LANGUAGE", "de_CH:en_US");
    GString language;
    PSystem::GetUserLanguage(language);
    EXPECT_EQ(Text(language), "de-CH");
    env.Unset("LANGUAGE");
    PSystem::GetUserLanguage(language);
    EXPECT_TRUE(language.IsEmpty());
}

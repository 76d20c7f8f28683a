#include <gtest/gtest.h>

#include "standin/StandinUserLanguages.h"
#include "support/ScopedEnvironment.h"

namespace {

struct EnvCase {
    const char* language;  // nullptr: unset
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    std::vector<std::string> expected;
};

void Apply(ScopedEnvironment& env, const char* name, const char* value) {
    if (value)
        env.Set(name, value);
    else
        env.Unset(name);
}

}  // namespace

TEST(StandinUserLanguages, ReadsLanguagesFromTheEnvironment) {
    const EnvCase cases[] = {
        {nullptr, nullptr, nullptr, nullptr, {}},
        {nullptr, nullptr, nullptr, "de_DE.UTF-8", {"de-DE"}},
        {nullptr, nullptr, nullptr, "de_DE.UTF-8@euro", {"de-DE"}},
        {nullptr, nullptr, nullptr, "sr_RS@latin", {"sr-RS"}},
        {nullptr, nullptr, nullptr, "ja", {"ja"}},
        {nullptr, nullptr, nullptr, "C", {}},
        {nullptr, nullptr, nullptr, "POSIX", {}},
        {nullptr, nullptr, nullptr, "C.UTF-8", {}},
        {nullptr, nullptr, nullptr, ".UTF-8", {}},
        {nullptr, nullptr, "fr_FR.UTF-8", "de_DE.UTF-8", {"fr-FR"}},
        {nullptr, "ja_JP.UTF-8", "fr_FR", "de_DE", {"ja-JP"}},
        {nullptr, "", "", "de_DE", {"de-DE"}},
        // LC_ALL decides the message locale even when it names none.
        {nullptr, "C", nullptr, "de_DE.UTF-8", {}},
        {"ja:en_US", nullptr, nullptr, "de_DE.UTF-8", {"ja", "en-US", "de-DE"}},
        {"de_DE:de", nullptr, nullptr, "de_DE.UTF-8", {"de-DE", "de"}},
        {"::fr::", nullptr, nullptr, nullptr, {"fr"}},
        {"C:POSIX", nullptr, nullptr, "C", {}},
        {"zh-Hans:zh_TW.Big5", nullptr, nullptr, nullptr, {"zh-Hans", "zh-TW"}},
        {"", nullptr, nullptr, "it_IT", {"it-IT"}},
    };
    for (const EnvCase& c : cases) {
        ScopedEnvironment env;
        Apply(env, "LANGUAGE", c.language);
        Apply(env, "LC_ALL", c.lcAll);
        Apply(env, "LC_MESSAGES", c.lcMessages);
        Apply(env, "LANG", c.lang);
        EXPECT_EQ(StandinUserLanguages::GetAppleLanguages(), c.expected)
            << "LANGUAGE=" << (c.language ? c.language : "(unset)")
            << " LC_ALL=" << (c.lcAll ? c.lcAll : "(unset)")
            << " LC_MESSAGES=" << (c.lcMessages ? c.lcMessages : "(unset)")
            << " LANG=" << (c.lang ? c.lang : "(unset)");
    }
}

#include "printerprocessor/sharedmemory/GShMemID.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/base/GException.h"
#include "core/text/GString.h"
#include "printerprocessor/sharedmemory/GIPPrefix.h"
#include "support/ExceptionID.h"

namespace {

std::string Text(GShMemID const& id) {
    GBuffer const& bytes = id;
    return std::string(reinterpret_cast<const char*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

TEST(GIPPrefixTest, PrefixesByID) {
    struct Case {
        int id;
        const char* prefix;
    } const cases[] = {{0, "KvoDef"}, {1, "KvoMtx"}, {2, "KvoShD"}, {3, "KvoShL"}, {4, nullptr}, {-1, nullptr}};
    for (const Case& c : cases) {
        if (c.prefix == nullptr)
            EXPECT_EQ(nullptr, GIPPrefix::GetPrefix(c.id)) << c.id;
        else
            EXPECT_STREQ(c.prefix, GIPPrefix::GetPrefix(c.id)) << c.id;
    }
}

TEST(GShMemIDTest, CharactersAllowedAndRefused) {
    struct Case {
        const char* text;
        bool valid;
    } const cases[] = {
        {"", true},        {"Abc_019z", true}, {"_", true},    {"a-b", false}, {"a b", false},
        {"a/b", false},    {"a.b", false},     {"\xC3\xA9", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.valid ? 0 : 40162, ThrownID([&] { GShMemID id(c.text); })) << c.text;
        EXPECT_EQ(c.valid ? 0 : 40162, ThrownID([&] { GShMemID id{GBuffer(c.text)}; })) << c.text;
    }
    EXPECT_TRUE(GShMemID("").IsEmpty());
}

TEST(GShMemIDTest, FailedCheckKeepsTheFormerValue) {
    GShMemID id("Keep");
    EXPECT_EQ(40162, ThrownID([&] { id.CheckAndInitialize("no way"); }));
    EXPECT_EQ("Keep", Text(id));
    id.CheckAndInitialize("");
    EXPECT_EQ("Keep", Text(id));
}

TEST(GShMemIDTest, FromStrings) {
    EXPECT_EQ("512", Text(GShMemID(GString(512))));
    EXPECT_EQ(40162, ThrownID([] { GShMemID id(GString(-3)); }));
    EXPECT_EQ(40162, ThrownID([] { GShMemID id(GString(u"caf\u00E9")); }));
    EXPECT_EQ("cafe", Text(GShMemID(GString(u"cafe"))));
}

TEST(GShMemIDTest, JoiningAndSpecialIDs) {
    EXPECT_EQ("AB", Text(GShMemID("A") + GShMemID("B")));
    GShMemID id("x");
    id += GShMemID("_y");
    EXPECT_EQ("x_y", Text(id));
    EXPECT_EQ("GIPC", Text(GShMemID::GetSpecialID(201)));
    EXPECT_EQ("GIPCTest", Text(GShMemID::GetSpecialID(202)));
    EXPECT_EQ("P", Text(GShMemID::GetSpecialID(1)));
    EXPECT_EQ("MQ", Text(GShMemID::GetSpecialID(101)));
    EXPECT_TRUE(GShMemID::GetSpecialID(999).IsEmpty());
    EXPECT_EQ(&GShMemID::GetSpecialID(999), &GShMemID::GetSpecialID(-5));
}

TEST(GShMemIDTest, FinalizeEmptiesAndInitializeRefills) {
    GShMemID::Finalize();
    EXPECT_TRUE(GShMemID::GetSpecialID(201).IsEmpty());
    GShMemID::Initialize();
    EXPECT_EQ("GIPC", Text(GShMemID::GetSpecialID(201)));
}

}  // namespace

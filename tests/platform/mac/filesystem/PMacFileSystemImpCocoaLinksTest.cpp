// Aliases are symbolic links: resolution of working, broken and cyclic links.
#include "PMacFileSystemImpCocoaTestSupport.h"

namespace {

class PMacFileSystemImpCocoaLinksTest : public PMacFileSystemImpCocoaTest {
protected:
    void SetUp() override {
        mkdir((*this)("real").c_str(), 0755);
        WriteFile((*this)("real/file"), "f");
        Link((*this)("real"), (*this)("dirLink"));
        Link((*this)("real/file"), (*this)("fileLink"));
        Link("real/file", (*this)("relLink"));
        Link((*this)("fileLink"), (*this)("chain2"));
        Link((*this)("chain2"), (*this)("chain3"));
        Link((*this)("nowhere"), (*this)("broken"));
        Link((*this)("cycleB"), (*this)("cycleA"));
        Link((*this)("cycleA"), (*this)("cycleB"));
        Link((*this)("self"), (*this)("self"));
        Link("../real", (*this)("real/up"));  // relative text through "..": real/up is real
    }
};

TEST_F(PMacFileSystemImpCocoaLinksTest, ResolveAliasFollowsEveryLinkOnThePath) {
    const std::string real = (*this)("real");
    const struct {
        std::string path;
        int16_t code;
        std::string resolved;  // empty: out stays as it was
        bool wasAlias;
    } cases[] = {
        {(*this)("real/file"), 0, real + "/file", false},
        {(*this)("missing"), -5000, (*this)("missing"), false},
        {(*this)("real/missing/deeper"), -5000, real + "/missing/deeper", false},
        {(*this)("fileLink"), 0, real + "/file", true},
        {(*this)("relLink"), 0, real + "/file", true},
        {(*this)("dirLink/file"), 0, real + "/file", true},
        {(*this)("chain3"), 0, real + "/file", true},
        {(*this)("real/up/up/file"), 0, real + "/file", true},
        {(*this)("dirLink/missing"), -5000, real + "/missing", true},
        {(*this)("broken"), -43, "", true},
        {(*this)("broken/below"), -43, "", true},
        {(*this)("cycleA"), -43, "", true},
        {(*this)("cycleA/below"), -43, "", true},
        {(*this)("self"), -43, "", true},
        {"/", 0, "/", false},
    };
    for (const auto& c : cases) {
        GString out("untouched");
        bool wasAlias = !c.wasAlias;
        EXPECT_EQ(FS::ResolveAlias(G(c.path), out, &wasAlias), c.code) << c.path;
        EXPECT_EQ(S(out), c.resolved.empty() ? std::string("untouched") : c.resolved) << c.path;
        EXPECT_EQ(wasAlias, c.wasAlias) << c.path;
    }
    GString out;
    EXPECT_EQ(FS::ResolveAlias(BadText(), out, nullptr), -37);
    EXPECT_EQ(FS::ResolveAlias(G((*this)("fileLink")), out, nullptr), 0);
}

TEST_F(PMacFileSystemImpCocoaLinksTest, ResolutionFollowsFortyLinksAndNoMore) {
    // link0 -> real/file, linkN -> link(N-1): resolving linkN follows N + 1 links.
    Link((*this)("real/file"), (*this)("link0"));
    for (int i = 1; i <= 40; ++i)
        Link((*this)("link" + std::to_string(i - 1)), (*this)("link" + std::to_string(i)));
    GString out;
    EXPECT_EQ(FS::ResolveAlias(G((*this)("link39")), out, nullptr), 0);
    EXPECT_EQ(S(out), (*this)("real/file"));
    EXPECT_EQ(FS::ResolveAlias(G((*this)("link40")), out, nullptr), -43);
}

TEST_F(PMacFileSystemImpCocoaLinksTest, GetTargetGivesTheTargetOrWhatTheLinkRecords) {
    const struct {
        std::string path;
        int16_t code;
        std::string target;
    } cases[] = {
        {(*this)("fileLink"), 0, (*this)("real/file")},
        {(*this)("chain3"), 0, (*this)("real/file")},
        {(*this)("real/file"), 0, (*this)("real/file")},
        {(*this)("broken"), -43, (*this)("nowhere")},
        {(*this)("cycleA"), -43, (*this)("cycleB")},
        {(*this)("missing"), -5000, "untouched"},
    };
    for (const auto& c : cases) {
        GString out("untouched");
        EXPECT_EQ(FS::GetTarget(G(c.path), out), c.code) << c.path;
        EXPECT_EQ(S(out), c.target) << c.path;
    }
    Link("gone", (*this)("relBroken"));
    GString out;
    EXPECT_EQ(FS::GetTarget(G((*this)("relBroken")), out), -43);
    EXPECT_EQ(S(out), (*this)("gone"));
    EXPECT_EQ(FS::GetTarget(BadText(), out), -37);
}

TEST_F(PMacFileSystemImpCocoaLinksTest, GetAliasTargetTellsWhetherALinkWasMet) {
    GString out;
    EXPECT_TRUE(FS::GetAliasTarget(G((*this)("dirLink/file")), out));
    EXPECT_EQ(S(out), (*this)("real/file"));
    EXPECT_FALSE(FS::GetAliasTarget(G((*this)("real/file")), out));
    EXPECT_TRUE(FS::GetAliasTarget(G((*this)("cycleA")), out));
}

TEST_F(PMacFileSystemImpCocoaLinksTest, IsAliasIsTrueForLinksOnly) {
    EXPECT_TRUE(FS::IsAlias(G((*this)("fileLink"))));
    EXPECT_TRUE(FS::IsAlias(G((*this)("broken"))));
    EXPECT_TRUE(FS::IsAlias(G((*this)("cycleA"))));
    EXPECT_FALSE(FS::IsAlias(G((*this)("real"))));
    EXPECT_FALSE(FS::IsAlias(G((*this)("missing"))));
    EXPECT_FALSE(FS::IsAlias(G((*this)("real/file/below"))));
    EXPECT_EQ(ThrownID([&] { FS::IsAlias(BadText()); }), 40004);
}

TEST_F(PMacFileSystemImpCocoaLinksTest, CreateAliasMakesALinkToAReachableTarget) {
    EXPECT_EQ(FS::CreateAlias(G((*this)("alias")), G((*this)("real/file")), GString("unused")), 0);
    char text[512] = {};
    ASSERT_GT(readlink((*this)("alias").c_str(), text, sizeof text - 1), 0);
    EXPECT_EQ(std::string(text), (*this)("real/file"));
    EXPECT_EQ(FS::CreateAlias(G((*this)("alias")), G((*this)("real")), GString()), -48);
    EXPECT_EQ(FS::CreateAlias(G((*this)("broken")), G((*this)("real")), GString()), -48);
    EXPECT_EQ(FS::CreateAlias(G((*this)("alias2")), G((*this)("missing")), GString()), -43);
    EXPECT_FALSE(Exists((*this)("alias2")));
    EXPECT_EQ(FS::CreateAlias(BadText(), G((*this)("real")), GString()), -37);
    EXPECT_EQ(FS::CreateAlias(G((*this)("alias3")), BadText(), GString()), -37);
    EXPECT_EQ(ThrownID([&] { FS::CreateAlias(G((*this)("missing/alias")), G((*this)("real")), GString()); }), 40275);
}

TEST_F(PMacFileSystemImpCocoaLinksTest, AreLinksIdenticalNeedsTheSameItemByTheSamePath) {
    WriteFile((*this)("other"), "f");
    link((*this)("real/file").c_str(), (*this)("hard").c_str());
    EXPECT_TRUE(FS::AreLinksIdentical(G((*this)("real/file")), G((*this)("real/file"))));
    EXPECT_FALSE(FS::AreLinksIdentical(G((*this)("real/file")), G((*this)("other"))));
    EXPECT_FALSE(FS::AreLinksIdentical(G((*this)("real/file")), G((*this)("hard"))));
    EXPECT_FALSE(FS::AreLinksIdentical(G((*this)("real/file")), G((*this)("fileLink"))));
    EXPECT_FALSE(FS::AreLinksIdentical(G((*this)("missing")), G((*this)("missing"))));
}

}  // namespace

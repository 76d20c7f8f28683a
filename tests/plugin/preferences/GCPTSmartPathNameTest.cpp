// Temporary paths recorded in the plug-in's preferences: their numbering, their removal with the
// object, and the clean-up of what an earlier run left, which deletes only below the plug-in's own
// temporary folder and never through or of a link.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "plugin/paths/GCPTTemporaryFolder.h"
#include "plugin/preferences/GCPTSmartPathName.h"
#include "plugin/preferences/PluginPrefTestSupport.h"

using namespace plugintest;
using namespace GCPTPluginPrefTool;

namespace {

class SmartPathName : public PluginPrefs {
protected:
    void SetUp() override {
        PluginPrefs::SetUp();
        ASSERT_TRUE(GCPTTemporaryFolder::EnsureRoot());
        mRoot = U8(GCPTTemporaryFolder::GetRoot());
        mInstance = U8(GCPTTemporaryFolder::GetInstanceFolder());
        ASSERT_FALSE(mInstance.empty());
    }

    static std::string U8(GPathName const& path) { return Text(path.GetNativePathString()); }
    static GPathName P(std::string const& path) { return GPathName(T(path)); }

    // Records a path under the next key, as a crashed run would have left it.
    static void Record(std::string const& path) {
        GBuffer key;
        GCPTSmartPathName::RegisterFilePath(P(path), key);
    }
    int CountPathKeys() const {
        GTable<GBuffer> keys;
        mModule->GetGroupPreferences(cFilePath_GroupId, keys);
        int n = 0;
        for (GBuffer const& key : keys)
            n += S(key).rfind("FilePathName_", 0) == 0 ? 1 : 0;
        return n;
    }

    std::string mRoot;
    std::string mInstance;
};

// The PID of a process that has ended and been reaped.
int DeadProcessID() {
    pid_t const child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

}  // namespace

TEST_F(SmartPathName, KeysAreNumberedOnFromAValidMaxCount) {
    struct Case {
        char const* stored;  // null: absent
        char const* key;
        char const* maxCount;
    };
    for (Case c : {Case{nullptr, "FilePathName_1", "1"}, Case{"7", "FilePathName_8", "8"}, Case{"0", "FilePathName_1", "1"},
                   Case{"", "FilePathName_1", "1"}, Case{"-5", "FilePathName_1", "1"},
                   Case{"2147483647", "FilePathName_1", "1"}, Case{"junk", "FilePathName_1", "1"}}) {
        GPreferences::Remove(GPreferences::kUserLevel, cFilePath_GroupId);
        if (c.stored != nullptr)
            GPreferences::Set(GPreferences::kUserLevel, cFilePath_GroupId, cFilePath_PrefIdMaxCount, T(c.stored));
        int const writes = mModule->mWrites;
        GBuffer key;
        GCPTSmartPathName::RegisterFilePath(P(mInstance + "/a"), key);
        EXPECT_EQ(c.key, S(key)) << (c.stored ? c.stored : "absent");
        EXPECT_EQ(c.maxCount, Value(cFilePath_GroupId, cFilePath_PrefIdMaxCount));
        EXPECT_EQ(mInstance + "/a", Value(cFilePath_GroupId, key));
        EXPECT_GT(mModule->mWrites, writes) << "the record is flushed before the file is made";
    }
    GBuffer none;
    GCPTSmartPathName::RegisterFilePath(GPathName(), none);
    EXPECT_TRUE(none.IsEmpty());
}

TEST_F(SmartPathName, TheObjectDeletesItsFileOrFolderAndItsRecord) {
    std::string const file = mInstance + "/job.pdf";
    WriteFile(file);
    std::string const folder = mInstance + "/package";
    mkdir(folder.c_str(), 0700);
    mkdir((folder + "/Links").c_str(), 0700);
    WriteFile(folder + "/Links/image.tif");
    std::string outsideKey;
    {
        GCPTSmartPathName path(P(file));
        GCPTSmartPathName package(P(folder));
        EXPECT_EQ("FilePathName_1", S(path.GetKey()));
        EXPECT_EQ("FilePathName_2", S(package.GetKey()));
        EXPECT_EQ(2, CountPathKeys());
    }
    EXPECT_FALSE(Exists(file));
    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(0, CountPathKeys());
    EXPECT_TRUE(Exists(mInstance)) << "only what was recorded goes";
}

TEST_F(SmartPathName, RemoveKeepsTheRecordAndSetPathReusesIt) {
    std::string const first = mInstance + "/first";
    std::string const second = mInstance + "/second";
    WriteFile(first);
    WriteFile(second);
    GCPTSmartPathName path(P(first));
    path.Remove();
    EXPECT_FALSE(Exists(first));
    EXPECT_TRUE(path.GetPath().IsEmpty());
    EXPECT_EQ(first, Value(cFilePath_GroupId, path.GetKey()));

    path.SetPath(P(second));
    EXPECT_EQ("FilePathName_1", S(path.GetKey()));
    EXPECT_EQ(second, Value(cFilePath_GroupId, path.GetKey()));

    // A record dropped meanwhile (a clean-up) gets a new key.
    GPreferences::Remove(GPreferences::kUserLevel, cFilePath_GroupId, path.GetKey());
    std::string const third = mInstance + "/third";
    WriteFile(third);
    path.SetPath(P(third));
    EXPECT_FALSE(Exists(second)) << "the object's current file goes whether recorded or not";
    EXPECT_EQ("FilePathName_2", S(path.GetKey()));

    path.SetPath(GPathName());
    EXPECT_FALSE(Exists(third));
}

TEST_F(SmartPathName, TheCleanUpDeletesOnlyBelowItsOwnRootWithoutFollowingLinks) {
    std::string const outside = mSandbox.Out();
    WriteFile(outside + "/precious.txt");
    mkdir((outside + "/folder").c_str(), 0700);
    WriteFile(outside + "/folder/inside.txt");

    std::string const leftover = mInstance + "/leftover.pdf";
    WriteFile(leftover);
    std::string const deadFolder = mRoot + "/" + std::to_string(DeadProcessID());
    mkdir(deadFolder.c_str(), 0700);
    WriteFile(deadFolder + "/job.pdf");
    std::string const liveFolder = mRoot + "/" + std::to_string(getppid());
    mkdir(liveFolder.c_str(), 0700);
    WriteFile(liveFolder + "/live.pdf");
    std::string const fileLink = mInstance + "/link-to-file";
    symlink((outside + "/precious.txt").c_str(), fileLink.c_str());
    std::string const folderLink = mInstance + "/link-to-folder";
    symlink((outside + "/folder").c_str(), folderLink.c_str());

    struct Entry {
        std::string path;
        std::string survivor;  // what must still be there afterwards, empty: nothing
    };
    std::vector<Entry> const entries = {
        {leftover, ""},
        {mInstance + "/vanished.pdf", ""},
        {deadFolder, ""},
        {liveFolder + "/live.pdf", liveFolder + "/live.pdf"},
        {fileLink, outside + "/precious.txt"},
        {fileLink, fileLink},
        {folderLink + "/inside.txt", outside + "/folder/inside.txt"},
        {folderLink, outside + "/folder"},
        {outside + "/precious.txt", outside + "/precious.txt"},
        {outside + "/folder", outside + "/folder/inside.txt"},
        {mRoot, mInstance},
        {mRoot + "/../../out/precious.txt", outside + "/precious.txt"},
        {"/", "/"},
        {"relative/path", ""},
    };
    for (Entry const& e : entries)
        Record(e.path);
    GCPTSmartPathName::ClearOldFilePaths();

    for (Entry const& e : entries) {
        if (!e.survivor.empty()) {
            EXPECT_TRUE(Exists(e.survivor)) << e.path;
        }
    }
    EXPECT_FALSE(Exists(leftover));
    EXPECT_FALSE(Exists(deadFolder));
    EXPECT_EQ(0, CountPathKeys()) << "every record is dropped, deleted or not";
    EXPECT_EQ("0", Value(cFilePath_GroupId, cFilePath_PrefIdMaxCount));
}

TEST_F(SmartPathName, TheCleanUpLooksOnlyAtTheKeysThatExist) {
    std::string const inRange = mInstance + "/in-range";
    std::string const beyond = mInstance + "/beyond";
    WriteFile(inRange);
    WriteFile(beyond);
    GPreferences::Set(GPreferences::kUserLevel, cFilePath_GroupId, GBuffer("FilePathName_3"), P(inRange));
    GPreferences::Set(GPreferences::kUserLevel, cFilePath_GroupId, GBuffer("FilePathName_12"), P(beyond));
    GPreferences::Set(GPreferences::kUserLevel, cFilePath_GroupId, GBuffer("FilePathName_x"), P(beyond));
    GPreferences::Set(GPreferences::kUserLevel, cFilePath_GroupId, cFilePath_PrefIdMaxCount, T("10"));
    GCPTSmartPathName::ClearOldFilePaths();
    EXPECT_FALSE(Exists(inRange));
    EXPECT_TRUE(Exists(beyond)) << "keys past MaxCount and foreign keys are not the list's";
    EXPECT_TRUE(GPreferences::Has(GPreferences::kUserLevel, cFilePath_GroupId, GBuffer("FilePathName_12")));

    // A planted count of two billion costs no more than the keys there are.
    GPreferences::Set(GPreferences::kUserLevel, cFilePath_GroupId, cFilePath_PrefIdMaxCount, T("2000000000"));
    GCPTSmartPathName::ClearOldFilePaths();
    EXPECT_FALSE(Exists(beyond));
    EXPECT_EQ("0", Value(cFilePath_GroupId, cFilePath_PrefIdMaxCount));
}

TEST_F(SmartPathName, WithoutMaxCountTheCleanUpDoesNothing) {
    std::string const file = mInstance + "/kept";
    WriteFile(file);
    GPreferences::Set(GPreferences::kUserLevel, cFilePath_GroupId, GBuffer("FilePathName_1"), P(file));
    GCPTSmartPathName::ClearOldFilePaths();
    EXPECT_TRUE(Exists(file));
    EXPECT_FALSE(GPreferences::Has(GPreferences::kUserLevel, cFilePath_GroupId, cFilePath_PrefIdMaxCount));
}

TEST_F(SmartPathName, ARootThatIsNotAPrivateFolderOfOursIsNeverDeletedFrom) {
    std::string const file = mInstance + "/job.pdf";
    WriteFile(file);
    Record(file);
    chmod(mRoot.c_str(), 0777);
    GCPTSmartPathName::ClearOldFilePaths();
    EXPECT_TRUE(Exists(file)) << "a root others may write to is not trusted";
    chmod(mRoot.c_str(), 0700);
    Record(file);
    if (geteuid() == 0) {
        // Another user's folder under our root's name (the tests run as root, who can make one).
        ASSERT_EQ(0, chown(mRoot.c_str(), 65534, 65534));
        GCPTSmartPathName::ClearOldFilePaths();
        EXPECT_TRUE(Exists(file)) << "a root owned by someone else is not ours";
        EXPECT_FALSE(GCPTTemporaryFolder::EnsureRoot());
        ASSERT_EQ(0, chown(mRoot.c_str(), 0, 0));
    }

    // The root replaced by a link to another folder.
    std::string const elsewhere = mSandbox.Out() + "/elsewhere";
    mkdir(elsewhere.c_str(), 0700);
    WriteFile(elsewhere + "/victim");
    std::string const moved = mSandbox.Root() + "/tmp/moved-root";
    ASSERT_EQ(0, rename(mRoot.c_str(), moved.c_str()));
    ASSERT_EQ(0, symlink(elsewhere.c_str(), mRoot.c_str()));
    Record(mRoot + "/victim");
    GCPTSmartPathName::ClearOldFilePaths();
    EXPECT_TRUE(Exists(elsewhere + "/victim"));
    EXPECT_FALSE(GCPTTemporaryFolder::EnsureRoot());
    EXPECT_TRUE(GCPTTemporaryFolder::GetInstanceFolder().IsEmpty());
}

TEST_F(SmartPathName, StartAndStopOfTheCountedLayerClearTheList) {
    std::string const first = mInstance + "/from-last-run";
    WriteFile(first);
    Record(first);
    GCPTSmartPathName::Initialize();
    EXPECT_FALSE(Exists(first));
    GCPTSmartPathName::Initialize();
    std::string const second = mInstance + "/this-run";
    WriteFile(second);
    Record(second);
    GCPTSmartPathName::Finalize();
    EXPECT_TRUE(Exists(second)) << "an inner stop does nothing";
    GCPTSmartPathName::Finalize();
    EXPECT_FALSE(Exists(second));
}

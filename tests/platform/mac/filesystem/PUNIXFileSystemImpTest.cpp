#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "mac/filesystem/PUNIXFileImp.h"
#include "mac/filesystem/PUNIXFileSystemImp.h"
#include "mac/paths/PMacPathText.h"
#include "mac/system/PUNIXSystemException.h"
#include "support/FoundationStartup.h"
#include "support/NativePathText.h"
#include "support/ScopedTempFolder.h"

namespace {

class Handle : public PUNIXFileImp {
public:
    explicit Handle(std::string const& path) : mPath(G(path)) {}
    std::int64_t GetPos() override { return mPos == -1 ? (mPos = GetFilePosition()) : mPos; }
    GString GetFilePath() const override { return mPath; }
    std::int64_t GetCachedPos() const override { return mPos; }
    void SetCachedPos(std::int64_t position) override { mPos = position; }
    std::int64_t GetCachedLength() const override { return -1; }
    void SetCachedLength(std::int64_t) override {}
    bool GetReopenWritable() const override { return false; }

private:
    GString mPath;
    std::int64_t mPos = 0;
};

void Touch(std::string const& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
}

// The answer of FileInUse asked from another process: 1 in use, 0 not, 2 thrown.
int AskedFromAChild(std::string const& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            _exit(PUNIXFileSystemImp::FileInUse(G(path)) ? 1 : 0);
        } catch (...) {
            _exit(2);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PUNIXFileSystemImpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartFoundation(); }
    ScopedTempFolder mTemp;
};

TEST_F(PUNIXFileSystemImpTest, CheckErrnoThrowsOnlyForAFailureWithAnError) {
    errno = 0;
    EXPECT_NO_THROW(PUNIXFileSystemImp::CheckErrno(false));
    errno = EACCES;
    EXPECT_NO_THROW(PUNIXFileSystemImp::CheckErrno(true));
    errno = ENOENT;
    try {
        PUNIXFileSystemImp::CheckErrno(false);
        FAIL() << "nothing thrown";
    } catch (PUNIXSystemException const& e) {
        EXPECT_EQ(e.GetSystemErrorCode(), ENOENT);
        EXPECT_EQ(e.GetExceptionID(), 40074);
    }
}

TEST_F(PUNIXFileSystemImpTest, AFileNobodyLocksIsNotInUse) {
    Touch(mTemp / "free");
    EXPECT_FALSE(PUNIXFileSystemImp::FileInUse(G(mTemp / "free")));
    // Open without a lock (both share bits): still free.
    Handle handle(mTemp / "free");
    handle.Open(1 | 2 | 16 | 32);
    EXPECT_FALSE(PUNIXFileSystemImp::FileInUse(G(mTemp / "free")));
}

TEST_F(PUNIXFileSystemImpTest, ALockOfAnotherProcessOrHandleMakesItInUse) {
    const std::string path = mTemp / "held";
    Touch(path);
    for (int mode : {1, 2, 3}) {
        Handle handle(path);
        handle.Open(mode);
        EXPECT_EQ(AskedFromAChild(path), 1) << "mode " << mode;
        EXPECT_TRUE(PUNIXFileSystemImp::FileInUse(G(path))) << "mode " << mode;
    }
    EXPECT_EQ(AskedFromAChild(path), 0);
}

TEST_F(PUNIXFileSystemImpTest, ProbingDoesNotDropTheLockItFinds) {
    const std::string path = mTemp / "probed";
    Touch(path);
    Handle handle(path);
    handle.Open(6);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(PUNIXFileSystemImp::FileInUse(G(path)));
    // The probes opened and closed descriptors of the file; another process is still kept out.
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(path.c_str(), O_RDWR);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        _exit(fd >= 0 && fcntl(fd, F_SETLK, &lock) == 0 ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child took a lock the handle holds";
}

TEST_F(PUNIXFileSystemImpTest, AnAliasStandsForItsTarget) {
    const std::string target = mTemp / "target";
    Touch(target);
    ASSERT_EQ(symlink("target", (mTemp / "alias").c_str()), 0);
    Handle handle(target);
    handle.Open(2);
    EXPECT_EQ(AskedFromAChild(mTemp / "alias"), 1);
    handle.Close();
    EXPECT_EQ(AskedFromAChild(mTemp / "alias"), 0);
}

TEST_F(PUNIXFileSystemImpTest, WhatCannotBeOpenedThrows) {
    try {
        PUNIXFileSystemImp::FileInUse(G(mTemp / "missing"));
        FAIL() << "nothing thrown";
    } catch (PUNIXSystemException const& e) {
        EXPECT_EQ(e.GetSystemErrorCode(), ENOENT);
    }
    ASSERT_EQ(symlink("loop", (mTemp / "loop").c_str()), 0);
    try {
        PUNIXFileSystemImp::FileInUse(G(mTemp / "loop"));
        FAIL() << "nothing thrown";
    } catch (PUNIXSystemException const& e) {
        EXPECT_EQ(e.GetSystemErrorCode(), ELOOP);
    }
    const GString zero = PMacPathText::FromUnits(PMacPathText::Units(G(mTemp / "x")) + std::u16string(1, u'\0'));
    EXPECT_THROW(PUNIXFileSystemImp::FileInUse(zero),
                 PUNIXSystemException);
}

}  // namespace

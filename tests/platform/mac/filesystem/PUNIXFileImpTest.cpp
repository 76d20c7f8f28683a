#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "mac/filesystem/PUNIXFileImp.h"
#include "mac/paths/PMacPathText.h"
#include "mac/system/PUNIXSystemException.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/NativePathText.h"
#include "support/ScopedTempFolder.h"

namespace {

// The handle above the POSIX half, as small as the tests need it.
class TestFile : public PUNIXFileImp {
public:
    explicit TestFile(std::string const& path) : mPath(G(path)) {}
    explicit TestFile(GString path) : mPath(std::move(path)) {}

    std::int64_t GetPos() override {
        if (mCachedPos == -1)
            mCachedPos = GetFilePosition();
        return mCachedPos;
    }
    GString GetFilePath() const override { return mPath; }
    std::int64_t GetCachedPos() const override { return mCachedPos; }
    void SetCachedPos(std::int64_t position) override { mCachedPos = position; }
    std::int64_t GetCachedLength() const override { return mCachedLength; }
    void SetCachedLength(std::int64_t length) override { mCachedLength = length; }
    bool GetReopenWritable() const override { return false; }

private:
    GString mPath;
    std::int64_t mCachedPos = 0;
    std::int64_t mCachedLength = -1;
};

GBuffer Buffer(std::string const& bytes) {
    return GBuffer(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
}

std::string Text(GBuffer const& buffer) {
    return std::string(reinterpret_cast<char const*>(buffer.GetPtr()), static_cast<std::size_t>(buffer.GetLength()));
}

// The lock another open file description would meet when asking for a whole-file write lock.
short LockSeenFromAnotherDescriptor(std::string const& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const int result = fcntl(fd, F_OFD_GETLK, &probe);
    close(fd);
    return result == 0 ? probe.l_type : -1;
}

// A child that holds a classic record lock (another process's kind of lock) until told to end.
class LockingChild {
public:
    LockingChild(std::string const& path, short type, off_t start = 0, off_t length = 0) {
        int ready[2];
        int release[2];
        if (pipe(ready) != 0 || pipe(release) != 0)
            return;
        mPid = fork();
        if (mPid == 0) {
            close(ready[0]);
            close(release[1]);
            const int fd = open(path.c_str(), type == F_WRLCK ? O_RDWR : O_RDONLY);
            struct flock lock = {};
            lock.l_type = type;
            lock.l_whence = SEEK_SET;
            lock.l_start = start;
            lock.l_len = length;
            const char answer = fd >= 0 && fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
            if (write(ready[1], &answer, 1) != 1)
                _exit(3);
            char ignored;
            while (read(release[0], &ignored, 1) > 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        mRelease = release[1];
        char answer = 'n';
        if (read(ready[0], &answer, 1) == 1)
            mLocked = answer == 'y';
        close(ready[0]);
    }
    ~LockingChild() { End(); }
    bool Locked() const { return mLocked; }
    void End() {
        if (mRelease != -1)
            close(mRelease);
        mRelease = -1;
        if (mPid > 0)
            waitpid(mPid, nullptr, 0);
        mPid = -1;
    }

private:
    pid_t mPid = -1;
    int mRelease = -1;
    bool mLocked = false;
};

// Runs the check in a child and gives its exit code (the check's result: 0 when it held).
int InChild(std::function<int()> const& check) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(check());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// Whether a classic whole-file (or region) write lock can be taken by another process.
bool OtherProcessCanLock(std::string const& path, off_t start = 0, off_t length = 0) {
    return InChild([&] {
        const int fd = open(path.c_str(), O_RDWR);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = start;
        lock.l_len = length;
        return fd >= 0 && fcntl(fd, F_SETLK, &lock) == 0 ? 0 : 1;
    }) == 0;
}

class PUNIXFileImpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartFoundation(); }
    ScopedTempFolder mTemp;
};

struct ModeCase {
    int mode;
    bool exists;
    int access;         // O_RDONLY, O_WRONLY or O_RDWR
    short lock;         // the lock the handle holds on the whole file
    char const* after;  // the file's contents once opened
};

TEST_F(PUNIXFileImpTest, EveryOpenModeGivesItsAccessLockAndContents) {
    const ModeCase cases[] = {
        {0, true, O_RDONLY, F_UNLCK, "hello"},
        {1, true, O_RDONLY, F_RDLCK, "hello"},
        {2, true, O_WRONLY, F_WRLCK, "hello"},
        {3, true, O_RDWR, F_WRLCK, "hello"},
        {4, false, O_RDONLY, F_UNLCK, ""},
        {5, false, O_RDONLY, F_RDLCK, ""},
        {6, false, O_WRONLY, F_WRLCK, ""},
        {6, true, O_WRONLY, F_WRLCK, "hello"},
        {7, true, O_RDWR, F_WRLCK, "hello"},
        {8, true, O_WRONLY, F_UNLCK, ""},
        {9, true, O_RDWR, F_RDLCK, ""},
        {10, true, O_WRONLY, F_WRLCK, ""},
        {14, true, O_WRONLY, F_WRLCK, ""},
        {14, false, O_WRONLY, F_WRLCK, ""},
        {15, true, O_RDWR, F_WRLCK, ""},
        {17, true, O_RDONLY, F_UNLCK, "hello"},
        {18, true, O_WRONLY, F_WRLCK, "hello"},
        {33, true, O_RDONLY, F_RDLCK, "hello"},
        {34, true, O_WRONLY, F_UNLCK, "hello"},
        {35, true, O_RDWR, F_RDLCK, "hello"},
        {51, true, O_RDWR, F_UNLCK, "hello"},
        {46, true, O_WRONLY, F_UNLCK, ""},
    };
    int n = 0;
    for (ModeCase const& c : cases) {
        const std::string path = mTemp / ("file" + std::to_string(n++));
        if (c.exists)
            WriteFile(path, "hello");
        TestFile file(path);
        file.Open(c.mode);
        const int fd = file.GetFileDescriptor();
        ASSERT_NE(fd, -1) << "mode " << c.mode;
        const int flags = fcntl(fd, F_GETFL);
        EXPECT_EQ(flags & O_ACCMODE, c.access) << "mode " << c.mode;
        EXPECT_NE(flags & O_NONBLOCK, 0) << "mode " << c.mode;
        EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "mode " << c.mode;
        EXPECT_EQ(LockSeenFromAnotherDescriptor(path), c.lock) << "mode " << c.mode;
        EXPECT_EQ(ReadFile(path), c.after) << "mode " << c.mode;
        if (!c.exists) {
            struct stat status;
            ASSERT_EQ(stat(path.c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 0077, 0u) << "mode " << c.mode;
        }
        file.Close();
        EXPECT_EQ(file.GetFileDescriptor(), -1);
        EXPECT_EQ(LockSeenFromAnotherDescriptor(path), F_UNLCK) << "mode " << c.mode;
    }
}

TEST_F(PUNIXFileImpTest, OpeningWithoutCreateDoesNotMakeTheFile) {
    for (int mode : {0, 1, 2, 3, 8, 10, 34}) {
        TestFile file(mTemp / "absent");
        try {
            file.Open(mode);
            ADD_FAILURE() << "mode " << mode << " opened a missing file";
        } catch (PUNIXSystemException const& e) {
            EXPECT_EQ(e.GetSystemErrorCode(), ENOENT) << "mode " << mode;
        }
        EXPECT_EQ(file.GetFileDescriptor(), -1);
        EXPECT_EQ(ReadFile(mTemp / "absent"), "<missing>");
    }
}

TEST_F(PUNIXFileImpTest, CreatingInAMissingFolderMakesTheFoldersWithTheUmask) {
    const mode_t old = umask(022);
    TestFile file(mTemp / "x/y/z/new.txt");
    file.Open(6);
    umask(old);
    EXPECT_EQ(file.Write(Buffer("data")), 4);
    file.Close();
    EXPECT_EQ(ReadFile(mTemp / "x/y/z/new.txt"), "data");
    struct stat status;
    ASSERT_EQ(stat((mTemp / "x/y").c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0755u);
}

TEST_F(PUNIXFileImpTest, CreatingBelowAFileThrowsAndMakesNothing) {
    WriteFile(mTemp / "plain", "x");
    TestFile file(mTemp / "plain/sub/new.txt");
    try {
        file.Open(6);
        FAIL() << "opened below a file";
    } catch (PUNIXSystemException const& e) {
        EXPECT_EQ(e.GetSystemErrorCode(), ENOTDIR);
    }
    EXPECT_EQ(ReadFile(mTemp / "plain"), "x");
}

// Own file (64), for files in folders others may write to: what could have been planted there
// is refused before anything is locked or truncated, and no folder is made.
TEST_F(PUNIXFileImpTest, OwnFileRefusesWhatAnotherUserCouldPlant) {
    const std::string victim = mTemp / "victim";
    const bool root = geteuid() == 0;
    struct Case {
        char const* name;
        std::function<void(std::string const&)> plant;
        int error;  // 0: opened
    } const cases[] = {
        {"missing file", [](std::string const&) {}, 0},
        {"own file", [](std::string const& at) { WriteFile(at, "old"); }, 0},
        {"symbolic link", [&](std::string const& at) { ASSERT_EQ(symlink(victim.c_str(), at.c_str()), 0); }, ELOOP},
        {"dangling link", [&](std::string const& at) { ASSERT_EQ(symlink((mTemp / "target").c_str(), at.c_str()), 0); },
         ELOOP},
        {"hard link", [&](std::string const& at) { ASSERT_EQ(link(victim.c_str(), at.c_str()), 0); }, EPERM},
        {"fifo", [](std::string const& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }, ENXIO},
        {"another user's file",
         [root](std::string const& at) {
             WriteFile(at, "theirs");
             if (root) {
                 ASSERT_EQ(chown(at.c_str(), 65534, 65534), 0);
             }
         },
         root ? EPERM : 0},
    };
    const int mode = PUNIXFileImp::kWrite | PUNIXFileImp::kCreate | PUNIXFileImp::kTruncate | PUNIXFileImp::kOwnFile;
    int n = 0;
    for (Case const& c : cases) {
        WriteFile(victim, "precious");
        const std::string path = mTemp / ("own" + std::to_string(n++));
        c.plant(path);
        TestFile file(path);
        int error = 0;
        try {
            file.Open(mode);
        } catch (PUNIXSystemException const& e) {
            error = e.GetSystemErrorCode();
        }
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_EQ(ReadFile(victim), "precious") << c.name;
        EXPECT_EQ(ReadFile(mTemp / "target"), "<missing>") << c.name;
        if (error == 0) {
            EXPECT_EQ(ReadFile(path), "") << c.name;
        }
    }
    TestFile below(mTemp / "nofolder/file");
    EXPECT_THROW(below.Open(mode), PUNIXSystemException);
    EXPECT_EQ(ReadFile(mTemp / "nofolder"), "<missing>");
}

TEST_F(PUNIXFileImpTest, APathWithAZeroUnitIsRefused) {
    WriteFile(mTemp / "a", "keep");
    TestFile file(PMacPathText::FromUnits(PMacPathText::Units(G(mTemp / "a")) + std::u16string(u"\0/../b", 6)));
    try {
        file.Open(14);
        FAIL() << "opened a path with a zero byte";
    } catch (PUNIXSystemException const& e) {
        EXPECT_EQ(e.GetSystemErrorCode(), EINVAL);
    }
    EXPECT_EQ(ReadFile(mTemp / "a"), "keep");
}

TEST_F(PUNIXFileImpTest, ReadsAdvanceTheCachedPositionOrAskTheDescriptor) {
    WriteFile(mTemp / "r", "hello world");
    TestFile file(mTemp / "r");
    file.Open(1);
    GBuffer buffer;
    EXPECT_EQ(file.Read(buffer, 4), 4);
    EXPECT_EQ(Text(buffer), "hell");
    EXPECT_EQ(file.GetCachedPos(), 4);
    file.SetCachedPos(-1);
    EXPECT_EQ(file.Read(buffer, 100), 7);
    EXPECT_EQ(Text(buffer), "o world");
    EXPECT_EQ(file.GetCachedPos(), 11);
    EXPECT_EQ(file.Read(buffer, 10), 0);
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_EQ(file.Read(buffer, 0), 0);
    EXPECT_EQ(file.Read(buffer, -3), 0);

    file.SetCachedPos(6);
    file.SetFilePosition();
    EXPECT_EQ(file.GetFilePosition(), 6);
    EXPECT_EQ(file.Read(buffer, 5), 5);
    EXPECT_EQ(Text(buffer), "world");
}

TEST_F(PUNIXFileImpTest, AClosedHandleThrowsInsteadOfReadingOrWriting) {
    TestFile file(mTemp / "c");
    GBuffer buffer;
    EXPECT_THROW(file.Read(buffer, 4), PUNIXSystemException);
    EXPECT_THROW(file.Write(Buffer("x")), PUNIXSystemException);
    EXPECT_THROW(file.GetFilePosition(), PUNIXSystemException);
    file.Close();  // closing a closed handle is nothing
}

TEST_F(PUNIXFileImpTest, WritesMoveTheCachedPositionAndGrowTheCachedLength) {
    TestFile file(mTemp / "w");
    file.Open(6);
    EXPECT_EQ(file.Write(Buffer("abcde")), 5);
    EXPECT_EQ(file.GetCachedPos(), 5);
    EXPECT_EQ(file.GetCachedLength(), -1);
    file.SetCachedLength(3);
    EXPECT_EQ(file.Write(Buffer("fg")), 2);
    EXPECT_EQ(file.GetCachedPos(), 7);
    EXPECT_EQ(file.GetCachedLength(), 7);
    file.SetCachedLength(100);
    file.SetCachedPos(-1);
    EXPECT_EQ(file.Write(Buffer("h")), 1);
    EXPECT_EQ(file.GetCachedPos(), 8);
    EXPECT_EQ(file.GetCachedLength(), 100);
    EXPECT_EQ(file.Write(GBuffer()), 0);
    file.Close();
    EXPECT_EQ(ReadFile(mTemp / "w"), "abcdefgh");
}

TEST_F(PUNIXFileImpTest, AFullDeviceThrowsInsteadOfCountingTheBytesAsWritten) {
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    TestFile file(std::string("/dev/full"));
    file.Open(2 | 32);
    try {
        file.Write(Buffer("never stored"));
        FAIL() << "a write to a full device succeeded";
    } catch (PUNIXSystemException const& e) {
        EXPECT_EQ(e.GetSystemErrorCode(), ENOSPC);
    }
    EXPECT_EQ(file.GetCachedPos(), 0);
}

TEST_F(PUNIXFileImpTest, AFileSizeLimitStopsAWriteWithAnErrorAfterWhatFits) {
    const std::string path = mTemp / "limited";
    const int result = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {10, 10};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 10;
        TestFile file(path);
        file.Open(14);
        try {
            file.Write(Buffer("0123456789abcdefghij"));
        } catch (PUNIXSystemException const& e) {
            if (e.GetSystemErrorCode() != EFBIG)
                return 11;
            return file.GetCachedPos() == 10 && file.GetFilePosition() == 10 ? 0 : 12;
        }
        return 13;  // counted as written
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(path), "0123456789");
}

TEST_F(PUNIXFileImpTest, AWriteLargerThanAPipeTakesArrivesWhole) {
    const std::string fifo = mTemp / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string data(1 << 20, 'q');
    int done[2];
    ASSERT_EQ(pipe(done), 0);
    const pid_t reader = fork();
    if (reader == 0) {
        close(done[0]);
        const int fd = open(fifo.c_str(), O_RDONLY);
        std::size_t total = 0;
        char block[4096];
        ssize_t n;
        while ((n = read(fd, block, sizeof block)) > 0) {
            total += static_cast<std::size_t>(n);
            usleep(50);
        }
        const char answer = total == (1u << 20) ? 'y' : 'n';
        _exit(write(done[1], &answer, 1) == 1 ? 0 : 1);
    }
    close(done[1]);
    {
        TestFile file(fifo);
        // The writer's open waits for the reader: retry while it is not there yet.
        for (int tries = 0;; ++tries) {
            try {
                file.Open(2 | 32);
                break;
            } catch (PUNIXSystemException const& e) {
                ASSERT_EQ(e.GetSystemErrorCode(), ENXIO);
                ASSERT_LT(tries, 5000);
                usleep(1000);
            }
        }
        EXPECT_EQ(file.Write(Buffer(data)), static_cast<int>(data.size()));
        EXPECT_EQ(file.GetCachedPos(), static_cast<std::int64_t>(data.size()));
    }
    char answer = 'n';
    EXPECT_EQ(read(done[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    close(done[0]);
    waitpid(reader, nullptr, 0);
}

TEST_F(PUNIXFileImpTest, AWriterRefusedTheLockLeavesTheFileAsItWas) {
    const std::string path = mTemp / "held";
    for (short held : {F_WRLCK, F_RDLCK}) {
        WriteFile(path, "precious contents");
        LockingChild child(path, held);
        ASSERT_TRUE(child.Locked());
        TestFile file(path);
        try {
            file.Open(14);
            FAIL() << "opened for writing under another process's lock";
        } catch (PUNIXSystemException const& e) {
            EXPECT_TRUE(e.GetSystemErrorCode() == EAGAIN || e.GetSystemErrorCode() == EACCES) << e.GetSystemErrorCode();
        }
        EXPECT_NE(file.GetFileDescriptor(), -1);
        EXPECT_EQ(ReadFile(path), "precious contents");
        {
            // A reader meets only a writer's lock.
            TestFile reader(path);
            if (held == F_WRLCK)
                EXPECT_THROW(reader.Open(1), PUNIXSystemException);
            else
                EXPECT_NO_THROW(reader.Open(1));
        }
        // Without the lock bits nothing is asked: reading and writing stay possible.
        TestFile sharing(path);
        EXPECT_NO_THROW(sharing.Open(2 | 32 | 1 | 16));
        child.End();
        file.Open(14);
        EXPECT_EQ(ReadFile(path), "");
    }
}

TEST_F(PUNIXFileImpTest, TheLockSurvivesAnotherDescriptorOfTheFileClosing) {
    const std::string path = mTemp / "kept";
    WriteFile(path, "abc");
    TestFile file(path);
    file.Open(3);
    // Another descriptor of the same file opened and closed in this process, as probes do.
    const int other = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    close(other);
    EXPECT_FALSE(OtherProcessCanLock(path));
    file.Close();
    EXPECT_TRUE(OtherProcessCanLock(path));
}

TEST_F(PUNIXFileImpTest, OpeningAgainReplacesTheDescriptorAndKeepsTheLock) {
    const std::string path = mTemp / "again";
    WriteFile(path, "abc");
    TestFile file(path);
    file.Open(3);
    const int first = file.GetFileDescriptor();
    file.Open(3);
    EXPECT_NE(file.GetFileDescriptor(), -1);
    EXPECT_EQ(fcntl(first, F_GETFD), -1);
    EXPECT_FALSE(OtherProcessCanLock(path));
    file.Reopen(14);
    EXPECT_FALSE(OtherProcessCanLock(path));
    EXPECT_EQ(ReadFile(path), "");
    file.Reopen(1);
    EXPECT_EQ(LockSeenFromAnotherDescriptor(path), F_RDLCK);
}

TEST_F(PUNIXFileImpTest, TwoHandlesOfThisProcessExcludeEachOtherAsProcessesWould) {
    const std::string path = mTemp / "two";
    WriteFile(path, "abc");
    TestFile reader(path);
    reader.Open(1);
    TestFile secondReader(path);
    EXPECT_NO_THROW(secondReader.Open(1));
    TestFile writer(path);
    EXPECT_THROW(writer.Open(14), PUNIXSystemException);
    EXPECT_EQ(ReadFile(path), "abc");
    reader.Close();
    secondReader.Close();
    EXPECT_NO_THROW(writer.Open(14));
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(PUNIXFileImpTest, RegionLocksExcludeOtherProcessesOnlyWhereTheyLie) {
    const std::string path = mTemp / "region";
    WriteFile(path, std::string(100, 'r'));
    TestFile file(path);
    file.Open(2 | 32);
    EXPECT_TRUE(OtherProcessCanLock(path));
    file.SetRegionLocked(0, 10, true, true);
    EXPECT_FALSE(OtherProcessCanLock(path, 5, 10));
    EXPECT_TRUE(OtherProcessCanLock(path, 20, 10));
    file.SetRegionLocked(0, 10, false, true);
    EXPECT_TRUE(OtherProcessCanLock(path, 5, 10));

    LockingChild child(path, F_WRLCK, 50, 10);
    ASSERT_TRUE(child.Locked());
    EXPECT_THROW(file.SetRegionLocked(55, 1, true, true), PUNIXSystemException);
    EXPECT_NO_THROW(file.SetRegionLocked(0, 50, true, true));
}

TEST_F(PUNIXFileImpTest, LengthOfClosedAndOpenHandles) {
    TestFile missing(mTemp / "missing");
    EXPECT_EQ(missing.GetLength(), -1);

    WriteFile(mTemp / "ten", "0123456789");
    TestFile ten(mTemp / "ten");
    EXPECT_EQ(ten.GetLength(), 10);
    ten.Open(1);
    GBuffer buffer;
    ten.Read(buffer, 3);
    EXPECT_EQ(ten.GetLength(), 10);
    EXPECT_EQ(ten.GetFilePosition(), 3);
    EXPECT_EQ(ten.GetCachedPos(), -1);

    WriteFile(mTemp / "empty", "");
    EXPECT_EQ(TestFile(mTemp / "empty").GetLength(), 0);

    // Not "missing": a path through a file is an error of its own.
    TestFile through(mTemp / "ten/inside");
    try {
        through.GetLength();
        FAIL() << "a length for a path through a file";
    } catch (PUNIXSystemException const& e) {
        EXPECT_EQ(e.GetSystemErrorCode(), ENOTDIR);
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/bytes/GBuffer.h"
#include "core/memory/GAutoPtr.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/system/PUNIXSystemException.h"
#include "services/files/GFileInStream.h"
#include "services/files/GFileOutStream.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"
#include "support/UnprivilegedChild.h"

namespace {

GPathName P(std::string const& utf8) {
    return GPathName(GString(utf8.c_str(), GUTF8Encoding::GetInstance()));
}

GBuffer B(std::string const& bytes) {
    return GBuffer(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
}

class FileOutStream : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        mPath = mTemp / "file";
    }

    ScopedTempFolder mTemp;
    std::string mPath;
};

TEST_F(FileOutStream, OverwritingKeepsTheTailUnlessTruncating) {
    struct Case {
        bool truncate;
        std::string expected;
    };
    for (Case const& c : {Case{false, "xyzDEFGHIJ"}, Case{true, "xyz"}}) {
        WriteFile(mPath, "ABCDEFGHIJ");
        {
            GFileOutStream stream(P(mPath), c.truncate);
            EXPECT_EQ(stream.Write(B("xy")), 2);
            EXPECT_EQ(stream.Write(B("z")), 1);
            EXPECT_EQ(stream.Write(GBuffer()), 0);
            stream.Flush();
            // Every write is in the file at once.
            EXPECT_EQ(ReadFile(mPath).substr(0, 3), "xyz");
        }
        EXPECT_EQ(ReadFile(mPath), c.expected) << "truncate " << c.truncate;
    }
}

TEST_F(FileOutStream, CreatesTheFileAndMissingFoldersWithTheUsersUmask) {
    ScopedUmask mask(022);
    const std::string path = mTemp / "a/b/c/new.txt";
    {
        GFileOutStream stream(P(path), false);
        EXPECT_EQ(stream.Write(B("hello")), 5);
    }
    EXPECT_EQ(ReadFile(path), "hello");
    EXPECT_EQ(ModeOf(path), 0644);
    EXPECT_EQ(ModeOf(mTemp / "a"), 0755);
    EXPECT_EQ(ModeOf(mTemp / "a/b/c"), 0755);
    {
        ScopedUmask tighter(077);
        GFileOutStream stream(P(mTemp / "private"), true);
    }
    EXPECT_EQ(ModeOf(mTemp / "private"), 0600);
    EXPECT_EQ(ReadFile(mTemp / "private"), "");
}

TEST_F(FileOutStream, WhatCannotBeOpenedThrowsAndCreatesNothing) {
    WriteFile(mTemp / "plain", "x");
    struct Case {
        std::string path;
        int error;
    };
    for (Case const& c : {Case{mTemp / "plain/below", ENOTDIR}, Case{mTemp.Path(), EISDIR}}) {
        try {
            GFileOutStream stream(P(c.path), false);
            FAIL() << "opened " << c.path;
        } catch (PUNIXSystemException const& error) {
            EXPECT_EQ(error.GetSystemErrorCode(), c.error) << c.path;
        }
    }
    EXPECT_EQ(ReadFile(mTemp / "plain"), "x");
}

TEST_F(FileOutStream, AFolderWithoutWriteAccessRefusesTheFile) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    ASSERT_EQ(chmod(mTemp.Path().c_str(), 0755), 0);
    const std::string folder = mTemp.Path();
    const int status = UnprivilegedChild::Run([&]() {
        for (std::string const& path : {folder + "/new", folder + "/missing/new"}) {
            try {
                GFileOutStream stream(P(path), true);
                return 1;
            } catch (PUNIXSystemException const& error) {
                if (error.GetSystemErrorCode() != EACCES)
                    return 2;
            }
        }
        return 0;
    });
    if (status == 255)
        GTEST_SKIP() << "could not drop to an unprivileged user";
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(Exists(mTemp / "new"));
    EXPECT_FALSE(Exists(mTemp / "missing"));
}

TEST_F(FileOutStream, WriteErrorsSurfaceAsExceptions) {
    // A device that is always full.
    if (!Exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    GFileOutStream full(P("/dev/full"), false);
    try {
        full.Write(B("data"));
        FAIL() << "a write to a full device passed";
    } catch (PUNIXSystemException const& error) {
        EXPECT_EQ(error.GetSystemErrorCode(), ENOSPC);
    }
}

TEST_F(FileOutStream, WritingThroughAReadOnlyHandleThrows) {
    WriteFile(mPath, "abc");
    GFileOutStream::File file(P(mPath), false);
    file.SetOpenMode(PUNIXFileImp::kRead);
    file.Open(PUNIXFileImp::kRead);
    file.SetIsOpen(true);
    GFileOutStream stream(&file);
    EXPECT_THROW(stream.Write(B("x")), PUNIXSystemException);
    EXPECT_EQ(ReadFile(mPath), "abc");
}

TEST_F(FileOutStream, SkipLeavesAGapAndMovesBackNoFurtherThanTheStart) {
    {
        GFileOutStream stream(P(mPath), true);
        stream.Write(B("ab"));
        EXPECT_EQ(stream.Skip(3), 3);
        stream.Write(B("c"));
        EXPECT_EQ(stream.GetLength(), 6);
        EXPECT_EQ(stream.Skip(-2), -2);
        stream.Write(B("D"));
        EXPECT_EQ(stream.Skip(-100), -5);
        stream.Write(B("E"));
        EXPECT_EQ(stream.Skip(0), 0);
    }
    EXPECT_EQ(ReadFile(mPath), std::string("Eb\0\0D", 5) + "c");
}

TEST_F(FileOutStream, ResetWritesFromTheStartAgain) {
    {
        GFileOutStream stream(P(mPath), true);
        stream.Write(B("abcdef"));
        stream.Reset();
        stream.Write(B("XY"));
    }
    EXPECT_EQ(ReadFile(mPath), "XYcdef");
}

TEST_F(FileOutStream, LengthAndPositionsStayRightAroundCachedValues) {
    WriteFile(mPath, "0123456789");
    GFileOutStream stream(P(mPath), false);
    stream.Write(B("ab"));
    EXPECT_EQ(stream.GetFile()->GetCachedPos(), 2);
    // A skip not yet applied survives the measuring of the length.
    stream.Skip(10);
    EXPECT_EQ(stream.GetLength(), 10);
    stream.Write(B("Z"));
    EXPECT_EQ(ReadFile(mPath), std::string("ab23456789\0\0Z", 13));
    // The cached length grows with the writes.
    EXPECT_EQ(stream.GetLength(), 13);
    EXPECT_EQ(stream.GetFile()->GetPos(), 13);
    stream.GetFile()->SetCachedLength(-1);
    stream.Skip(-1);
    EXPECT_EQ(stream.GetLength(), 13);
    stream.Write(B("!"));
    EXPECT_EQ(ReadFile(mPath), std::string("ab23456789\0\0!", 13));
    stream.Write(B("?"));
    EXPECT_EQ(stream.GetLength(), 14);
}

TEST_F(FileOutStream, ABorrowedHandleStartsAtZeroAndOutlivesTheStream) {
    GFileOutStream::File file(P(mPath), false);
    file.SetOpenMode(PUNIXFileImp::kWrite | PUNIXFileImp::kCreate);
    file.Open(file.GetOpenMode());
    file.SetIsOpen(true);
    {
        GFileOutStream first(&file);
        first.Write(B("hello"));
    }
    EXPECT_EQ(file.GetCachedPos(), 5);
    {
        GFileOutStream second(&file);
        EXPECT_EQ(file.GetCachedPos(), 0);
        second.Write(B("J"));
    }
    EXPECT_EQ(ReadFile(mPath), "Jello");
    EXPECT_TRUE(file.GetIsOpen());
}

TEST_F(FileOutStream, AHandleHandedOverWithOwnershipGoesWithTheStream) {
    auto* file = new GFileOutStream::File(P(mPath), true);
    file->SetOpenMode(PUNIXFileImp::kWrite | PUNIXFileImp::kCreate);
    file->Open(file->GetOpenMode());
    file->SetIsOpen(true);
    {
        GFileOutStream stream{GAutoPtr<GFileOutStream::File, GDeletePtr>(file)};
        stream.Write(B("temporary"));
        EXPECT_EQ(ReadFile(mPath), "temporary");
    }
    // The stream deleted the handle, which removed its file.
    EXPECT_FALSE(Exists(mPath));
}

TEST_F(FileOutStream, AReopenedHandleWritesWhereItStood) {
    WriteFile(mPath, "0123456789");
    GFileOutStream stream(P(mPath), false);
    stream.Write(B("ab"));
    stream.GetFile()->SetReopenWritable(true);
    stream.Write(B("cd"));
    EXPECT_FALSE(stream.GetFile()->GetReopenWritable());
    EXPECT_EQ(ReadFile(mPath), "abcd456789");
}

TEST_F(FileOutStream, AReopenThatTruncatesForgetsTheCachedLength) {
    GFileOutStream stream(P(mPath), true);
    stream.Write(B("abcdef"));
    EXPECT_EQ(stream.GetLength(), 6);
    stream.Reset();
    stream.GetFile()->SetReopenWritable(true);
    stream.Write(B("xy"));
    EXPECT_EQ(ReadFile(mPath), "xy");
    EXPECT_EQ(stream.GetLength(), 2);
}

TEST_F(FileOutStream, AWriterExcludesOtherOpenersOfTheFile) {
    GFileOutStream writer(P(mPath), true);
    writer.Write(B("busy"));
    EXPECT_THROW(GFileOutStream(P(mPath), true), PUNIXSystemException);
    EXPECT_THROW(GFileInStream(P(mPath)), PUNIXSystemException);
    // The refused truncating writer emptied nothing.
    EXPECT_EQ(ReadFile(mPath), "busy");
}

}  // namespace

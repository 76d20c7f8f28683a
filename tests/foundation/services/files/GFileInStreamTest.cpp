#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/system/PUNIXSystemException.h"
#include "services/files/GFileInStream.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"

namespace {

GPathName P(std::string const& utf8) {
    return GPathName(GString(utf8.c_str(), GUTF8Encoding::GetInstance()));
}

std::string S(GBuffer const& buffer) {
    return std::string(reinterpret_cast<char const*>(buffer.GetPtr()), static_cast<std::size_t>(buffer.GetLength()));
}

// What Read hands out, or "<end>" for -1 (checking that the buffer is empty then).
std::string ReadText(GInStream& stream, int count) {
    GBuffer buffer("stale");
    const int n = stream.Read(buffer, count);
    if (n == -1) {
        EXPECT_EQ(buffer.GetLength(), 0);
        return "<end>";
    }
    EXPECT_EQ(n, buffer.GetLength());
    return S(buffer);
}

class FileInStream : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        mPath = mTemp / "file";
        WriteFile(mPath, "0123456789");
    }

    ScopedTempFolder mTemp;
    std::string mPath;
};

TEST_F(FileInStream, ReadsInChunksAndReportsTheEnd) {
    GFileInStream stream(P(mPath));
    EXPECT_EQ(ReadText(stream, 4), "0123");
    EXPECT_EQ(stream.GetPos(), 4);
    EXPECT_EQ(ReadText(stream, 100), "456789");
    EXPECT_EQ(ReadText(stream, 1), "<end>");
    EXPECT_EQ(ReadText(stream, 1), "<end>");
    EXPECT_EQ(stream.GetPos(), 10);
    // Counts below 1 deliver nothing and leave the position.
    stream.Reset();
    EXPECT_EQ(ReadText(stream, 0), "<end>");
    EXPECT_EQ(ReadText(stream, -5), "<end>");
    EXPECT_EQ(ReadText(stream, 2), "01");
}

TEST_F(FileInStream, AnEmptyFileEndsAtOnce) {
    WriteFile(mPath, "");
    GFileInStream stream(P(mPath));
    EXPECT_EQ(stream.GetLength(), 0);
    EXPECT_EQ(ReadText(stream, 10), "<end>");
    EXPECT_EQ(stream.Skip(5), 0);
}

TEST_F(FileInStream, ClonesReadAlternatelyEachFromItsOwnPosition) {
    GFileInStream stream(P(mPath));
    EXPECT_EQ(ReadText(stream, 3), "012");
    std::unique_ptr<GInStream> clone(stream.CreateClone());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(stream.GetFile().GetRefCount(), 2);
    EXPECT_EQ(ReadText(stream, 2), "34");
    EXPECT_EQ(ReadText(*clone, 4), "3456");
    EXPECT_EQ(ReadText(stream, 3), "567");
    EXPECT_EQ(ReadText(*clone, 10), "789");
    EXPECT_EQ(ReadText(*clone, 1), "<end>");
    EXPECT_EQ(ReadText(stream, 10), "89");
    clone->Reset();
    EXPECT_EQ(ReadText(*clone, 2), "01");
    EXPECT_EQ(ReadText(stream, 1), "<end>");
    // The clone keeps the shared handle alive after the original is gone.
    std::unique_ptr<GInStream> second(clone->CreateClone());
    clone.reset();
    EXPECT_EQ(ReadText(*second, 3), "234");
}

TEST_F(FileInStream, ClonesOnSeveralThreadsEachReadTheWholeFile) {
    std::string contents;
    for (int i = 0; i < 20000; ++i)
        contents += static_cast<char>('a' + i % 26);
    WriteFile(mPath, contents);
    auto original = std::make_unique<GFileInStream>(P(mPath));
    std::vector<std::unique_ptr<GInStream>> clones;
    for (int i = 0; i < 4; ++i)
        clones.emplace_back(original->CreateClone());
    std::vector<std::string> results(clones.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < clones.size(); ++i) {
        threads.emplace_back([&, i] {
            std::unique_ptr<GInStream> stream = std::move(clones[i]);
            // Clones of clones are made and dropped on this thread while others read.
            for (int round = 0; round < 50; ++round)
                std::unique_ptr<GInStream>(stream->CreateClone());
            GBuffer buffer;
            int n;
            while ((n = stream->Read(buffer, 7 + static_cast<int>(i))) > 0)
                results[i] += S(buffer);
        });
    }
    original.reset();
    for (std::thread& thread : threads)
        thread.join();
    for (std::string const& result : results)
        EXPECT_TRUE(result == contents) << result.size() << " bytes";
}

TEST_F(FileInStream, SkipStopsAtTheEnd) {
    GFileInStream stream(P(mPath));
    EXPECT_EQ(stream.Skip(3), 3);
    EXPECT_EQ(ReadText(stream, 2), "34");
    EXPECT_EQ(stream.Skip(0), 0);
    EXPECT_EQ(stream.Skip(-4), 0);
    EXPECT_EQ(stream.GetPos(), 5);
    EXPECT_EQ(stream.Skip(100), 5);
    EXPECT_EQ(stream.GetPos(), 10);
    EXPECT_EQ(ReadText(stream, 1), "<end>");
    // A position set beyond the end: nothing to skip, nothing to read, and no step back.
    stream.SetPos(25);
    EXPECT_EQ(stream.Skip(3), 0);
    EXPECT_EQ(stream.GetPos(), 25);
    EXPECT_EQ(ReadText(stream, 1), "<end>");
    stream.SetPos(8);
    EXPECT_EQ(ReadText(stream, 5), "89");
}

TEST_F(FileInStream, LengthIsAskedOnceAndLeavesThePositions) {
    GFileInStream stream(P(mPath));
    std::unique_ptr<GInStream> clone(stream.CreateClone());
    EXPECT_EQ(ReadText(stream, 4), "0123");
    EXPECT_EQ(stream.GetLength(), 10);
    EXPECT_EQ(stream.GetFile()->GetCachedLength(), 10);
    // Measuring moved the descriptor; both streams still read on from where they stood.
    EXPECT_EQ(ReadText(stream, 2), "45");
    EXPECT_EQ(ReadText(*clone, 2), "01");
    // The length stays cached: growth after the first question is not seen.
    const int fd = open(mPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "ab", 2), 2);
    close(fd);
    EXPECT_EQ(stream.GetLength(), 10);
    EXPECT_EQ(ReadText(stream, 100), "6789ab");
}

TEST_F(FileInStream, SharesAGivenHandle) {
    GSmartPtr<GFileInStream::File> file(new GFileInStream::File(P(mPath), false));
    file->SetOpenMode(PUNIXFileImp::kRead);
    file->Open(PUNIXFileImp::kRead);
    file->SetIsOpen(true);
    {
        GFileInStream first(file);
        GFileInStream second(file);
        EXPECT_EQ(file.GetRefCount(), 3);
        EXPECT_EQ(ReadText(first, 5), "01234");
        EXPECT_EQ(ReadText(second, 2), "01");
        EXPECT_EQ(first.GetFile().Get(), file.Get());
    }
    EXPECT_EQ(file.GetRefCount(), 1);
}

TEST_F(FileInStream, AMissingFileThrowsTheSystemError) {
    try {
        GFileInStream stream(P(mTemp / "missing"));
        FAIL() << "opened a missing file";
    } catch (PUNIXSystemException const& error) {
        EXPECT_EQ(error.GetSystemErrorCode(), ENOENT);
        EXPECT_EQ(error.GetExceptionID(), PUNIXSystemException::kID);
    }
    // A folder opens but cannot be read.
    GFileInStream folder(P(mTemp.Path()));
    GBuffer buffer;
    try {
        folder.Read(buffer, 10);
        FAIL() << "read a folder";
    } catch (PUNIXSystemException const& error) {
        EXPECT_EQ(error.GetSystemErrorCode(), EISDIR);
    }
}

}  // namespace

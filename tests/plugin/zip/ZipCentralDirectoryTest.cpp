#include "plugin/zip/ZipCentralDirectory.h"

#include "support/ScopedTempFolder.h"
#include "support/ZipTestArchives.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray B(const std::string& s) {
    return QByteArray(s.data(), int(s.size()));
}

TEST(ZipCentralDirectoryTest, StandardExtraFields) {
    struct Case {
        std::string extra;
        bool standard;
    };
    const Case cases[] = {
        {"", true},
        {std::string("\x55\x54\x01\x00X", 5), true},
        {std::string("\x55\x54\x00\x00\x01\x00\x02\x00YZ", 10), true},
        {std::string("\x55\x54\x00\x00\x00\x00", 6), true},   // padding of fewer than 4 zero bytes
        {std::string("\x55\x54\x00\x00\x00\x01", 6), false},  // padding that is not zero
        {std::string("\x55\x54\x05\x00XY", 6), false},        // a field longer than what is left
        {ziptest::NameRecord("name.txt"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZipCentralDirectory::IsStandardExtraField(B(c.extra)), c.standard) << c.extra;
}

TEST(ZipCentralDirectoryTest, NameRecords) {
    struct Case {
        const char* label;
        std::string extra;
        bool found;
        std::string name;
    };
    const std::string other = std::string("\xD3\xD8\x00\x00\x00\x02zz", 8);
    const Case cases[] = {
        {"none", "", false, ""},
        {"one", ziptest::NameRecord("a/b.txt"), true, "a/b.txt"},
        {"empty name", ziptest::NameRecord(""), true, ""},
        {"after another tag", other + ziptest::NameRecord("x"), true, "x"},
        {"without the mark", ziptest::NameRecord("x", false), false, ""},
        {"without the mark, then one with it", ziptest::NameRecord("x", false) + ziptest::NameRecord("y"), true, "y"},
        {"length past the end", ziptest::NameRecord("long").substr(0, 10), false, ""},
        {"header cut short", std::string("\xD3\xD7\x00\x00", 4), false, ""},
        {"huge length", std::string("\xD3\xD7\xFF\xFF\xFF\xFF\xEF\xBB\xBF", 9), false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        QByteArray name;
        EXPECT_EQ(ZipCentralDirectory::FindNameRecord(B(c.extra), name), c.found);
        if (c.found) {
            EXPECT_EQ(name.toStdString(), c.name);
        }
    }
}

// Writes the archive's bytes to a file and reads its directory from there.
bool ReadDirectory(const std::string& bytes, ZipCentralDirectory& directory) {
    ScopedTempFolder folder;
    ziptest::WriteFile(folder / "a.zip", bytes);
    const int fd = open((folder / "a.zip").c_str(), O_RDONLY);
    const bool read = fd >= 0 && directory.Read(fd, bytes.size());
    if (fd >= 0)
        close(fd);
    return read;
}

TEST(ZipCentralDirectoryTest, ReadsEntriesAndPatchesOnlyNonStandardFields) {
    ziptest::RawEntry plain;
    plain.name = "plain.txt";
    plain.data = "p";
    ziptest::RawEntry named;
    named.name = "stored.txt";
    named.data = "n";
    named.extra = ziptest::NameRecord("real.txt");
    const std::string bytes = ziptest::RawArchive({plain, named});
    ZipCentralDirectory directory;
    ASSERT_TRUE(ReadDirectory(bytes, directory));
    ASSERT_EQ(directory.Entries().size(), 2u);
    EXPECT_EQ(directory.Entries()[0].name, QByteArray("plain.txt"));
    EXPECT_EQ(directory.Entries()[1].extra, B(named.extra));
    EXPECT_EQ(bytes.substr(directory.Entries()[1].extraOffset, named.extra.size()), named.extra);
    const auto patches = directory.Patches();
    ASSERT_EQ(patches.size(), 1u);
    EXPECT_EQ(patches[0].offset, directory.Entries()[1].extraOffset);
    EXPECT_TRUE(ZipCentralDirectory::IsStandardExtraField(patches[0].bytes));
    EXPECT_EQ(patches[0].bytes.mid(4), B(named.extra).mid(4));
}

TEST(ZipCentralDirectoryTest, ClearsTheUtf8FlagOnlyWhereTheNameIsNotUtf8) {
    ziptest::RawEntry utf8;
    utf8.name = "caf\xC3\xA9.txt";
    utf8.flags = 0x0800;
    ziptest::RawEntry macRoman;
    macRoman.name = "caf\x8E.txt";
    macRoman.flags = 0x0802;
    ziptest::RawEntry unflagged;
    unflagged.name = "caf\x8E.txt";
    const std::string bytes = ziptest::RawArchive({utf8, macRoman, unflagged});
    ZipCentralDirectory directory;
    ASSERT_TRUE(ReadDirectory(bytes, directory));
    ASSERT_EQ(directory.Entries().size(), 3u);
    const auto patches = directory.Patches();
    ASSERT_EQ(patches.size(), 1u);
    EXPECT_EQ(patches[0].offset, directory.Entries()[1].flagsOffset);
    EXPECT_EQ(bytes.substr(patches[0].offset, 2), std::string("\x02\x08", 2));
    EXPECT_EQ(patches[0].bytes, QByteArray("\x02\x00", 2));
}

TEST(ZipCentralDirectoryTest, RefusesWhatIsNotAnArchive) {
    ScopedTempFolder folder;
    const std::string cases[] = {"", "short", std::string(100, '\0'),
                                 // an end record that claims a directory past the end of the file
                                 std::string("PK\x05\x06\0\0\0\0\x01\0\x01\0\x2E\0\0\0\xFF\0\0\0\0\0", 22)};
    for (const std::string& bytes : cases) {
        ziptest::WriteFile(folder / "x.zip", bytes);
        int fd = open((folder / "x.zip").c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ZipCentralDirectory directory;
        EXPECT_FALSE(directory.Read(fd, bytes.size()));
        EXPECT_TRUE(directory.Entries().empty());
        close(fd);
    }
}

} // namespace

namespace {

TEST(ZipCentralDirectoryTest, LongArchiveCommentWithAFalseEndRecordInIt) {
    ScopedTempFolder folder;
    ziptest::RawEntry named;
    named.name = "stored.txt";
    named.data = "n";
    named.extra = ziptest::NameRecord("real.txt");
    std::string bytes = ziptest::RawArchive({named});
    // A comment of 3,000 bytes whose end holds something that looks like an end record.
    std::string comment(3000, 'c');
    comment.replace(comment.size() - 30, 4, "PK\x05\x06");
    bytes[bytes.size() - 2] = char(comment.size() & 0xFF);
    bytes[bytes.size() - 1] = char(comment.size() >> 8);
    bytes += comment;
    ziptest::WriteFile(folder / "c.zip", bytes);
    int fd = open((folder / "c.zip").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ZipCentralDirectory directory;
    EXPECT_TRUE(directory.Read(fd, bytes.size()));
    close(fd);
    ASSERT_EQ(directory.Entries().size(), 1u);
    EXPECT_EQ(directory.Entries()[0].name, QByteArray("stored.txt"));
}

} // namespace

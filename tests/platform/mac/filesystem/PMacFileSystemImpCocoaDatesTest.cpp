// File dates are UTC moments both ways, whatever the machine's time zone.
#include <fcntl.h>

#include <ctime>

#include "PMacFileSystemImpCocoaTestSupport.h"
#include "support/ScopedEnvironment.h"

namespace {

class PMacFileSystemImpCocoaDatesTest : public PMacFileSystemImpCocoaTest {
protected:
    void SetUp() override {
        mEnvironment.Set("TZ", "America/New_York");
        tzset();
        WriteFile((*this)("file"), "x");
        Link((*this)("file"), (*this)("link"));
    }
    void TearDown() override { tzset(); }

    static std::time_t ModificationOf(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(stat(path.c_str(), &info), 0);
        return info.st_mtim.tv_sec;
    }

    ScopedEnvironment mEnvironment;
};

TEST_F(PMacFileSystemImpCocoaDatesTest, ModificationDatesRoundTripInUTC) {
    // A winter and a summer date, so both offsets of the zone are crossed.
    const struct {
        int day, month, year, hour, minute, second;
    } cases[] = {{15, 1, 2020, 12, 34, 56}, {1, 7, 2021, 3, 0, 1}, {31, 12, 1999, 23, 59, 59}};
    for (const auto& c : cases) {
        const GDateTime value(c.day, c.month, c.year, c.hour, c.minute, c.second, true);
        FS::SetFileSystemDateTime(FS::kModificationDate, G((*this)("file")), value);
        std::tm utc{};
        utc.tm_mday = c.day;
        utc.tm_mon = c.month - 1;
        utc.tm_year = c.year - 1900;
        utc.tm_hour = c.hour;
        utc.tm_min = c.minute;
        utc.tm_sec = c.second;
        EXPECT_EQ(ModificationOf((*this)("file")), timegm(&utc));

        GDateTime read;
        FS::GetFileSystemDateTime(FS::kModificationDate, G((*this)("file")), read);
        int day, month, year, hour, minute, second;
        read.GetDate(day, month, year, true);
        read.GetTime(hour, minute, second, true);
        EXPECT_EQ(day, c.day);
        EXPECT_EQ(month, c.month);
        EXPECT_EQ(year, c.year);
        EXPECT_EQ(hour, c.hour);
        EXPECT_EQ(minute, c.minute);
        EXPECT_EQ(second, c.second);
        EXPECT_TRUE(read == value);
    }
}

TEST_F(PMacFileSystemImpCocoaDatesTest, DatesAreThoseOfTheLinksTarget) {
    const GDateTime value(2, 2, 2002, 2, 2, 2, true);
    FS::SetFileSystemDateTime(FS::kModificationDate, G((*this)("link")), value);
    GDateTime read;
    FS::GetFileSystemDateTime(FS::kModificationDate, G((*this)("file")), read);
    EXPECT_TRUE(read == value);
    struct stat info {};
    ASSERT_EQ(lstat((*this)("link").c_str(), &info), 0);
    EXPECT_NE(info.st_mtim.tv_sec, ModificationOf((*this)("file")));
}

TEST_F(PMacFileSystemImpCocoaDatesTest, TheCreationDateReadsButCannotBeSet) {
    GDateTime before;
    FS::GetFileSystemDateTime(FS::kCreationDate, G((*this)("file")), before);
    EXPECT_LT(std::abs(before.GetSecondsBetween(GDateTime(true))), 600.0);
    FS::SetFileSystemDateTime(FS::kCreationDate, G((*this)("file")), GDateTime(1, 1, 2001, true));
    GDateTime after;
    FS::GetFileSystemDateTime(FS::kCreationDate, G((*this)("file")), after);
    EXPECT_TRUE(before == after);
}

TEST_F(PMacFileSystemImpCocoaDatesTest, MissingItemsFail) {
    GDateTime out;
    EXPECT_EQ(ThrownID([&] { FS::GetFileSystemDateTime(FS::kModificationDate, G((*this)("missing")), out); }), 40278);
    Link((*this)("nowhere"), (*this)("broken"));
    EXPECT_EQ(ThrownID([&] { FS::GetFileSystemDateTime(FS::kCreationDate, G((*this)("broken")), out); }), 40278);
    EXPECT_EQ(ThrownID([&] { FS::GetFileSystemDateTime(FS::kCreationDate, BadText(), out); }), 40004);
    for (auto type : {FS::kCreationDate, FS::kModificationDate}) {
        EXPECT_EQ(ThrownID([&] { FS::SetFileSystemDateTime(type, G((*this)("missing")), out); }), 40275);
        EXPECT_EQ(ThrownID([&] { FS::SetFileSystemDateTime(type, G((*this)("broken")), out); }), 40275);
        EXPECT_EQ(ThrownID([&] { FS::SetFileSystemDateTime(type, BadText(), out); }), 40004);
    }
}

}  // namespace

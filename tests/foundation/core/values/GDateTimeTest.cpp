#include "core/values/GDateTime.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "support/EncodingTestSetup.h"

namespace {

// Sets the process's time zone for one scope and puts the old one back.
class TimeZone {
public:
    explicit TimeZone(char const* zone) {
        if (char const* old = std::getenv("TZ"))
            mSaved = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (mSaved)
            setenv("TZ", mSaved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZone(TimeZone const&) = delete;
    TimeZone& operator=(TimeZone const&) = delete;

    // Without the zone's file the C library silently takes UTC, which would prove nothing.
    static bool Exists(std::string const& zone) {
        struct stat info;
        return zone == "UTC" || stat(("/usr/share/zoneinfo/" + zone).c_str(), &info) == 0;
    }

private:
    std::optional<std::string> mSaved;
};

#define REQUIRE_ZONE(zone)                                                       \
    if (!TimeZone::Exists(zone))                                                 \
    GTEST_SKIP() << "time zone " << (zone) << " missing: install tzdata"

struct Fields {
    int day, month, year, hour, minute, second;
};

bool operator==(Fields const& a, Fields const& b) {
    return a.day == b.day && a.month == b.month && a.year == b.year && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second;
}

std::ostream& operator<<(std::ostream& out, Fields const& f) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute,
                  f.second);
    return out << text;
}

Fields UTCOf(GDateTime const& value) {
    Fields f;
    value.GetDate(f.day, f.month, f.year, true);
    value.GetTime(f.hour, f.minute, f.second, true);
    return f;
}

Fields LocalOf(GDateTime const& value) {
    Fields f;
    value.GetDate(f.day, f.month, f.year, false);
    value.GetTime(f.hour, f.minute, f.second, false);
    return f;
}

struct Offset {
    int sign, hours, minutes;
};

bool operator==(Offset const& a, Offset const& b) {
    return a.sign == b.sign && a.hours == b.hours && a.minutes == b.minutes;
}

std::ostream& operator<<(std::ostream& out, Offset const& o) {
    return out << (o.sign < 0 ? '-' : '+') << o.hours << ':' << o.minutes;
}

Offset OffsetOf(GDateTime const& value) {
    Offset o;
    value.GetOffset(o.sign, o.hours, o.minutes);
    return o;
}

GDateTime UTC(int day, int month, int year, int hour = 0, int minute = 0, int second = 0) {
    return GDateTime(day, month, year, hour, minute, second, 1, 0, 0);
}

GBuffer Bytes(std::string const& text) {
    return GBuffer(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size()));
}

std::string PDFText(GDateTime const& value) {
    GBuffer out;
    value.GetAsPDFDateTime(out);
    return BytesOf(out);
}

std::string UTF8Of(GString const& text) { return BytesOf(text.GetBuffer(GUTF8Encoding::GetInstance())); }

// ---- Reading PDF dates ----

TEST(GDateTimeTest, ReadsPDFDates) {
    const std::string withZero("D:2024\0" "0105", 11);
    struct Case {
        std::string text;
        int result;
        Fields utc;
        Offset offset;  // for result 0: the value's own offset, unchanged
    } const cases[] = {
        {"D:20240105143000Z", 1, {5, 1, 2024, 14, 30, 0}, {1, 0, 0}},
        {"D:20240105143000+02'00'", 1, {5, 1, 2024, 12, 30, 0}, {1, 2, 0}},
        {"D:20240105143000-05'00'", 1, {5, 1, 2024, 19, 30, 0}, {-1, 5, 0}},
        {"D:20240105143000+05'30'", 1, {5, 1, 2024, 9, 0, 0}, {1, 5, 30}},
        {"D:20240105013000+13'45'", 1, {4, 1, 2024, 11, 45, 0}, {1, 13, 45}},
        {"D:20231231233000-01'00'", 1, {1, 1, 2024, 0, 30, 0}, {-1, 1, 0}},
        {"D:20240105143000+05", 1, {5, 1, 2024, 9, 30, 0}, {1, 5, 0}},
        {"D:20240105143000+05'", 1, {5, 1, 2024, 9, 30, 0}, {1, 5, 0}},
        {"D:20240105143000-", 1, {5, 1, 2024, 14, 30, 0}, {1, 0, 0}},
        // A sign inside the offset is no digit: the offset is missing, not 4294967291 hours.
        {"D:20240105143000+-5'00'", 1, {5, 1, 2024, 14, 30, 0}, {1, 0, 0}},
        {"D:20240105143000Z00'00'", 1, {5, 1, 2024, 14, 30, 0}, {1, 0, 0}},
        {"20240105143000Z", 1, {5, 1, 2024, 14, 30, 0}, {1, 0, 0}},
        // Missing parts keep their start values; without a zone the value's offset stays.
        {"D:2024", 1, {1, 1, 2024, 0, 0, 0}, {1, 3, 0}},
        {"D:2024010514", 1, {5, 1, 2024, 14, 0, 0}, {1, 3, 0}},
        {withZero, 1, {1, 1, 2024, 0, 0, 0}, {1, 3, 0}},
        // Five-digit years: "19" and the year minus 1900.
        {"D:191000105", 2, {5, 1, 2000, 0, 0, 0}, {1, 3, 0}},
        {"D:191240315120000Z", 2, {15, 3, 2024, 12, 0, 0}, {1, 0, 0}},
        {"D:19100", 2, {1, 1, 2000, 0, 0, 0}, {1, 3, 0}},
        // Real years 1910 to 1919 are four-digit years.
        {"D:19150101", 1, {1, 1, 1915, 0, 0, 0}, {1, 3, 0}},
        {"D:19100101120000Z", 1, {1, 1, 1910, 12, 0, 0}, {1, 0, 0}},
        {"D:1919", 1, {1, 1, 1919, 0, 0, 0}, {1, 3, 0}},
        // Three digits and a stop are no five-digit year.
        {"D:191\xF9" "0100100105", 1, {1, 1, 191, 0, 0, 0}, {1, 3, 0}},
        // Calendar edges and moments past 2038 (beyond a 32-bit time).
        {"D:20240229", 1, {29, 2, 2024, 0, 0, 0}, {1, 3, 0}},
        {"D:20000229", 1, {29, 2, 2000, 0, 0, 0}, {1, 3, 0}},
        {"D:20380119031408Z", 1, {19, 1, 2038, 3, 14, 8}, {1, 0, 0}},
        {"D:21060207062816Z", 1, {7, 2, 2106, 6, 28, 16}, {1, 0, 0}},
        {"D:00010101000000+01'00'", 1, {31, 12, 0, 23, 0, 0}, {1, 1, 0}},
        {"D:99991231235959-01'00'", 1, {1, 1, 10000, 0, 59, 59}, {-1, 1, 0}},
        // Refused: the value stays as it was.
        {"D:20241305", 0, {}, {}},
        {"D:20240005", 0, {}, {}},
        {"D:20240100", 0, {}, {}},
        {"D:20240132", 0, {}, {}},
        {"D:20230229", 0, {}, {}},
        {"D:21000229", 0, {}, {}},
        {"D:20240431", 0, {}, {}},
        {"D:20240105240000", 0, {}, {}},
        {"D:20240105236000", 0, {}, {}},
        // Second 60 too: a leap second is not carried into the next minute (or year).
        {"D:20161231235960Z", 0, {}, {}},
        {"D:20240105143060+05'30'", 0, {}, {}},
        {"D:20240105235961", 0, {}, {}},
        {"D:20240105143000+24'00'", 0, {}, {}},
        {"D:20240105143000-05'60'", 0, {}, {}},
        {"D:20-1", 0, {}, {}},
        {"D:2024Z", 1, {1, 1, 2024, 0, 0, 0}, {1, 0, 0}},
        {"D:202Z", 0, {}, {}},
        {"X:2024", 0, {}, {}},
        {"D:202", 0, {}, {}},
        {"D", 0, {}, {}},
        {"", 0, {}, {}},
        {"D:    ", 0, {}, {}},
        {"D:abcd", 0, {}, {}},
        {"Dx2024", 0, {}, {}},
    };
    const GDateTime before(7, 6, 1999, 8, 9, 10, 1, 3, 0);
    for (Case const& c : cases) {
        GDateTime value(before);
        EXPECT_EQ(value.SetFromPDFDateTime(Bytes(c.text)), c.result) << c.text;
        EXPECT_EQ(GDateTime::CheckPDFDateTime(Bytes(c.text)), c.result) << c.text;
        if (c.result == 0) {
            EXPECT_EQ(UTCOf(value), UTCOf(before)) << c.text;
            EXPECT_EQ(OffsetOf(value), OffsetOf(before)) << c.text;
            continue;
        }
        EXPECT_EQ(UTCOf(value), c.utc) << c.text;
        EXPECT_EQ(OffsetOf(value), c.offset) << c.text;
    }
}

TEST(GDateTimeTest, WritesPDFDatesThatReadBackToTheSameMoment) {
    struct Case {
        GDateTime value;
        std::string text;
    } const cases[] = {
        {GDateTime(5, 1, 2024, 14, 30, 0, 1, 0, 0), "D:20240105143000Z"},
        {GDateTime(5, 1, 2024, 14, 30, 0, -1, 0, 0), "D:20240105143000Z"},
        {GDateTime(5, 1, 2024, 14, 30, 0, 1, 2, 0), "D:20240105143000+02'00'"},
        {GDateTime(5, 1, 2024, 14, 30, 0, -1, 5, 0), "D:20240105143000-05'00'"},
        {GDateTime(5, 1, 2024, 14, 30, 0, 1, 5, 30), "D:20240105143000+05'30'"},
        {GDateTime(1, 1, 2024, 0, 15, 0, 1, 13, 45), "D:20240101001500+13'45'"},
        {GDateTime(1, 1, 2024, 0, 15, 0, -1, 9, 30), "D:20240101001500-09'30'"},
        // Minutes of the offset beyond an hour carry into its hours.
        {GDateTime(1, 1, 2024, 0, 0, 0, 1, 1, 90), "D:20240101000000+02'30'"},
        {GDateTime(1, 1, 2024, 0, 0, 0, 1, -2, 0), "D:20240101000000-02'00'"},
        {GDateTime(29, 2, 2024, 23, 59, 59, 1, 0, 0), "D:20240229235959Z"},
        {GDateTime(1, 1, 9999, 0, 0, 0, 1, 0, 0), "D:99990101000000Z"},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(PDFText(c.value), c.text);
        GDateTime reread;
        ASSERT_EQ(reread.SetFromPDFDateTime(Bytes(PDFText(c.value))), 1) << c.text;
        EXPECT_EQ(UTCOf(reread), UTCOf(c.value)) << c.text;
        EXPECT_EQ(OffsetOf(reread), OffsetOf(c.value)) << c.text;
    }
    // A five-digit year is written back in four digits.
    GDateTime old;
    ASSERT_EQ(old.SetFromPDFDateTime(Bytes("D:191240315120000Z")), 2);
    EXPECT_EQ(PDFText(old), "D:20240315120000Z");
}

// Years that four digits cannot hold have no PDF form: nothing is written rather than a text
// that reads back as another date.
TEST(GDateTimeTest, YearsBeyondFourDigits) {
    GBuffer out("stale");
    GDateTime(1, 1, 10000, 0, 0, 0, 1, 0, 0).GetAsPDFDateTime(out);
    EXPECT_EQ(out.GetLength(), 0);
    out = "stale";
    GDateTime(1, 1, -1, 0, 0, 0, 1, 0, 0).GetAsPDFDateTime(out);
    EXPECT_EQ(out.GetLength(), 0);
    // The local year decides: 10000 in UTC is still 9999 at -01:00.
    GDateTime late;
    ASSERT_EQ(late.SetFromPDFDateTime(Bytes("D:99991231235959-01'00'")), 1);
    EXPECT_EQ(PDFText(late), "D:99991231235959-01'00'");
    // When only the UTC year has four digits, the text is in UTC.
    GDateTime early(31, 12, -1, 22, 30, 0, -1, 3, 30);
    EXPECT_EQ(PDFText(early), "D:00000101020000Z");
}

// ---- Time zones ----

struct ZoneCase {
    char const* zone;
    Fields local;
    Fields utc;
    char const* pdf;
};

// Local times of the machine, converted with the zone's rule for that day; the value keeps the
// offset in force at that moment, so its local time reads back as given.
TEST(GDateTimeTest, LocalTimesOfTheMachineInSeveralZones) {
    const ZoneCase cases[] = {
        {"UTC", {1, 7, 2024, 12, 0, 0}, {1, 7, 2024, 12, 0, 0}, "D:20240701120000Z"},
        {"Europe/Berlin", {15, 1, 2024, 10, 0, 0}, {15, 1, 2024, 9, 0, 0}, "D:20240115100000+01'00'"},
        {"Europe/Berlin", {15, 7, 2024, 10, 0, 0}, {15, 7, 2024, 8, 0, 0}, "D:20240715100000+02'00'"},
        {"Europe/Berlin", {31, 3, 2024, 1, 30, 0}, {31, 3, 2024, 0, 30, 0}, "D:20240331013000+01'00'"},
        {"Europe/Berlin", {31, 3, 2024, 3, 30, 0}, {31, 3, 2024, 1, 30, 0}, "D:20240331033000+02'00'"},
        {"Europe/Berlin", {27, 10, 2024, 3, 30, 0}, {27, 10, 2024, 2, 30, 0}, "D:20241027033000+01'00'"},
        {"America/New_York", {15, 1, 2024, 10, 0, 0}, {15, 1, 2024, 15, 0, 0}, "D:20240115100000-05'00'"},
        {"America/New_York", {15, 7, 2024, 22, 0, 0}, {16, 7, 2024, 2, 0, 0}, "D:20240715220000-04'00'"},
        {"Asia/Kolkata", {15, 1, 2024, 10, 0, 0}, {15, 1, 2024, 4, 30, 0}, "D:20240115100000+05'30'"},
        {"Pacific/Chatham", {15, 1, 2024, 10, 0, 0}, {14, 1, 2024, 20, 15, 0}, "D:20240115100000+13'45'"},
        {"Pacific/Chatham", {15, 7, 2024, 10, 0, 0}, {14, 7, 2024, 21, 15, 0}, "D:20240715100000+12'45'"},
        {"Pacific/Marquesas", {15, 1, 2024, 10, 0, 0}, {15, 1, 2024, 19, 30, 0}, "D:20240115100000-09'30'"},
    };
    for (ZoneCase const& c : cases) {
        REQUIRE_ZONE(c.zone);
        GDateTime value;
        std::string text;
        {
            TimeZone zone(c.zone);
            value = GDateTime(c.local.day, c.local.month, c.local.year, c.local.hour, c.local.minute, c.local.second,
                              false);
            text = PDFText(value);
        }
        EXPECT_EQ(UTCOf(value), c.utc) << c.zone << " " << c.local;
        EXPECT_EQ(LocalOf(value), c.local) << c.zone;
        EXPECT_EQ(text, c.pdf) << c.zone;
        // Read in other zones, the text gives the same moment and offset.
        for (char const* reader : {"UTC", "Europe/Berlin", "Pacific/Chatham", "America/New_York"}) {
            if (!TimeZone::Exists(reader))
                continue;
            TimeZone zone(reader);
            GDateTime reread;
            ASSERT_EQ(reread.SetFromPDFDateTime(Bytes(text)), 1) << text << " in " << reader;
            EXPECT_EQ(UTCOf(reread), c.utc) << text << " in " << reader;
            EXPECT_EQ(OffsetOf(reread), OffsetOf(value)) << text << " in " << reader;
            EXPECT_EQ(PDFText(reread), text) << reader;
        }
    }
}

// UTC fields used to pass through mktime as local time: near a daylight-saving change they moved
// by an hour, and differences were an hour off.
TEST(GDateTimeTest, UTCFieldsNeverDependOnTheMachineZone) {
    for (char const* name : {"Europe/Berlin", "America/New_York", "Pacific/Chatham", "Asia/Kolkata"}) {
        REQUIRE_ZONE(name);
        TimeZone zone(name);
        // 02:30 on the day clocks go forward does not exist as a local time in Berlin or New York.
        for (Fields f : {Fields{31, 3, 2024, 2, 30, 0}, Fields{10, 3, 2024, 2, 30, 0}, Fields{7, 4, 2024, 2, 30, 0},
                         Fields{29, 9, 2024, 2, 30, 0}}) {
            GDateTime value(f.day, f.month, f.year, f.hour, f.minute, f.second, true);
            value.Normalize();
            EXPECT_EQ(UTCOf(value), f) << name;
            GDateTime copy;
            copy.Set(value);
            EXPECT_EQ(UTCOf(copy), f) << name;
            GDateTime dayLater(value);
            dayLater.AddDays(1);
            EXPECT_EQ(dayLater.GetSecondsBetween(value), 86400) << name << " " << f;
            EXPECT_EQ(UTCOf(dayLater).hour, 2) << name;
        }
        EXPECT_EQ(UTC(31, 3, 2024, 12).GetSecondsBetween(UTC(30, 3, 2024, 12)), 86400) << name;
        EXPECT_EQ(UTC(3, 11, 2024, 12).GetSecondsBetween(UTC(2, 11, 2024, 12)), 86400) << name;
        EXPECT_TRUE(GDateTime::AreEqual(UTC(31, 3, 2024, 2, 30), UTC(31, 3, 2024, 2, 30, 1), 2)) << name;
        EXPECT_FALSE(GDateTime::AreEqual(UTC(31, 3, 2024, 2, 30), UTC(31, 3, 2024, 3, 30), 3599)) << name;
    }
}

// Two local noons around a change are 23 or 25 hours apart in real time.
TEST(GDateTimeTest, DifferencesBetweenLocalTimesAcrossAChange) {
    struct Case {
        char const* zone;
        Fields first;
        Fields second;
        double seconds;
    } const cases[] = {
        {"Europe/Berlin", {30, 3, 2024, 12, 0, 0}, {31, 3, 2024, 12, 0, 0}, 82800},
        {"Europe/Berlin", {26, 10, 2024, 12, 0, 0}, {27, 10, 2024, 12, 0, 0}, 90000},
        {"America/New_York", {2, 11, 2024, 12, 0, 0}, {3, 11, 2024, 12, 0, 0}, 90000},
        {"Pacific/Chatham", {6, 4, 2024, 12, 0, 0}, {7, 4, 2024, 12, 0, 0}, 90000},
        {"Asia/Kolkata", {30, 3, 2024, 12, 0, 0}, {31, 3, 2024, 12, 0, 0}, 86400},
    };
    for (Case const& c : cases) {
        REQUIRE_ZONE(c.zone);
        TimeZone zone(c.zone);
        GDateTime first(c.first.day, c.first.month, c.first.year, c.first.hour, c.first.minute, c.first.second, false);
        GDateTime second(c.second.day, c.second.month, c.second.year, c.second.hour, c.second.minute,
                         c.second.second, false);
        EXPECT_EQ(second.GetSecondsBetween(first), c.seconds) << c.zone;
        EXPECT_EQ(first.GetSecondsBetween(second), -c.seconds) << c.zone;
        EXPECT_EQ(second.GetDaysBetween(first), c.seconds >= 86400 ? 1 : 0) << c.zone;
        EXPECT_EQ(second.CompareWith(first), 1) << c.zone;
    }
}

TEST(GDateTimeTest, MachineOffsetIncludesDaylightSavingTime) {
    struct Case {
        char const* zone;
        Offset offset;
    } const cases[] = {
        {"UTC", {1, 0, 0}},
        {"Asia/Kolkata", {1, 5, 30}},
        {"Pacific/Marquesas", {-1, 9, 30}},
    };
    for (Case const& c : cases) {
        REQUIRE_ZONE(c.zone);
        TimeZone zone(c.zone);
        Offset machine;
        GDateTime::GetLocalToUTCDifference(machine.sign, machine.hours, machine.minutes);
        EXPECT_EQ(machine, c.offset) << c.zone;
        EXPECT_EQ(OffsetOf(GDateTime(true)), c.offset) << c.zone;
    }
    // Zones whose offset changes: the current one, daylight-saving time included.
    REQUIRE_ZONE("Europe/Berlin");
    TimeZone zone("Europe/Berlin");
    const std::time_t now = std::time(nullptr);
    tm local;
    ASSERT_NE(localtime_r(&now, &local), nullptr);
    Offset machine;
    GDateTime::GetLocalToUTCDifference(machine.sign, machine.hours, machine.minutes);
    EXPECT_EQ(machine, (Offset{1, local.tm_isdst > 0 ? 2 : 1, 0}));
}

TEST(GDateTimeTest, CurrentTimeIsNowInUTC) {
    TimeZone zone("UTC");
    const std::time_t before = std::time(nullptr);
    GDateTime now(true);
    const std::time_t after = std::time(nullptr);
    tm fields;
    now.GetAnsiCTm(fields);
    const std::time_t moment = timegm(&fields);
    EXPECT_LE(before, moment);
    EXPECT_LE(moment, after);
    EXPECT_GT(GDateTime::ElapsedSeconds(), 0);
}

// ---- Setting and arithmetic ----

TEST(GDateTimeTest, DefaultValueAndConstructors) {
    GDateTime value;
    EXPECT_EQ(UTCOf(value), (Fields{1, 1, 1980, 0, 0, 0}));
    EXPECT_EQ(OffsetOf(value), (Offset{1, 0, 0}));

    TimeZone zone("UTC");
    EXPECT_EQ(UTCOf(GDateTime(5, 1, 2024, true)), (Fields{5, 1, 2024, 12, 0, 0}));
    GDateTime atOffset(5, 1, 2024, 14, 30, 0, -1, 5, 0);
    EXPECT_EQ(UTCOf(atOffset), (Fields{5, 1, 2024, 19, 30, 0}));
    EXPECT_EQ(LocalOf(atOffset), (Fields{5, 1, 2024, 14, 30, 0}));
    // The nine-field setter converts with the given offset but keeps the value's own.
    atOffset.Set(5, 1, 2024, 14, 30, 0, 1, 2, 0);
    EXPECT_EQ(UTCOf(atOffset), (Fields{5, 1, 2024, 12, 30, 0}));
    EXPECT_EQ(OffsetOf(atOffset), (Offset{-1, 5, 0}));
}

TEST(GDateTimeTest, FieldsCarryOver) {
    struct Case {
        Fields given;
        Fields normalised;
    } const cases[] = {
        {{32, 1, 2024, 0, 0, 0}, {1, 2, 2024, 0, 0, 0}},
        {{1, 1, 2024, 23, 59, 60}, {2, 1, 2024, 0, 0, 0}},
        {{30, 2, 2023, 12, 0, 0}, {2, 3, 2023, 12, 0, 0}},
        {{0, 3, 2024, 0, 0, 0}, {29, 2, 2024, 0, 0, 0}},
        {{1, 13, 2024, 0, 0, 0}, {1, 1, 2025, 0, 0, 0}},
        {{1, 0, 2024, 0, 0, 0}, {1, 12, 2023, 0, 0, 0}},
        {{1, 1, 2024, 0, 0, -1}, {31, 12, 2023, 23, 59, 59}},
        {{1, 1, 2024, -25, 0, 0}, {30, 12, 2023, 23, 0, 0}},
        {{1, 1, 1970, 0, 0, -1}, {31, 12, 1969, 23, 59, 59}},
    };
    TimeZone zone("Europe/Berlin");
    for (Case const& c : cases) {
        GDateTime value;
        value.Set(c.given.day, c.given.month, c.given.year, c.given.hour, c.given.minute, c.given.second, true);
        EXPECT_EQ(UTCOf(value), c.normalised) << c.given;
    }
}

TEST(GDateTimeTest, Arithmetic) {
    struct Case {
        char const* label;
        Fields start;
        int days, months, years, hours, minutes, seconds;
        Fields result;
    } const cases[] = {
        {"day into the new year", {31, 12, 2023, 0, 0, 0}, 1, 0, 0, 0, 0, 0, {1, 1, 2024, 0, 0, 0}},
        {"month past a short one", {31, 1, 2024, 0, 0, 0}, 0, 1, 0, 0, 0, 0, {2, 3, 2024, 0, 0, 0}},
        {"month past February 2023", {31, 1, 2023, 0, 0, 0}, 0, 1, 0, 0, 0, 0, {3, 3, 2023, 0, 0, 0}},
        {"back to a leap day", {1, 3, 2024, 0, 0, 0}, -1, 0, 0, 0, 0, 0, {29, 2, 2024, 0, 0, 0}},
        {"2100 has no leap day", {1, 3, 2100, 0, 0, 0}, -1, 0, 0, 0, 0, 0, {28, 2, 2100, 0, 0, 0}},
        {"2000 has one", {1, 3, 2000, 0, 0, 0}, -1, 0, 0, 0, 0, 0, {29, 2, 2000, 0, 0, 0}},
        {"a leap day plus a year", {29, 2, 2024, 0, 0, 0}, 0, 0, 1, 0, 0, 0, {1, 3, 2025, 0, 0, 0}},
        {"one second back", {1, 1, 2024, 0, 0, 0}, 0, 0, 0, 0, 0, -1, {31, 12, 2023, 23, 59, 59}},
        {"thirteen months back", {15, 6, 2024, 0, 0, 0}, 0, -13, 0, 0, 0, 0, {15, 5, 2023, 0, 0, 0}},
        {"past 2038", {19, 1, 2038, 3, 14, 7}, 0, 0, 0, 0, 0, 1, {19, 1, 2038, 3, 14, 8}},
        {"many seconds", {1, 1, 2024, 0, 0, 0}, 0, 0, 0, 0, 0, INT_MAX, {19, 1, 2092, 3, 14, 7}},
        {"mixed", {1, 1, 2024, 0, 0, 0}, 1, 1, 1, 1, 1, 1, {2, 2, 2025, 1, 1, 1}},
    };
    TimeZone zone("Europe/Berlin");
    for (Case const& c : cases) {
        GDateTime value = UTC(c.start.day, c.start.month, c.start.year, c.start.hour, c.start.minute, c.start.second);
        value.AddTime(c.days, c.months, c.years, c.hours, c.minutes, c.seconds);
        EXPECT_EQ(UTCOf(value), c.result) << c.label;
    }
    GDateTime value = UTC(31, 12, 2023);
    value.AddDays(1);
    EXPECT_EQ(UTCOf(value), (Fields{1, 1, 2024, 0, 0, 0}));
    value = UTC(31, 1, 2024);
    value.AddMonths(1);
    EXPECT_EQ(UTCOf(value), (Fields{2, 3, 2024, 0, 0, 0}));
}

// Sums beyond an int neither overflow nor land on a wrong date.
TEST(GDateTimeTest, ExtremeAdditions) {
    GDateTime value = UTC(15, 6, 2024, 12);
    value.AddDays(INT_MAX);
    value.AddDays(INT_MAX);
    value.AddDays(-INT_MAX);
    value.AddDays(-INT_MAX);
    EXPECT_EQ(UTCOf(value), (Fields{15, 6, 2024, 12, 0, 0}));
    value.AddMonths(INT_MIN);
    value.AddMonths(INT_MAX);
    value.AddMonths(1);
    EXPECT_EQ(UTCOf(value), (Fields{15, 6, 2024, 12, 0, 0}));
    // A year the calendar cannot hold leaves the value unchanged.
    value.AddTime(0, 0, INT_MAX, 0, 0, 0);
    EXPECT_EQ(UTCOf(value), (Fields{15, 6, 2024, 12, 0, 0}));
    value.AddTime(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    value.AddTime(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN);
    EXPECT_EQ(UTCOf(value), (Fields{15, 6, 2024, 12, 0, 0}));
}

TEST(GDateTimeTest, ComparisonIgnoresTheOffset) {
    GDateTime noon = UTC(2, 1, 2024, 12);
    GDateTime evening = UTC(1, 1, 2024, 18);
    EXPECT_EQ(noon.GetDaysBetween(evening), 0);
    EXPECT_EQ(noon.CompareWith(evening), 1);
    EXPECT_EQ(evening.CompareWith(noon), -1);
    EXPECT_EQ(noon.GetSecondsBetween(evening), 18 * 3600);
    EXPECT_EQ(UTC(10, 1, 2024, 6).GetDaysBetween(UTC(1, 1, 2024, 12)), 8);
    EXPECT_EQ(UTC(1, 1, 2024, 12).GetDaysBetween(UTC(10, 1, 2024, 6)), -8);

    GDateTime sameMoment(2, 1, 2024, 14, 0, 0, 1, 2, 0);
    EXPECT_EQ(sameMoment.CompareWith(noon), 0);
    EXPECT_TRUE(sameMoment == noon);
    EXPECT_FALSE(sameMoment != noon);
    EXPECT_TRUE(GDateTime::AreEqual(sameMoment, noon, 0.5));
    EXPECT_FALSE(GDateTime::AreEqual(sameMoment, noon, 0));
}

TEST(GDateTimeTest, SetDateAndTimeOfTheLocalTime) {
    // Local 5 January 01:30 at +02:00 is 4 January 23:30 UTC.
    GDateTime value(5, 1, 2024, 1, 30, 0, 1, 2, 0);
    GDateTime time(value);
    time.SetTime(10, 0, 0, false);
    EXPECT_EQ(LocalOf(time), (Fields{5, 1, 2024, 10, 0, 0}));
    EXPECT_EQ(UTCOf(time), (Fields{5, 1, 2024, 8, 0, 0}));
    GDateTime date(value);
    date.SetDate(7, 2, 2024, false);
    EXPECT_EQ(LocalOf(date), (Fields{7, 2, 2024, 1, 30, 0}));
    EXPECT_EQ(UTCOf(date), (Fields{6, 2, 2024, 23, 30, 0}));

    GDateTime utc(value);
    utc.SetTime(10, 0, 0, true);
    EXPECT_EQ(UTCOf(utc), (Fields{4, 1, 2024, 10, 0, 0}));
    utc.SetDate(31, 2, 2024, true);
    EXPECT_EQ(UTCOf(utc), (Fields{2, 3, 2024, 10, 0, 0}));
    EXPECT_EQ(OffsetOf(utc), (Offset{1, 2, 0}));
}

TEST(GDateTimeTest, BrokenDownTimes) {
    REQUIRE_ZONE("Asia/Kolkata");
    TimeZone zone("Asia/Kolkata");
    tm given{};
    given.tm_mday = 5;
    given.tm_mon = 0;
    given.tm_year = 124;
    given.tm_hour = 14;
    given.tm_min = 5;
    given.tm_sec = 9;
    GDateTime value;
    value.SetAnsiCTm(given, true);
    EXPECT_EQ(UTCOf(value), (Fields{5, 1, 2024, 14, 5, 9}));
    EXPECT_EQ(OffsetOf(value), (Offset{1, 5, 30}));
    value.SetAnsiCTm(given, false);
    EXPECT_EQ(UTCOf(value), (Fields{5, 1, 2024, 8, 35, 9}));

    tm out;
    value.GetAnsiCTm(out);
    EXPECT_EQ(out.tm_mday, 5);
    EXPECT_EQ(out.tm_mon, 0);
    EXPECT_EQ(out.tm_year, 124);
    EXPECT_EQ(out.tm_hour, 8);
    EXPECT_EQ(out.tm_min, 35);
    EXPECT_EQ(out.tm_sec, 9);
    EXPECT_EQ(out.tm_isdst, -1);

    int day = 4, month = 1, year = 2024, hour = 20, minute = 15, second = 0;
    GDateTime::TranslateUTCToLocal(day, month, year, hour, minute, second, 1, 13, 45);
    EXPECT_EQ((Fields{day, month, year, hour, minute, second}), (Fields{5, 1, 2024, 10, 0, 0}));
}

// ---- Texts ----

class GDateTimeTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        GDateTime::Initialize();
    }
};

TEST_F(GDateTimeTextTest, DateTexts) {
    struct Case {
        GDateTime value;
        bool inUTC;
        char const* format;
        char const* language;
        char const* text;
    } const cases[] = {
        {UTC(5, 1, 2024, 14), true, "", "", "January 5, 2024"},
        {UTC(31, 12, 1999), true, "", "", "December 31, 1999"},
        {UTC(1, 5, 2024), true, "", "enUS", "May 1, 2024"},
        // A language without its own texts falls back to English.
        {UTC(9, 9, 2024), true, "", "deDE", "September 9, 2024"},
        {UTC(5, 1, 2024), true, "%1. %2 %3", "", "5. January 2024"},
        {UTC(5, 1, 2024), true, "%3-%1", "", "2024-5"},
        // Local 6 January 01:30 at +02:00 is 5 January in UTC.
        {GDateTime(6, 1, 2024, 1, 30, 0, 1, 2, 0), false, "", "", "January 6, 2024"},
        {GDateTime(6, 1, 2024, 1, 30, 0, 1, 2, 0), true, "", "", "January 5, 2024"},
    };
    for (Case const& c : cases) {
        GString out("stale");
        c.value.GetDateAsString(out, c.inUTC, GString(c.format), GString(c.language));
        EXPECT_EQ(UTF8Of(out), c.text);
    }
    for (int month = 1; month <= 12; ++month) {
        GString out;
        UTC(1, month, 2024).GetDateAsString(out, true, GString("%2"), GString());
        static char const* const kNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                             "July",    "August",   "September", "October", "November", "December"};
        EXPECT_EQ(UTF8Of(out), kNames[month - 1]);
    }
}

TEST_F(GDateTimeTextTest, TimeTexts) {
    struct Case {
        GDateTime value;
        bool inUTC;
        char const* format;
        char const* text;
    } const cases[] = {
        {UTC(5, 1, 2024, 9, 5, 3), true, "", "09:05:03"},
        {UTC(5, 1, 2024, 14, 5, 9), true, "", "14:05:09"},
        {UTC(5, 1, 2024, 0, 0, 0), true, "", "00:00:00"},
        {UTC(5, 1, 2024, 9, 5, 3), true, "%3h%2", "09h05"},
        {GDateTime(5, 1, 2024, 9, 5, 3, -1, 5, 30), false, "", "09:05:03"},
        {GDateTime(5, 1, 2024, 9, 5, 3, -1, 5, 30), true, "", "14:35:03"},
    };
    for (Case const& c : cases) {
        GString out;
        c.value.GetTimeAsString(out, c.inUTC, GString(c.format));
        EXPECT_EQ(UTF8Of(out), c.text);
    }
    // The format may be the output string itself.
    GString inPlace("%3.%2.%1");
    UTC(5, 1, 2024, 7, 8, 9).GetTimeAsString(inPlace, true, inPlace);
    EXPECT_EQ(UTF8Of(inPlace), "07.08.09");
}

} // namespace

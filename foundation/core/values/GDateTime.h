#pragma once
// GDateTime: the framework's date and time value, a moment held as UTC fields together with the
// offset from UTC of the local time it belongs to. It reads and writes PDF dates (the form in
// which preferences store dates), gives date and time texts, compares, adds and measures.
//
// Callers may rely on:
// - The six date and time fields are always UTC and normalised: every setter and every addition
//   carries out-of-range fields over (day 32 of January is 1 February). Arithmetic is done on UTC
//   fields, so it never depends on the machine's time zone or its daylight-saving changes.
// - The offset (sign +1 or -1, hours, minutes) only says how to show the moment as local time; it
//   takes no part in comparisons, equality or differences.
// - A change whose result the calendar cannot hold (a year beyond the C library's range) leaves
//   the value as it was. Nothing throws, and no operation keeps process-wide state, so values may
//   be used on several threads.
// - A PDF date that SetFromPDFDateTime accepts is written back by GetAsPDFDateTime to a text that
//   reads to the same moment and offset.
#include <ctime>

class GBuffer;
class GString;

class GDateTime {
public:
    // 1 January 1980 00:00:00 UTC, offset +0:00; with now, the current time and offset.
    explicit GDateTime(bool now = false);
    // At noon.
    GDateTime(int day, int month, int year, bool isUTC);
    // The offset becomes the machine's offset at that moment.
    GDateTime(int day, int month, int year, int hour, int minute, int second, bool isUTC);
    // A local time at the given offset, which the value keeps.
    GDateTime(int day, int month, int year, int hour, int minute, int second, int sign, int offsetHours,
              int offsetMinutes);
    GDateTime(GDateTime const& other) = default;
    GDateTime& operator=(GDateTime const& other) = default;

    // isUTC: the fields are UTC; otherwise they are a local time of the machine. The offset stays.
    void Set(int day, int month, int year, int hour, int minute, int second, bool isUTC);
    // The fields are a local time at the given offset; the value's own offset stays.
    void Set(int day, int month, int year, int hour, int minute, int second, int sign, int offsetHours,
             int offsetMinutes);
    void Set(GDateTime const& other);
    // Without isUTC the date (or time) replaces that of the value's local time, and the result is
    // converted back to UTC with the value's offset.
    void SetDate(int day, int month, int year, bool isUTC);
    void SetTime(int hour, int minute, int second, bool isUTC);
    // From a broken-down time; the offset becomes the machine's offset at that moment.
    void SetAnsiCTm(tm const& time, bool isUTC);
    // The UTC fields, tm_isdst -1.
    void GetAnsiCTm(tm& time) const;
    void Normalize();

    // The fields in UTC, or in the value's local time.
    void GetDate(int& day, int& month, int& year, bool inUTC) const;
    void GetTime(int& hour, int& minute, int& second, bool inUTC) const;
    void GetOffset(int& sign, int& hours, int& minutes) const;

    void AddDays(int days);
    void AddMonths(int months);
    void AddTime(int days, int months, int years, int hours, int minutes, int seconds);

    // -1, 0 or 1 by the moment; the offset is ignored.
    int CompareWith(GDateTime const& other) const;
    bool operator==(GDateTime const& other) const { return CompareWith(other) == 0; }
    bool operator!=(GDateTime const& other) const { return CompareWith(other) != 0; }
    // Whether the two moments are less than seconds apart.
    static bool AreEqual(GDateTime const& a, GDateTime const& b, double seconds);
    // This minus other; 0 when either moment cannot be converted.
    double GetSecondsBetween(GDateTime const& other) const;
    // GetSecondsBetween / 86400, truncated toward zero.
    int GetDaysBetween(GDateTime const& other) const;
    // Whole seconds since the system started; 0 when unknown.
    static long long ElapsedSeconds();

    // The machine's current offset of local time from UTC (daylight-saving time included).
    static void GetLocalToUTCDifference(int& sign, int& hours, int& minutes);
    // UTC fields to the fields of the local time at the given offset; unchanged on failure.
    static void TranslateUTCToLocal(int& day, int& month, int& year, int& hour, int& minute, int& second, int sign,
                                    int offsetHours, int offsetMinutes);

    // "D:YYYYMMDDHHmmSSZ" or "D:YYYYMMDDHHmmSS+HH'mm'" (or "-") of the local time; the UTC time
    // with "Z" when only that has a year of four digits. Without any, out is emptied.
    void GetAsPDFDateTime(GBuffer& out) const;
    // 0 when text is no valid date (the value is then unchanged), 1 for a date, 2 for a date whose
    // year is written in the five-digit form "19" + (year - 1900). Missing parts count as the
    // start of their period; without a zone the fields are UTC and the offset stays.
    int SetFromPDFDateTime(GBuffer const& text);
    static int CheckPDFDateTime(GBuffer const& text);

    // format (or, when empty, the date text 2413) with %1 day, %2 month name, %3 year. The texts
    // come from language, else from English; an empty language is the current one.
    void GetDateAsString(GString& out, bool inUTC, GString const& format, GString const& language) const;
    // format (or the time text 2414) with %1 second, %2 minute, %3 hour, each two digits.
    void GetTimeAsString(GString& out, bool inUTC, GString const& format) const;
    // Registers the month names and the date and time templates (2401 to 2414).
    static void Initialize();

private:
    void SetUTCFields(tm const& utc);
    void SetOffset(int sign, int hours, int minutes);
    void SetMachineOffsetAt(std::time_t moment);
    // The moment in seconds since the epoch; false when the calendar cannot hold it.
    bool GetMoment(std::time_t& moment) const;
    std::time_t OffsetSeconds() const;
    // Broken down into the value's local time; the UTC fields when that fails.
    void GetLocalTm(tm& local) const;
    // Fields in 64 bits, carried and stored; false (value unchanged) when out of range.
    bool StoreCarried(long long day, long long month, long long year, long long hour, long long minute,
                      long long second);

    int mDay;
    int mMonth;
    int mYear;
    int mHour;
    int mMinute;
    int mSecond;
    int mSign;
    int mOffsetHours;
    int mOffsetMinutes;
};

#include "core/values/GDateTime.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/bytes/GBuffer.h"
#include "core/text/GStringPool.h"
#include "core/text/GStringPoolData.h"
#include "core/text/GString.h"

namespace {

constexpr long long kDaysPer400Years = 146097;
constexpr int kMaxOffsetMinutes = 99 * 60 + 59;

long long FloorDiv(long long a, long long b) {
    long long q = a / b;
    if (a % b != 0 && (a < 0) != (b < 0))
        --q;
    return q;
}

bool FitsInt(long long value) { return value >= INT_MIN && value <= INT_MAX; }

// Seconds of a UTC broken-down time, which is normalised in place. timegm may return -1 for a
// valid moment, so success is told by tm_wday, which it only sets on success.
bool UTCTime(tm& fields, std::time_t& moment) {
    fields.tm_isdst = 0;
    fields.tm_wday = -1;
    const std::time_t t = timegm(&fields);
    if (fields.tm_wday == -1)
        return false;
    moment = t;
    return true;
}

// Carries the fields over into a normalised UTC broken-down time. Whole 400-year cycles of days go
// into the year first, so that day counts beyond an int still land on their date.
bool Carry(long long day, long long month, long long year, long long hour, long long minute, long long second,
           tm& out) {
    minute += FloorDiv(second, 60);
    second -= FloorDiv(second, 60) * 60;
    hour += FloorDiv(minute, 60);
    minute -= FloorDiv(minute, 60) * 60;
    day += FloorDiv(hour, 24);
    hour -= FloorDiv(hour, 24) * 24;
    year += FloorDiv(month - 1, 12);
    month -= FloorDiv(month - 1, 12) * 12;
    const long long cycles = FloorDiv(day - 1, kDaysPer400Years);
    day -= cycles * kDaysPer400Years;
    year += cycles * 400;
    if (!FitsInt(year - 1900) || !FitsInt(year))
        return false;
    out = tm{};
    out.tm_mday = static_cast<int>(day);
    out.tm_mon = static_cast<int>(month - 1);
    out.tm_year = static_cast<int>(year - 1900);
    out.tm_hour = static_cast<int>(hour);
    out.tm_min = static_cast<int>(minute);
    out.tm_sec = static_cast<int>(second);
    std::time_t ignored;
    return UTCTime(out, ignored) && out.tm_year <= INT_MAX - 1900;
}

bool IsLeapYear(long long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(long long year, unsigned month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Splits an offset in seconds as the machine reports it into sign, hours and minutes.
void SplitOffset(long long seconds, int& sign, int& hours, int& minutes) {
    sign = seconds < 0 ? -1 : 1;
    const double magnitude = std::fabs(static_cast<double>(seconds)) + 0.5;
    hours = static_cast<int>(std::floor(magnitude / 3600));
    minutes = static_cast<int>(std::floor((magnitude - hours * 3600.0) / 60));
}

bool MachineOffsetAt(std::time_t moment, int& sign, int& hours, int& minutes) {
    tm local;
    if (localtime_r(&moment, &local) == nullptr)
        return false;
    SplitOffset(local.tm_gmtoff, sign, hours, minutes);
    return true;
}

// The date and time texts; registered by Initialize.
constexpr GStringPoolDataStruct kEnglishTexts[] = {
    {2401, "January"},   {2402, "February"}, {2403, "March"},    {2404, "April"},     {2405, "May"},
    {2406, "June"},      {2407, "July"},     {2408, "August"},   {2409, "September"}, {2410, "October"},
    {2411, "November"},  {2412, "December"}, {2413, "%2 %1, %3"}, {2414, "%3:%2:%1"},
};

// The text of id in language (empty: the current one, with the pools' fallbacks); a language
// without the text falls back to English.
GString LookUpText(int id, GString const& language) {
    GString text;
    if (language.IsEmpty())
        GStringPool::GetString(id, text);
    else if (!GStringPool::GetString(language, id, text))
        GStringPool::GetString(GStringPool::GetEnglish(), id, text);
    return text;
}

// The digits of a PDF date, read as sscanf's "%<width>u" reads them, without signs.
class PDFDateScanner {
public:
    PDFDateScanner(unsigned char const* begin, unsigned char const* end) : mAt(begin), mEnd(end) {}

    bool Number(int width, unsigned& value) {
        while (mAt < mEnd && IsSpace(*mAt))
            ++mAt;
        unsigned char const* start = mAt;
        unsigned number = 0;
        while (mAt < mEnd && mAt - start < width && *mAt >= '0' && *mAt <= '9')
            number = number * 10 + static_cast<unsigned>(*mAt++ - '0');
        if (mAt == start)
            return false;
        value = number;
        return true;
    }

    bool Literal(unsigned char c) {
        if (mAt == mEnd || *mAt != c)
            return false;
        ++mAt;
        return true;
    }

private:
    static bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

    unsigned char const* mAt;
    unsigned char const* mEnd;
};

// The length of the run of digits at the start of [begin, end).
long DigitRun(unsigned char const* begin, unsigned char const* end) {
    unsigned char const* at = begin;
    while (at < end && *at >= '0' && *at <= '9')
        ++at;
    return at - begin;
}

// Old writers put the year as "19" followed by the year minus 1900, so 2000 to 2099 became 19100
// to 19199. A real year 1910 to 1919 starts the same way; it is told apart by the number of
// digits, which is even for four-digit years (YYYY, YYYYMM, ...) and odd for five-digit ones.
bool IsFiveDigitYear(unsigned char const* begin, unsigned char const* end) {
    if (end - begin < 5 || begin[0] != '1' || begin[1] != '9' || begin[2] != '1')
        return false;
    const long digits = DigitRun(begin, end);
    return digits >= 5 && digits % 2 == 1;
}

} // namespace

GDateTime::GDateTime(bool now)
    : mDay(1), mMonth(1), mYear(1980), mHour(0), mMinute(0), mSecond(0), mSign(1), mOffsetHours(0),
      mOffsetMinutes(0) {
    if (!now)
        return;
    const std::time_t moment = std::time(nullptr);
    tm utc;
    if (gmtime_r(&moment, &utc) == nullptr)
        return;
    SetUTCFields(utc);
    GetLocalToUTCDifference(mSign, mOffsetHours, mOffsetMinutes);
}

GDateTime::GDateTime(int day, int month, int year, bool isUTC) : GDateTime(day, month, year, 12, 0, 0, isUTC) {}

GDateTime::GDateTime(int day, int month, int year, int hour, int minute, int second, bool isUTC) : GDateTime() {
    Set(day, month, year, hour, minute, second, isUTC);
    std::time_t moment;
    if (GetMoment(moment))
        SetMachineOffsetAt(moment);
}

GDateTime::GDateTime(int day, int month, int year, int hour, int minute, int second, int sign, int offsetHours,
                     int offsetMinutes)
    : GDateTime() {
    Set(day, month, year, hour, minute, second, sign, offsetHours, offsetMinutes);
    SetOffset(sign, offsetHours, offsetMinutes);
}

void GDateTime::Set(int day, int month, int year, int hour, int minute, int second, bool isUTC) {
    tm fields;
    if (!Carry(day, month, year, hour, minute, second, fields))
        return;
    if (!isUTC) {
        tm local = fields;
        local.tm_isdst = -1;
        local.tm_wday = -1;
        const std::time_t moment = std::mktime(&local);
        tm utc;
        // A local time the machine cannot convert is taken as UTC.
        if (local.tm_wday != -1 && gmtime_r(&moment, &utc) != nullptr && utc.tm_year <= INT_MAX - 1900)
            fields = utc;
    }
    SetUTCFields(fields);
}

void GDateTime::Set(int day, int month, int year, int hour, int minute, int second, int sign, int offsetHours,
                    int offsetMinutes) {
    const long long direction = sign < 0 ? -1 : 1;
    StoreCarried(day, month, year, hour - direction * offsetHours, minute - direction * offsetMinutes, second);
}

void GDateTime::Set(GDateTime const& other) {
    StoreCarried(other.mDay, other.mMonth, other.mYear, other.mHour, other.mMinute, other.mSecond);
    mSign = other.mSign;
    mOffsetHours = other.mOffsetHours;
    mOffsetMinutes = other.mOffsetMinutes;
}

void GDateTime::SetDate(int day, int month, int year, bool isUTC) {
    if (isUTC) {
        StoreCarried(day, month, year, mHour, mMinute, mSecond);
        return;
    }
    tm local;
    GetLocalTm(local);
    const std::time_t offset = OffsetSeconds();
    StoreCarried(day, month, year, local.tm_hour, local.tm_min, static_cast<long long>(local.tm_sec) - offset);
}

void GDateTime::SetTime(int hour, int minute, int second, bool isUTC) {
    if (isUTC) {
        StoreCarried(mDay, mMonth, mYear, hour, minute, second);
        return;
    }
    tm local;
    GetLocalTm(local);
    const std::time_t offset = OffsetSeconds();
    StoreCarried(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900LL, hour, minute,
                 static_cast<long long>(second) - offset);
}

void GDateTime::SetAnsiCTm(tm const& time, bool isUTC) {
    const long long year = time.tm_year + 1900LL;
    if (!FitsInt(year))
        return;
    Set(time.tm_mday, time.tm_mon + 1, static_cast<int>(year), time.tm_hour, time.tm_min, time.tm_sec, isUTC);
    std::time_t moment;
    if (GetMoment(moment))
        SetMachineOffsetAt(moment);
}

void GDateTime::GetAnsiCTm(tm& time) const {
    time = tm{};
    time.tm_mday = mDay;
    time.tm_mon = mMonth - 1;
    time.tm_year = mYear - 1900;
    time.tm_hour = mHour;
    time.tm_min = mMinute;
    time.tm_sec = mSecond;
    time.tm_isdst = -1;
}

void GDateTime::Normalize() { StoreCarried(mDay, mMonth, mYear, mHour, mMinute, mSecond); }

void GDateTime::GetDate(int& day, int& month, int& year, bool inUTC) const {
    if (inUTC) {
        day = mDay;
        month = mMonth;
        year = mYear;
        return;
    }
    tm local;
    GetLocalTm(local);
    day = local.tm_mday;
    month = local.tm_mon + 1;
    year = local.tm_year + 1900;
}

void GDateTime::GetTime(int& hour, int& minute, int& second, bool inUTC) const {
    if (inUTC) {
        hour = mHour;
        minute = mMinute;
        second = mSecond;
        return;
    }
    tm local;
    GetLocalTm(local);
    hour = local.tm_hour;
    minute = local.tm_min;
    second = local.tm_sec;
}

void GDateTime::GetOffset(int& sign, int& hours, int& minutes) const {
    sign = mSign;
    hours = mOffsetHours;
    minutes = mOffsetMinutes;
}

void GDateTime::AddDays(int days) { StoreCarried(static_cast<long long>(mDay) + days, mMonth, mYear, mHour, mMinute, mSecond); }

void GDateTime::AddMonths(int months) {
    StoreCarried(mDay, static_cast<long long>(mMonth) + months, mYear, mHour, mMinute, mSecond);
}

void GDateTime::AddTime(int days, int months, int years, int hours, int minutes, int seconds) {
    StoreCarried(static_cast<long long>(mDay) + days, static_cast<long long>(mMonth) + months,
                 static_cast<long long>(mYear) + years, static_cast<long long>(mHour) + hours,
                 static_cast<long long>(mMinute) + minutes, static_cast<long long>(mSecond) + seconds);
}

int GDateTime::CompareWith(GDateTime const& other) const {
    const int mine[6] = {mYear, mMonth, mDay, mHour, mMinute, mSecond};
    const int theirs[6] = {other.mYear, other.mMonth, other.mDay, other.mHour, other.mMinute, other.mSecond};
    for (int i = 0; i < 6; ++i) {
        if (mine[i] != theirs[i])
            return mine[i] < theirs[i] ? -1 : 1;
    }
    return 0;
}

bool GDateTime::AreEqual(GDateTime const& a, GDateTime const& b, double seconds) {
    std::time_t first;
    std::time_t second;
    if (!a.GetMoment(first) || !b.GetMoment(second))
        return false;
    return std::fabs(std::difftime(first, second)) < seconds;
}

double GDateTime::GetSecondsBetween(GDateTime const& other) const {
    std::time_t mine;
    std::time_t theirs;
    if (!GetMoment(mine) || !other.GetMoment(theirs))
        return 0;
    return std::difftime(mine, theirs);
}

int GDateTime::GetDaysBetween(GDateTime const& other) const {
    // Beyond an int of days only for moments millions of years apart.
    const double days = std::trunc(GetSecondsBetween(other) / 86400);
    if (days >= INT_MAX)
        return INT_MAX;
    if (days <= INT_MIN)
        return INT_MIN;
    return static_cast<int>(days);
}

long long GDateTime::ElapsedSeconds() {
    // The time since boot, counting suspended time as the kernel's boot time does.
    timespec now;
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0 || now.tv_sec < 0)
        return 0;
    return now.tv_sec;
}

void GDateTime::GetLocalToUTCDifference(int& sign, int& hours, int& minutes) {
    if (!MachineOffsetAt(std::time(nullptr), sign, hours, minutes)) {
        sign = 1;
        hours = 0;
        minutes = 0;
    }
}

void GDateTime::TranslateUTCToLocal(int& day, int& month, int& year, int& hour, int& minute, int& second, int sign,
                                    int offsetHours, int offsetMinutes) {
    const long long direction = sign < 0 ? -1 : 1;
    tm local;
    if (!Carry(day, month, year, hour + direction * offsetHours, minute + direction * offsetMinutes, second, local))
        return;
    day = local.tm_mday;
    month = local.tm_mon + 1;
    year = local.tm_year + 1900;
    hour = local.tm_hour;
    minute = local.tm_min;
    second = local.tm_sec;
}

void GDateTime::GetAsPDFDateTime(GBuffer& out) const {
    tm fields;
    GetLocalTm(fields);
    bool inUTC = mOffsetHours <= 0 && mOffsetMinutes <= 0;
    // Four digits of year: near year 0 or 9999 the local year may not fit where the UTC one does.
    if (fields.tm_year < -1900 || fields.tm_year > 9999 - 1900) {
        GetAnsiCTm(fields);
        inUTC = true;
    }
    if (fields.tm_year < -1900 || fields.tm_year > 9999 - 1900) {
        out.Clear();
        return;
    }
    char text[32];
    int n = std::snprintf(text, sizeof text, "D:%04d%02d%02d%02d%02d%02d", fields.tm_year + 1900, fields.tm_mon + 1,
                          fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
    if (inUTC)
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "Z");
    else
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "%c%02d'%02d'", mSign < 0 ? '-' : '+',
                           mOffsetHours, mOffsetMinutes);
    out.Set(reinterpret_cast<unsigned char const*>(text), n);
}

int GDateTime::SetFromPDFDateTime(GBuffer const& text) {
    // The text ends at its first zero byte, as a C reader would see it.
    unsigned char const* begin = text.GetPtr();
    unsigned char const* end = begin + std::strlen(reinterpret_cast<char const*>(begin));
    if (end - begin < 2)
        return 0;
    if (begin[0] == 'D') {
        if (begin[1] != ':')
            return 0;
        begin += 2;
    }
    if (end - begin < 4)
        return 0;
    unsigned char const* mark = begin;
    while (mark < end && *mark != '+' && *mark != '-' && *mark != 'Z')
        ++mark;
    if (mark - begin < 4)
        return 0;

    const bool fiveDigitYear = IsFiveDigitYear(begin, mark);
    unsigned fields[6] = {2000, 1, 1, 0, 0, 0};  // year, month, day, hour, minute, second
    PDFDateScanner date(begin, mark);
    int read = 0;
    while (read < 6 && date.Number(read == 0 ? (fiveDigitYear ? 5 : 4) : 2, fields[read]))
        ++read;
    if (read == 0)
        return 0;
    const long long year = fiveDigitYear ? fields[0] - 17100LL : fields[0];
    const unsigned month = fields[1];
    const unsigned day = fields[2];
    // Second 60 is refused like minute 60: a leap second carried into the next minute would be
    // a different moment from the one the text names.
    if (month < 1 || month > 12 || day < 1 || static_cast<int>(day) > DaysInMonth(year, month) || fields[3] >= 24 ||
        fields[4] >= 60 || fields[5] >= 60)
        return 0;

    int sign = mSign;
    unsigned offsetHours = static_cast<unsigned>(mOffsetHours);
    unsigned offsetMinutes = static_cast<unsigned>(mOffsetMinutes);
    long long toUTCHours = 0;
    long long toUTCMinutes = 0;
    if (mark < end && *mark == 'Z') {
        sign = 1;
        offsetHours = 0;
        offsetMinutes = 0;
    } else if (mark < end) {
        sign = *mark == '-' ? -1 : 1;
        PDFDateScanner zone(mark + 1, end);
        offsetHours = 0;
        offsetMinutes = 0;
        if (zone.Number(2, offsetHours) && zone.Literal('\''))
            zone.Number(2, offsetMinutes);
        if (offsetHours >= 24 || offsetMinutes >= 60)
            return 0;
        toUTCHours = -sign * static_cast<long long>(offsetHours);
        toUTCMinutes = -sign * static_cast<long long>(offsetMinutes);
    }
    tm utc;
    if (!Carry(day, month, year, fields[3] + toUTCHours, fields[4] + toUTCMinutes, fields[5], utc))
        return 0;
    SetUTCFields(utc);
    SetOffset(sign, static_cast<int>(offsetHours), static_cast<int>(offsetMinutes));
    return fiveDigitYear ? 2 : 1;
}

int GDateTime::CheckPDFDateTime(GBuffer const& text) {
    GDateTime scratch;  // the result does not depend on the starting value
    return scratch.SetFromPDFDateTime(text);
}

void GDateTime::GetDateAsString(GString& out, bool inUTC, GString const& format, GString const& language) const {
    int day;
    int month;
    int year;
    GetDate(day, month, year, inUTC);
    GString result = format.IsEmpty() ? LookUpText(2413, language) : format;
    result.SubstituteParams(GString(day), LookUpText(2400 + month, language), GString(year));
    out = result;
}

void GDateTime::GetTimeAsString(GString& out, bool inUTC, GString const& format) const {
    int hour;
    int minute;
    int second;
    GetTime(hour, minute, second, inUTC);
    GString result = format.IsEmpty() ? LookUpText(2414, GString()) : format;
    GString seconds;
    GString minutes;
    GString hours;
    seconds.SetInt(second, 2);
    minutes.SetInt(minute, 2);
    hours.SetInt(hour, 2);
    result.SubstituteParams(seconds, minutes, hours);
    out = result;
}

void GDateTime::Initialize() {
    GStringPoolData::AddEnglishTexts(kEnglishTexts, static_cast<int>(sizeof kEnglishTexts / sizeof kEnglishTexts[0]));
}

void GDateTime::SetUTCFields(tm const& utc) {
    mDay = utc.tm_mday;
    mMonth = utc.tm_mon + 1;
    mYear = utc.tm_year + 1900;
    mHour = utc.tm_hour;
    mMinute = utc.tm_min;
    mSecond = utc.tm_sec;
}

// Kept as sign and magnitude with minutes below 60, at most 99:59 so that the PDF form holds it;
// a zero offset has the sign +1, as "Z" reads.
void GDateTime::SetOffset(int sign, int hours, int minutes) {
    long long total = static_cast<long long>(hours) * 60 + minutes;
    mSign = sign < 0 && total != 0 ? -1 : 1;
    if (total < 0) {
        mSign = -mSign;
        total = -total;
    }
    if (total > kMaxOffsetMinutes)
        total = kMaxOffsetMinutes;
    mOffsetHours = static_cast<int>(total / 60);
    mOffsetMinutes = static_cast<int>(total % 60);
}

void GDateTime::SetMachineOffsetAt(std::time_t moment) {
    int sign;
    int hours;
    int minutes;
    if (MachineOffsetAt(moment, sign, hours, minutes))
        SetOffset(sign, hours, minutes);
}

bool GDateTime::GetMoment(std::time_t& moment) const {
    tm fields;
    return Carry(mDay, mMonth, mYear, mHour, mMinute, mSecond, fields) && UTCTime(fields, moment);
}

std::time_t GDateTime::OffsetSeconds() const {
    return mSign * (static_cast<std::time_t>(mOffsetHours) * 3600 + static_cast<std::time_t>(mOffsetMinutes) * 60);
}

void GDateTime::GetLocalTm(tm& local) const {
    const long long direction = mSign < 0 ? -1 : 1;
    if (Carry(mDay, mMonth, mYear, mHour + direction * mOffsetHours, mMinute + direction * mOffsetMinutes, mSecond,
              local))
        return;
    GetAnsiCTm(local);
}

bool GDateTime::StoreCarried(long long day, long long month, long long year, long long hour, long long minute,
                             long long second) {
    tm utc;
    if (!Carry(day, month, year, hour, minute, second, utc))
        return false;
    SetUTCFields(utc);
    return true;
}

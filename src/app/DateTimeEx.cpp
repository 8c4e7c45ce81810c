#include "app/DateTimeEx.h"

#include <cmath>

namespace app {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);   // -25569
const std::int64_t kMinDays = DaysFromCivil(100, 1, 1) - kEpochDays;
const std::int64_t kEndDays = DaysFromCivil(10000, 1, 1) - kEpochDays;   // first day past the range

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Linear day count <-> the stored double with its negative-date rule.
double LinearFromStored(double dt)
{
    if (dt >= 0)
        return dt;
    const double whole = std::ceil(dt);
    return whole - (dt - whole);
}

double StoredFromLinear(double linear)
{
    if (linear >= 0)
        return linear;
    const double whole = std::floor(linear);
    return whole + (whole - linear);
}

std::int64_t RoundedSeconds(double linear)
{
    return std::llround(linear * kSecondsPerDay);
}

bool InRange(double linear)
{
    if (!std::isfinite(linear))
        return false;
    const std::int64_t s = RoundedSeconds(linear);
    return s >= kMinDays * kSecondsPerDay && s < kEndDays * kSecondsPerDay;
}

std::string Digits(int value, int width)
{
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, width - s.size(), '0');
    return s;
}

bool AllDigits(std::string_view s)
{
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int DigitsValue(std::string_view s)
{
    int v = 0;
    for (char c : s)
        v = v * 10 + (c - '0');
    return v;
}

// Linear days of a whole-second count, built the same way SetDateTime builds
// them so equal readings compare equal.
double LinearFromSeconds(std::int64_t secs)
{
    const std::int64_t day = FloorDiv(secs, kSecondsPerDay);
    return static_cast<double>(day) + static_cast<double>(secs - day * kSecondsPerDay) / 86400.0;
}

// UTC offset in seconds in force at the instant `t` (seconds since 1970).
long OffsetAt(std::int64_t t)
{
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (!localtime_r(&tt, &tm))
        return 0;
    return tm.tm_gmtoff;
}

// Seconds since 1970 of a value's clock reading, as if that reading were UTC.
std::int64_t ClockSeconds(double linear)
{
    return RoundedSeconds(linear) + kEpochDays * kSecondsPerDay;
}

// The offset a local clock reading belongs to (see GetUtcBias for the rule
// at the two yearly changes). Offsets a day either side bracket any change
// of the zone's rules that touches this reading.
long OffsetForLocalReading(std::int64_t local)
{
    tzset();   // follow TZ when it has been changed since the last call
    const long before = OffsetAt(local - kSecondsPerDay);
    const long after = OffsetAt(local + kSecondsPerDay);
    const bool beforeFits = OffsetAt(local - before) == before;
    const bool afterFits = OffsetAt(local - after) == after;
    if (beforeFits && afterFits)
        return std::max(before, after);   // twice-occurring reading: its first instant
    if (beforeFits)
        return before;
    if (afterFits)
        return after;
    if (before != after)
        return before;   // skipped reading: the offset before the change
    long o = before;
    for (int i = 0; i < 3; ++i)
        o = OffsetAt(local - o);
    return o;
}

}   // namespace

// ---- Construction and fields --------------------------------------------------------

CDateTimeEx::CDateTimeEx(double days) : m_dt(days)
{
    if (!InRange(LinearFromStored(days)))
        m_status = invalid;
}

CDateTimeEx::CDateTimeEx(int year, int month, int day, int hour, int minute, int second)
{
    SetDateTime(year, month, day, hour, minute, second);
}

CDateTimeEx& CDateTimeEx::operator=(std::time_t seconds)
{
    std::tm tm{};
    if (!localtime_r(&seconds, &tm)) {
        m_dt = 0;
        m_status = invalid;
        return *this;
    }
    SetDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return *this;
}

CDateTimeEx CDateTimeEx::GetCurrentTime()
{
    CDateTimeEx now;
    now = std::time(nullptr);
    return now;
}

bool CDateTimeEx::SetDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        m_dt = 0;
        m_status = invalid;
        return false;
    }
    const std::int64_t days = DaysFromCivil(year, month, day) - kEpochDays;
    const double linear =
        static_cast<double>(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
    m_dt = StoredFromLinear(linear);
    m_status = valid;
    return true;
}

double CDateTimeEx::GetLinearDays() const
{
    return LinearFromStored(m_dt);
}

CDateTimeEx CDateTimeEx::FromLinearDays(double linear)
{
    CDateTimeEx v;
    if (!InRange(linear)) {
        v.m_dt = 0;
        v.m_status = invalid;
        return v;
    }
    v.m_dt = StoredFromLinear(linear);
    return v;
}

DateFields CDateTimeEx::GetFields() const
{
    // Out-of-range doubles (an invalid value's raw content) give 1899-12-30
    // rather than overflowing the calendar arithmetic.
    if (!InRange(GetLinearDays()))
        return DateFields{};
    const std::int64_t secs = RoundedSeconds(GetLinearDays());
    const std::int64_t day = FloorDiv(secs, kSecondsPerDay);
    const std::int64_t sod = secs - day * kSecondsPerDay;
    const std::int64_t unixDay = day + kEpochDays;
    DateFields f;
    CivilFromDays(unixDay, f.year, f.month, f.day);
    f.hour = static_cast<int>(sod / 3600);
    f.minute = static_cast<int>(sod / 60 % 60);
    f.second = static_cast<int>(sod % 60);
    f.dayOfWeek = static_cast<int>(((unixDay + 4) % 7 + 7) % 7);   // 1970-01-01 was a Thursday
    f.dayOfYear = static_cast<int>(unixDay - DaysFromCivil(f.year, 1, 1) + 1);
    return f;
}

// ---- Locale formats --------------------------------------------------------------------

std::string CDateTimeEx::GetShortDateFormat(bool fourDigitYear, const CDateLocale& loc)
{
    std::string picture = loc.ShortDatePicture();
    if (!fourDigitYear || FindInPicture(picture, "yyyy") != std::string::npos)
        return picture;
    const size_t y = FindInPicture(picture, "y");
    if (y == std::string::npos)
        return picture + loc.DateSeparator() + "yyyy";
    const bool hasThree = FindInPicture(picture, "yyy") != std::string::npos;
    picture.insert(y, hasThree ? "y" : "yy");
    return picture;
}

std::string CDateTimeEx::GetTimeFormat(bool withoutSeconds, const CDateLocale& loc)
{
    std::string picture = loc.TimePicture();
    if (!withoutSeconds)
        return picture;
    const size_t s = FindInPicture(picture, "s");
    if (s == std::string::npos)
        return picture;
    const size_t sepLen = loc.TimeSeparator().size();
    const size_t fieldLen = FindInPicture(picture, "ss") != std::string::npos ? 2 : 1;
    const size_t start = s == 0 ? 0 : (s >= sepLen ? s - sepLen : 0);
    picture.erase(start, sepLen + fieldLen);
    return picture;
}

std::string CDateTimeEx::GetDateTimeFormat(bool fourDigitYear, bool withoutSeconds,
                                           const CDateLocale& loc)
{
    return GetShortDateFormat(fourDigitYear, loc) + " " + GetTimeFormat(withoutSeconds, loc);
}

std::string CDateTimeEx::GetShortDateFormat(bool fourDigitYear)
{
    return GetShortDateFormat(fourDigitYear, CDateLocale::Current());
}

std::string CDateTimeEx::GetTimeFormat(bool withoutSeconds)
{
    return GetTimeFormat(withoutSeconds, CDateLocale::Current());
}

std::string CDateTimeEx::GetDateTimeFormat(bool fourDigitYear, bool withoutSeconds)
{
    return GetDateTimeFormat(fourDigitYear, withoutSeconds, CDateLocale::Current());
}

// ---- Display text --------------------------------------------------------------------------

std::string CDateTimeEx::FormatDate(bool fourDigitYear, const CDateLocale& loc) const
{
    if (!IsValid())
        return {};
    return FormatPicture(GetShortDateFormat(fourDigitYear, loc), GetFields(), loc);
}

std::string CDateTimeEx::FormatTime(bool withoutSeconds, const CDateLocale& loc) const
{
    if (!IsValid())
        return {};
    return FormatPicture(GetTimeFormat(withoutSeconds, loc), GetFields(), loc);
}

std::string CDateTimeEx::FormatDateTime(bool fourDigitYear, bool withoutSeconds,
                                        const CDateLocale& loc) const
{
    if (!IsValid())
        return {};
    return FormatDate(fourDigitYear, loc) + " " + FormatTime(withoutSeconds, loc);
}

std::string CDateTimeEx::FormatLong(const CDateLocale& loc) const
{
    if (!IsValid())
        return {};
    const DateFields f = GetFields();
    std::string text = FormatStrftime(loc.dateTimeFormat, f, loc);

    // Drop a leading weekday only when there is one: a locale whose long form
    // starts with the day of the month must keep it.
    for (const std::string* name : {&loc.weekdays[f.dayOfWeek], &loc.abWeekdays[f.dayOfWeek]}) {
        if (!name->empty() && text.compare(0, name->size(), *name) == 0) {
            text.erase(0, name->size());
            break;
        }
    }
    std::string out;
    for (char c : text) {
        if (c == ',')
            continue;
        if ((c == ' ' || c == '\t') && (out.empty() || out.back() == ' '))
            continue;
        out += c == '\t' ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string CDateTimeEx::FormatDate(bool fourDigitYear) const
{
    return FormatDate(fourDigitYear, CDateLocale::Current());
}

std::string CDateTimeEx::FormatTime(bool withoutSeconds) const
{
    return FormatTime(withoutSeconds, CDateLocale::Current());
}

std::string CDateTimeEx::FormatDateTime(bool fourDigitYear, bool withoutSeconds) const
{
    return FormatDateTime(fourDigitYear, withoutSeconds, CDateLocale::Current());
}

std::string CDateTimeEx::FormatLong() const
{
    return FormatLong(CDateLocale::Current());
}

std::string CDateTimeEx::Format(std::string_view format) const
{
    if (!IsValid())
        return {};
    return FormatStrftime(format, GetFields(), CDateLocale::Current());
}

bool CDateTimeEx::Parse(std::string_view text, const CDateLocale& loc)
{
    const std::optional<DateFields> f = ParseDateTimeText(text, loc);
    if (!f) {
        m_dt = 0;
        m_status = invalid;
        return false;
    }
    return SetDateTime(f->year, f->month, f->day, f->hour, f->minute, f->second);
}

bool CDateTimeEx::Parse(std::string_view text)
{
    return Parse(text, CDateLocale::Current());
}

// ---- Stored forms ------------------------------------------------------------------------------

std::string CDateTimeEx::ToStorageDate() const
{
    if (!IsValid())
        return {};
    const DateFields f = GetFields();
    return Digits(f.year, 4) + Digits(f.month, 2) + Digits(f.day, 2);
}

std::string CDateTimeEx::ToStorageTime() const
{
    if (!IsValid())
        return {};
    const DateFields f = GetFields();
    return Digits(f.hour, 2) + Digits(f.minute, 2) + Digits(f.second, 2);
}

std::string CDateTimeEx::ToStorageText() const
{
    if (!IsValid())
        return {};
    return ToStorageDate() + " " + ToStorageTime();
}

bool CDateTimeEx::FromStorageDate(std::string_view text, CDateTimeEx& out)
{
    if (text.size() != 8 || !AllDigits(text))
        return false;
    CDateTimeEx v;
    if (!v.SetDateTime(DigitsValue(text.substr(0, 4)), DigitsValue(text.substr(4, 2)),
                       DigitsValue(text.substr(6, 2)), 0, 0, 0))
        return false;
    out = v;
    return true;
}

bool CDateTimeEx::FromStorageTime(std::string_view text, CDateTimeEx& out)
{
    if (text.size() != 6 || !AllDigits(text))
        return false;
    CDateTimeEx v;
    if (!v.SetDateTime(1899, 12, 30, DigitsValue(text.substr(0, 2)), DigitsValue(text.substr(2, 2)),
                       DigitsValue(text.substr(4, 2))))
        return false;
    out = v;
    return true;
}

bool CDateTimeEx::FromStorageText(std::string_view text, CDateTimeEx& out)
{
    if (text.size() != 15 || text[8] != ' ')
        return false;
    CDateTimeEx date, time;
    if (!FromStorageDate(text.substr(0, 8), date) || !FromStorageTime(text.substr(9), time))
        return false;
    out = FromLinearDays(date.GetLinearDays() + time.GetLinearDays());
    return true;
}

// ---- Calendar rule
// -------------------------------------------------------------------------------

CDateTimeEx CDateTimeEx::NthWeekdayOfMonth(int year, int month, int dayOfWeek, int week)
{
    CDateTimeEx v;
    if (dayOfWeek < 0 || dayOfWeek > 6 || week < 1 || week > 5 || !v.SetDate(year, month, 1)) {
        v.m_dt = 0;
        v.m_status = invalid;
        return v;
    }
    const int firstDow = v.GetFields().dayOfWeek;
    int day = 1 + (dayOfWeek - firstDow + 7) % 7;
    if (week <= 4)
        day += 7 * (week - 1);
    else
        while (day + 7 <= DaysInMonth(year, month))
            day += 7;
    v.SetDate(year, month, day);
    return v;
}

// ---- Arithmetic
// ---------------------------------------------------------------------------------------

CDateTimeEx& CDateTimeEx::operator+=(const CDateTimeSpanEx& span)
{
    if (m_status == null || span.GetStatus() == CDateTimeSpanEx::null) {
        m_dt = 0;
        m_status = null;
    } else if (m_status != valid || !span.IsValid()) {
        m_dt = 0;
        m_status = invalid;
    } else {
        *this = FromLinearDays(GetLinearDays() + span.m_span);
    }
    return *this;
}

CDateTimeEx& CDateTimeEx::operator-=(const CDateTimeSpanEx& span)
{
    return *this += -span;
}

CDateTimeEx CDateTimeEx::operator+(const CDateTimeSpanEx& span) const
{
    CDateTimeEx v = *this;
    return v += span;
}

CDateTimeEx CDateTimeEx::operator-(const CDateTimeSpanEx& span) const
{
    CDateTimeEx v = *this;
    return v -= span;
}

CDateTimeSpanEx CDateTimeEx::operator-(const CDateTimeEx& other) const
{
    CDateTimeSpanEx span = CDateTimeSpanEx::FromDays(GetLinearDays() - other.GetLinearDays());
    if (m_status == null || other.m_status == null) {
        span.m_span = 0;
        span.SetStatus(CDateTimeSpanEx::null);
    } else if (m_status != valid || other.m_status != valid) {
        span.m_span = 0;
        span.SetStatus(CDateTimeSpanEx::invalid);
    }
    return span;
}

bool CDateTimeEx::operator==(const CDateTimeEx& other) const
{
    return m_status == other.m_status && GetLinearDays() == other.GetLinearDays();
}

bool CDateTimeEx::operator<(const CDateTimeEx& other) const
{
    return GetLinearDays() < other.GetLinearDays();
}

// ---- Local time and UTC
// -----------------------------------------------------------------------------------

CDateTimeSpanEx CDateTimeEx::GetUtcBias() const
{
    if (!IsValid())
        return CDateTimeSpanEx(0L);
    return CDateTimeSpanEx(-OffsetForLocalReading(ClockSeconds(GetLinearDays())));
}

CDateTimeEx CDateTimeEx::LocalToUtc() const
{
    if (!IsValid())
        return *this;
    const long offset = OffsetForLocalReading(ClockSeconds(GetLinearDays()));
    return FromLinearDays(LinearFromSeconds(RoundedSeconds(GetLinearDays()) - offset));
}

CDateTimeEx CDateTimeEx::UtcToLocal() const
{
    if (!IsValid())
        return *this;
    tzset();
    const long offset = OffsetAt(ClockSeconds(GetLinearDays()));
    return FromLinearDays(LinearFromSeconds(RoundedSeconds(GetLinearDays()) + offset));
}

}   // namespace app

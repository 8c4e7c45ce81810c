#pragma once
// A point in time as the program holds every time: days since 30 December
// 1899 as a double (fraction = time of day) with a status.
//
// Negative values follow the established rule of this representation: the
// whole part counts days back from 1899-12-30 and the fraction still counts
// forward from that day's midnight, so -1.25 is 29 December 1899 06:00.
// Arithmetic and comparison therefore go through a continuous ("linear")
// day count, never the raw double.
//
// Valid values lie from 100-01-01 00:00:00 to 9999-12-31 23:59:59. Times are
// local unless a caller says UTC; conversions use the tz database for the
// value's own date.

#include "app/DateLocale.h"
#include "app/DateTimeSpanEx.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace app {

class CDateTimeEx {
public:
    enum DateTimeStatus : std::int32_t { valid = 0, invalid = 1, null = 2 };

    CDateTimeEx() = default;
    // A raw day count; status invalid when it lies outside the valid range.
    explicit CDateTimeEx(double days);
    CDateTimeEx(int year, int month, int day, int hour, int minute, int second);
    // Seconds since 1970 shown as local time.
    CDateTimeEx& operator=(std::time_t seconds);

    static CDateTimeEx GetCurrentTime();   // local time now

    // False (and status invalid) for a date outside 100-9999 or a field out of range.
    bool SetDateTime(int year, int month, int day, int hour, int minute, int second);
    bool SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }
    void SetStatus(DateTimeStatus status) { m_status = status; }
    DateTimeStatus GetStatus() const { return m_status; }
    bool IsValid() const { return m_status == valid; }

    // Fields of the value rounded to the nearest second; meaningless unless valid.
    DateFields GetFields() const;
    int GetYear() const { return GetFields().year; }
    int GetMonth() const { return GetFields().month; }
    int GetDay() const { return GetFields().day; }
    int GetHour() const { return GetFields().hour; }
    int GetMinute() const { return GetFields().minute; }
    int GetSecond() const { return GetFields().second; }
    int GetDayOfWeek() const { return GetFields().dayOfWeek + 1; }   // 1 Sunday ... 7 Saturday

    // ---- Locale formats (pictures for date-time edits) ----
    static std::string GetShortDateFormat(bool fourDigitYear);
    static std::string GetShortDateFormat(bool fourDigitYear, const CDateLocale& loc);
    static std::string GetTimeFormat(bool withoutSeconds);
    static std::string GetTimeFormat(bool withoutSeconds, const CDateLocale& loc);
    static std::string GetDateTimeFormat(bool fourDigitYear, bool withoutSeconds);
    static std::string GetDateTimeFormat(bool fourDigitYear, bool withoutSeconds,
                                         const CDateLocale& loc);

    // ---- Display text (empty when the value is not valid) ----
    std::string FormatDate(bool fourDigitYear) const;
    std::string FormatDate(bool fourDigitYear, const CDateLocale& loc) const;
    std::string FormatTime(bool withoutSeconds) const;
    std::string FormatTime(bool withoutSeconds, const CDateLocale& loc) const;
    std::string FormatDateTime(bool fourDigitYear, bool withoutSeconds) const;
    std::string FormatDateTime(bool fourDigitYear, bool withoutSeconds,
                               const CDateLocale& loc) const;
    // The locale's long date and time without a leading weekday and without
    // commas. For showing only: nothing stores it.
    std::string FormatLong() const;
    std::string FormatLong(const CDateLocale& loc) const;
    // strftime-style text of the value with the given locale (Format("%Y") ...).
    std::string Format(std::string_view format) const;

    // Reads date and/or time text in the locale's forms; on failure the value
    // becomes 0 with status invalid.
    bool Parse(std::string_view text);
    bool Parse(std::string_view text, const CDateLocale& loc);

    // ---- Fixed, locale-free stored forms ----
    // "YYYYMMDD", "HHMMSS" and "YYYYMMDD HHMMSS"; empty when not valid.
    std::string ToStorageDate() const;
    std::string ToStorageTime() const;
    std::string ToStorageText() const;
    // Strict readers of the same forms: exact digit counts, fields checked.
    // A stored date gives midnight; a stored time gives that time on 1899-12-30.
    static bool FromStorageDate(std::string_view text, CDateTimeEx& out);
    static bool FromStorageTime(std::string_view text, CDateTimeEx& out);
    static bool FromStorageText(std::string_view text, CDateTimeEx& out);

    // Date of the n-th weekday (0 Sunday ... 6 Saturday) of a month at 00:00;
    // week 1-4 the n-th occurrence, 5 the last. Invalid for other arguments.
    static CDateTimeEx NthWeekdayOfMonth(int year, int month, int dayOfWeek, int week);

    // ---- Arithmetic ----
    CDateTimeEx& operator+=(const CDateTimeSpanEx& span);
    CDateTimeEx& operator-=(const CDateTimeSpanEx& span);
    CDateTimeEx operator+(const CDateTimeSpanEx& span) const;
    CDateTimeEx operator-(const CDateTimeSpanEx& span) const;
    CDateTimeSpanEx operator-(const CDateTimeEx& other) const;
    bool operator==(const CDateTimeEx& other) const;
    bool operator!=(const CDateTimeEx& other) const { return !(*this == other); }
    bool operator<(const CDateTimeEx& other) const;
    bool operator>(const CDateTimeEx& other) const { return other < *this; }
    bool operator<=(const CDateTimeEx& other) const { return !(other < *this); }
    bool operator>=(const CDateTimeEx& other) const { return !(*this < other); }

    // ---- Local time and UTC ----
    // The span to add to this local time to get UTC, from the zone's rules for
    // this value's own date. A local time that occurs twice (clocks going back)
    // is taken as its first occurrence; one that does not occur (clocks going
    // forward) is read with the offset in force before the change.
    CDateTimeSpanEx GetUtcBias() const;
    CDateTimeEx LocalToUtc() const;   // a value that is not valid comes back unchanged
    CDateTimeEx UtcToLocal() const;   // likewise

    // Continuous day count (no negative-date rule); the value arithmetic uses.
    double GetLinearDays() const;
    static CDateTimeEx FromLinearDays(double linear);

    double m_dt = 0.0;
    DateTimeStatus m_status = valid;
};

}   // namespace app

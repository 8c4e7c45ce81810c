#pragma once
// The user's date and time conventions as the C library's locale gives them
// (LC_TIME), in the two forms the program needs: strftime formats for display
// text, and "pictures" (yyyy, MM, dd, HH, hh, mm, ss, tt) for date-time edit
// controls and the short date and time texts.
//
// Everything that depends on the locale takes a CDateLocale, so tests can
// give one directly; the program uses CDateLocale::Current().

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace app {

// Broken-down calendar fields of a value. dayOfWeek: 0 Sunday ... 6 Saturday.
struct DateFields {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 6;
    int dayOfYear = 364;   // 1-based
};

class CDateLocale {
public:
    std::string dateFormat = "%m/%d/%y";   // strftime form of the short date
    std::string timeFormat = "%H:%M:%S";
    std::string dateTimeFormat = "%a %b %e %H:%M:%S %Y";
    std::string timeFormatAmPm = "%I:%M:%S %p";   // what %r stands for
    std::string am = "AM";
    std::string pm = "PM";
    std::array<std::string, 12> months{"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
    std::array<std::string, 12> abMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 7> weekdays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    std::array<std::string, 7> abWeekdays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

    // The C ("POSIX") conventions: the member defaults above.
    static CDateLocale Classic() { return {}; }
    // The process's current LC_TIME locale; re-read when the locale changes.
    static const CDateLocale& Current();

    std::string ShortDatePicture() const;
    std::string TimePicture() const;
    // The first separator between fields of the short date ("/" when none).
    std::string DateSeparator() const;
    // The first separator between fields of the time (":" when none).
    std::string TimeSeparator() const;
    // Order of day, month and year in the short date: "MDY", "DMY" or "YMD".
    std::string DateOrder() const;
};

// strftime conversions -> picture letters. Literal letters are quoted ('h');
// conversions with no picture counterpart (%Z, %z, %j, ...) are dropped.
std::string PictureFromStrftime(std::string_view format);

// Expands a picture for the given fields. Years print at least four digits
// for "yyyy" and "yyy" (year 101 is "0101"), two for "yy", and without
// padding for "y".
std::string FormatPicture(std::string_view picture, const DateFields& f, const CDateLocale& loc);

// Expands a strftime format with our own code, so years below 1000 and the
// locale given (rather than the process's) are honoured. %Z and %z expand to
// nothing: a zone name would be wrong for most dates shown.
std::string FormatStrftime(std::string_view format, const DateFields& f, const CDateLocale& loc);

// Lenient reading of date and time text the way a user or the locale writes
// it: numeric dates in the locale's order (the other orders are tried when
// that gives no date), month names, weekday names (ignored), times
// "h:m[:s]" with AM/PM designators, two-digit years 00-29 -> 2000s and
// 30-99 -> 1900s. A text with no date gives 1899-12-30; no time gives
// midnight. Any word that is not a month, weekday or designator fails.
std::optional<DateFields> ParseDateTimeText(std::string_view text, const CDateLocale& loc,
                                            bool timeOnly = false);

int DaysInMonth(int year, int month);   // 0 for a month outside 1-12

// Searches for `letters` outside quoted literals; npos when absent.
size_t FindInPicture(std::string_view picture, std::string_view letters);

}   // namespace app

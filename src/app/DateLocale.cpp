#include "app/DateLocale.h"

#include <clocale>
#include <cstdio>
#include <langinfo.h>

namespace app {

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string Number(int value, int width, char pad = '0')
{
    std::string s = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, width - s.size(), pad);
    return value < 0 ? "-" + s : s;
}

int Hour12(int hour)
{
    const int h = hour % 12;
    return h == 0 ? 12 : h;
}

// Picture letters that make a field; anything else between them is a separator.
bool IsPictureLetter(char c)
{
    return c == 'y' || c == 'M' || c == 'd' || c == 'H' || c == 'h' || c == 'm' || c == 's' ||
           c == 't';
}

std::string FirstSeparator(const std::string& picture, const char* fallback)
{
    bool seenField = false;
    bool quoted = false;
    std::string sep;
    for (char c : picture) {
        if (c == '\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsPictureLetter(c)) {
            if (!sep.empty())
                return sep;
            seenField = true;
        } else if (seenField) {
            sep += c;
        }
    }
    return fallback;
}

std::string Langinfo(nl_item item)
{
    const char* s = nl_langinfo(item);
    return s ? s : "";
}

}   // namespace

// ---- Locale -------------------------------------------------------------------

const CDateLocale& CDateLocale::Current()
{
    // nl_langinfo answers for the process's locale; cache per thread and
    // refresh when the locale's name changes.
    thread_local std::string cachedName;
    thread_local CDateLocale cached;
    thread_local bool filled = false;
    const char* name = std::setlocale(LC_TIME, nullptr);
    const std::string current = name ? name : "C";
    if (filled && current == cachedName)
        return cached;

    CDateLocale loc;
    loc.dateFormat = Langinfo(D_FMT);
    loc.timeFormat = Langinfo(T_FMT);
    loc.dateTimeFormat = Langinfo(D_T_FMT);
    loc.timeFormatAmPm = Langinfo(T_FMT_AMPM);
    loc.am = Langinfo(AM_STR);
    loc.pm = Langinfo(PM_STR);
    static const nl_item kMon[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                     MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
    static const nl_item kAbMon[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                       ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    static const nl_item kDay[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
    static const nl_item kAbDay[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                      ABDAY_5, ABDAY_6, ABDAY_7};
    for (int i = 0; i < 12; ++i) {
        loc.months[i] = Langinfo(kMon[i]);
        loc.abMonths[i] = Langinfo(kAbMon[i]);
    }
    for (int i = 0; i < 7; ++i) {
        loc.weekdays[i] = Langinfo(kDay[i]);
        loc.abWeekdays[i] = Langinfo(kAbDay[i]);
    }
    const CDateLocale classic;
    if (loc.dateFormat.empty())
        loc.dateFormat = classic.dateFormat;
    if (loc.timeFormat.empty())
        loc.timeFormat = classic.timeFormat;
    if (loc.dateTimeFormat.empty())
        loc.dateTimeFormat = classic.dateTimeFormat;
    if (loc.timeFormatAmPm.empty())
        loc.timeFormatAmPm = classic.timeFormatAmPm;

    cached = std::move(loc);
    cachedName = current;
    filled = true;
    return cached;
}

std::string CDateLocale::ShortDatePicture() const
{
    return PictureFromStrftime(dateFormat);
}

std::string CDateLocale::TimePicture() const
{
    return PictureFromStrftime(timeFormat);
}

std::string CDateLocale::DateSeparator() const
{
    return FirstSeparator(ShortDatePicture(), "/");
}

std::string CDateLocale::TimeSeparator() const
{
    return FirstSeparator(TimePicture(), ":");
}

std::string CDateLocale::DateOrder() const
{
    const std::string p = ShortDatePicture();
    const size_t y = FindInPicture(p, "y");
    const size_t m = FindInPicture(p, "M");
    const size_t d = FindInPicture(p, "d");
    if (y != std::string::npos && (m == std::string::npos || y < m) &&
        (d == std::string::npos || y < d))
        return "YMD";
    if (d != std::string::npos && m != std::string::npos && d < m)
        return "DMY";
    return "MDY";
}

size_t FindInPicture(std::string_view picture, std::string_view letters)
{
    bool quoted = false;
    for (size_t i = 0; i < picture.size(); ++i) {
        if (picture[i] == '\'')
            quoted = !quoted;
        else if (!quoted && picture.substr(i, letters.size()) == letters)
            return i;
    }
    return std::string_view::npos;
}

// ---- strftime -> picture --------------------------------------------------------

std::string PictureFromStrftime(std::string_view format)
{
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            if (IsAsciiLetter(c) || c == '\'')
                out.append("'").append(1, c).append("'");
            else
                out += c;
            continue;
        }
        // Flags and the E/O modifiers change nothing a picture can say.
        ++i;
        while (i < format.size() &&
               (format[i] == '-' || format[i] == '_' || format[i] == '0' || format[i] == '^' ||
                format[i] == '#' || format[i] == 'E' || format[i] == 'O'))
            ++i;
        if (i >= format.size())
            break;
        switch (format[i]) {
        case 'd': out += "dd"; break;
        case 'e': out += "d"; break;
        case 'm': out += "MM"; break;
        case 'b':
        case 'h': out += "MMM"; break;
        case 'B': out += "MMMM"; break;
        case 'a': out += "ddd"; break;
        case 'A': out += "dddd"; break;
        case 'y': out += "yy"; break;
        case 'Y': out += "yyyy"; break;
        case 'H': out += "HH"; break;
        case 'k': out += "H"; break;
        case 'I': out += "hh"; break;
        case 'l': out += "h"; break;
        case 'M': out += "mm"; break;
        case 'S': out += "ss"; break;
        case 'p':
        case 'P': out += "tt"; break;
        case 'D': out += "MM/dd/yy"; break;
        case 'F': out += "yyyy-MM-dd"; break;
        case 'T': out += "HH:mm:ss"; break;
        case 'R': out += "HH:mm"; break;
        case 'r': out += "hh:mm:ss tt"; break;
        case 'n':
        case 't': out += ' '; break;
        case '%': out += '%'; break;
        default: break;   // %Z, %z, %j, %U ... have no picture letter
        }
    }
    // A dropped conversion may leave a dangling blank.
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// ---- Picture -> text --------------------------------------------------------------

std::string FormatPicture(std::string_view picture, const DateFields& f, const CDateLocale& loc)
{
    std::string out;
    size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            const size_t close = picture.find('\'', i + 1);
            const size_t end = close == std::string_view::npos ? picture.size() : close;
            out.append(picture.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        size_t n = 1;
        while (i + n < picture.size() && picture[i + n] == c)
            ++n;
        switch (c) {
        case 'y':
            out += n == 1   ? std::to_string(f.year % 100)
                   : n == 2 ? Number(f.year % 100, 2)
                            : Number(f.year, 4);
            break;
        case 'M':
            out += n == 1   ? std::to_string(f.month)
                   : n == 2 ? Number(f.month, 2)
                   : n == 3 ? loc.abMonths[(f.month + 11) % 12]
                            : loc.months[(f.month + 11) % 12];
            break;
        case 'd':
            out += n == 1   ? std::to_string(f.day)
                   : n == 2 ? Number(f.day, 2)
                   : n == 3 ? loc.abWeekdays[f.dayOfWeek % 7]
                            : loc.weekdays[f.dayOfWeek % 7];
            break;
        case 'H': out += n == 1 ? std::to_string(f.hour) : Number(f.hour, 2); break;
        case 'h': out += n == 1 ? std::to_string(Hour12(f.hour)) : Number(Hour12(f.hour), 2); break;
        case 'm': out += n == 1 ? std::to_string(f.minute) : Number(f.minute, 2); break;
        case 's': out += n == 1 ? std::to_string(f.second) : Number(f.second, 2); break;
        case 't': {
            const std::string& d = f.hour < 12 ? loc.am : loc.pm;
            out += n == 1 ? d.substr(0, 1) : d;
            break;
        }
        default: out.append(n, c); break;
        }
        i += n;
    }
    return out;
}

// ---- strftime expansion -------------------------------------------------------------

std::string FormatStrftime(std::string_view format, const DateFields& f, const CDateLocale& loc)
{
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        ++i;
        char pad = 0;   // 0: the conversion's own padding
        while (i < format.size() &&
               (format[i] == '-' || format[i] == '_' || format[i] == '0' || format[i] == '^' ||
                format[i] == '#' || format[i] == 'E' || format[i] == 'O')) {
            if (format[i] == '-')
                pad = '-';
            else if (format[i] == '_')
                pad = ' ';
            else if (format[i] == '0')
                pad = '0';
            ++i;
        }
        if (i >= format.size())
            break;
        auto num = [&](int v, int width, char defPad) {
            if (pad == '-')
                return std::to_string(v);
            return Number(v, width, pad ? pad : defPad);
        };
        switch (format[i]) {
        case 'a': out += loc.abWeekdays[f.dayOfWeek % 7]; break;
        case 'A': out += loc.weekdays[f.dayOfWeek % 7]; break;
        case 'b':
        case 'h': out += loc.abMonths[(f.month + 11) % 12]; break;
        case 'B': out += loc.months[(f.month + 11) % 12]; break;
        case 'c': out += FormatStrftime(loc.dateTimeFormat, f, loc); break;
        case 'x': out += FormatStrftime(loc.dateFormat, f, loc); break;
        case 'X': out += FormatStrftime(loc.timeFormat, f, loc); break;
        case 'r': out += FormatStrftime(loc.timeFormatAmPm, f, loc); break;
        case 'D': out += FormatStrftime("%m/%d/%y", f, loc); break;
        case 'F': out += FormatStrftime("%Y-%m-%d", f, loc); break;
        case 'T': out += FormatStrftime("%H:%M:%S", f, loc); break;
        case 'R': out += FormatStrftime("%H:%M", f, loc); break;
        case 'C': out += num(f.year / 100, 2, '0'); break;
        case 'd': out += num(f.day, 2, '0'); break;
        case 'e': out += num(f.day, 2, ' '); break;
        case 'H': out += num(f.hour, 2, '0'); break;
        case 'k': out += num(f.hour, 2, ' '); break;
        case 'I': out += num(Hour12(f.hour), 2, '0'); break;
        case 'l': out += num(Hour12(f.hour), 2, ' '); break;
        case 'j': out += num(f.dayOfYear, 3, '0'); break;
        case 'm': out += num(f.month, 2, '0'); break;
        case 'M': out += num(f.minute, 2, '0'); break;
        case 'S': out += num(f.second, 2, '0'); break;
        case 'y': out += num(f.year % 100, 2, '0'); break;
        case 'Y': out += num(f.year, 4, '0'); break;
        case 'u': out += std::to_string(f.dayOfWeek == 0 ? 7 : f.dayOfWeek); break;
        case 'w': out += std::to_string(f.dayOfWeek); break;
        case 'p': out += f.hour < 12 ? loc.am : loc.pm; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '%': out += '%'; break;
        default: break;   // %Z, %z and the week numbers: nothing
        }
    }
    return out;
}

}   // namespace app

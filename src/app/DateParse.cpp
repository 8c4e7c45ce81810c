// Reading date and time text written by users and by the locale's formats.
#include "app/DateLocale.h"
#include "app/StringUtils.h"

#include <ctime>
#include <vector>

namespace app {

namespace {

const CDateLocale kClassic;

struct Number {
    int value;
    int digits;
};

struct Scan {
    std::vector<Number> numbers;
    int month = 0;   // from a month name
    int designator = 0;   // 1 AM, 2 PM
    bool hasTime = false;
    int time[3] = {0, 0, 0};
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsWordChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool SameWord(const std::string& word, const std::string& name)
{
    if (name.empty())
        return false;
    std::string n = app::ToLower(name);
    if (!n.empty() && n.back() == '.')
        n.pop_back();
    return word == n;
}

// Month 1-12 from a full or abbreviated name of the locale, or English.
int MonthOf(const std::string& word, const CDateLocale& loc)
{
    for (const CDateLocale* l : {&loc, &kClassic})
        for (int i = 0; i < 12; ++i)
            if (SameWord(word, l->months[i]) || SameWord(word, l->abMonths[i]))
                return i + 1;
    return 0;
}

bool IsWeekday(const std::string& word, const CDateLocale& loc)
{
    for (const CDateLocale* l : {&loc, &kClassic})
        for (int i = 0; i < 7; ++i)
            if (SameWord(word, l->weekdays[i]) || SameWord(word, l->abWeekdays[i]))
                return true;
    return false;
}

int DesignatorOf(const std::string& word, const CDateLocale& loc)
{
    if (SameWord(word, loc.am) || word == "am")
        return 1;
    if (SameWord(word, loc.pm) || word == "pm")
        return 2;
    return 0;
}

int ReadDigits(std::string_view text, size_t& i, int& digits)
{
    int v = 0;
    digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        if (digits < 9)
            v = v * 10 + (text[i] - '0');
        ++digits;
        ++i;
    }
    return v;
}

bool IsTimeSeparator(std::string_view text, size_t i, const std::string& sep)
{
    if (i >= text.size())
        return false;
    if (text[i] == ':')
        return true;
    return !sep.empty() && text.substr(i, sep.size()) == sep && i + sep.size() < text.size() &&
           IsDigit(text[i + sep.size()]);
}

size_t SeparatorLength(std::string_view text, size_t i, const std::string& sep)
{
    return text[i] == ':' ? 1 : sep.size();
}

bool Tokenise(std::string_view text, const CDateLocale& loc, Scan& scan)
{
    const std::string timeSep = loc.TimeSeparator();
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsDigit(c)) {
            int digits = 0;
            const int v = ReadDigits(text, i, digits);
            if (IsTimeSeparator(text, i, timeSep)) {
                if (scan.hasTime)
                    return false;
                scan.hasTime = true;
                scan.time[0] = v;
                for (int part = 1; part < 3 && IsTimeSeparator(text, i, timeSep); ++part) {
                    i += SeparatorLength(text, i, timeSep);
                    if (i >= text.size() || !IsDigit(text[i]))
                        return false;
                    int d = 0;
                    scan.time[part] = ReadDigits(text, i, d);
                    if (d > 2)
                        return false;
                }
            } else {
                scan.numbers.push_back({v, digits});
            }
        } else if (IsWordChar(c)) {
            size_t e = i;
            while (e < text.size() && IsWordChar(text[e]))
                ++e;
            const std::string word = app::ToLower(text.substr(i, e - i));
            i = e;
            if (i < text.size() && text[i] == '.')
                ++i;   // abbreviations such as "janv."
            if (const int m = MonthOf(word, loc)) {
                if (scan.month)
                    return false;
                scan.month = m;
            } else if (const int d = DesignatorOf(word, loc)) {
                scan.designator = d;
            } else if (!IsWeekday(word, loc)) {
                return false;
            }
        } else if (c == ' ' || c == '\t' || c == ',' || c == '/' || c == '-' || c == '.') {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

int FullYear(const Number& n)
{
    if (n.digits <= 2)
        return n.value < 30 ? 2000 + n.value : 1900 + n.value;
    return n.value;
}

bool IsYearLike(const Number& n)
{
    return n.digits >= 3 || n.value > 31;
}

int CurrentYear()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm.tm_year + 1900;
}

bool ValidDate(int y, int m, int d)
{
    return y >= 100 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= app::DaysInMonth(y, m);
}

// Assigns year, month and day from numbers in the given order ("MDY", "DMY" or "YMD").
bool TryOrder(const std::vector<Number>& n, const std::string& order, DateFields& out)
{
    int y = 0, m = 0, d = 0;
    for (size_t k = 0; k < 3; ++k) {
        switch (order[k]) {
        case 'Y': y = FullYear(n[k]); break;
        case 'M': m = n[k].digits <= 2 ? n[k].value : 0; break;
        case 'D': d = n[k].digits <= 2 ? n[k].value : 0; break;
        }
    }
    if (!ValidDate(y, m, d))
        return false;
    out.year = y;
    out.month = m;
    out.day = d;
    return true;
}

bool ResolveDate(const Scan& s, const CDateLocale& loc, DateFields& out)
{
    const std::string order = loc.DateOrder();
    const std::vector<Number>& n = s.numbers;
    if (s.month) {
        int y = 0, d = 0;
        if (n.size() == 1 && !IsYearLike(n[0])) {
            d = n[0].value;
            y = CurrentYear();
        } else if (n.size() == 2) {
            const bool firstIsYear = IsYearLike(n[0])   ? true
                                     : IsYearLike(n[1]) ? false
                                                        : order.find('Y') < order.find('D');
            y = FullYear(n[firstIsYear ? 0 : 1]);
            d = n[firstIsYear ? 1 : 0].value;
            if (n[firstIsYear ? 1 : 0].digits > 2)
                return false;
        } else {
            return false;
        }
        if (!ValidDate(y, s.month, d))
            return false;
        out.year = y;
        out.month = s.month;
        out.day = d;
        return true;
    }
    if (n.size() == 2) {
        std::vector<Number> three = n;
        const bool dayFirst = order == "DMY";
        three.push_back(Number{CurrentYear(), 4});
        return TryOrder(three, dayFirst ? "DMY" : "MDY", out);
    }
    if (n.size() != 3)
        return false;
    if (n[0].digits >= 3)
        return TryOrder(n, "YMD", out);
    if (TryOrder(n, order, out))
        return true;
    for (const char* other : {"MDY", "DMY", "YMD"})
        if (order != other && TryOrder(n, other, out))
            return true;
    return false;
}

}   // namespace

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::optional<app::DateFields> ParseDateTimeText(std::string_view text, const CDateLocale& loc,
                                                 bool timeOnly)
{
    Scan s;
    if (!Tokenise(text, loc, s))
        return std::nullopt;
    const bool hasDate = s.month != 0 || !s.numbers.empty();
    if (!hasDate && !s.hasTime)
        return std::nullopt;
    if (timeOnly && hasDate)
        return std::nullopt;

    app::DateFields f;   // 1899-12-30 00:00:00 unless the text says otherwise
    if (hasDate && !ResolveDate(s, loc, f))
        return std::nullopt;

    if (s.designator && !s.hasTime)
        return std::nullopt;
    if (s.hasTime) {
        int h = s.time[0];
        if (s.designator) {
            if (h < 1 || h > 12)
                return std::nullopt;
            h = h % 12 + (s.designator == 2 ? 12 : 0);
        }
        if (h > 23 || s.time[1] > 59 || s.time[2] > 59)
            return std::nullopt;
        f.hour = h;
        f.minute = s.time[1];
        f.second = s.time[2];
    }
    return f;
}

}   // namespace app

#include "app/DateTimeSpanEx.h"

#include "app/DateLocale.h"
#include "app/StringUtils.h"

#include <cmath>
#include <cstdlib>

namespace app {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::string Two(std::int64_t v)
{
    return (v < 10 ? "0" : "") + std::to_string(v);
}

bool ReadTwoDigits(std::string_view s, size_t at, int& out)
{
    if (at + 2 > s.size() || s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9')
        return false;
    out = (s[at] - '0') * 10 + (s[at + 1] - '0');
    return true;
}

}   // namespace

CDateTimeSpanEx::CDateTimeSpanEx(long seconds)
{
    SetSeconds(seconds);
}

CDateTimeSpanEx::CDateTimeSpanEx(long days, int hours, int minutes, int seconds)
{
    SetSpan(days, hours, minutes, seconds);
}

CDateTimeSpanEx CDateTimeSpanEx::FromDays(double days)
{
    CDateTimeSpanEx s;
    s.m_span = days;
    s.m_status = std::isfinite(days) ? valid : invalid;
    return s;
}

void CDateTimeSpanEx::SetSpan(long days, int hours, int minutes, int seconds)
{
    const std::int64_t secs = std::int64_t(hours) * 3600 + std::int64_t(minutes) * 60 + seconds;
    m_span = static_cast<double>(days) + static_cast<double>(secs) / kSecondsPerDay;
    m_status = valid;
}

void CDateTimeSpanEx::SetSeconds(long seconds)
{
    SetSpan(0, 0, 0, 0);
    m_span = static_cast<double>(seconds) / kSecondsPerDay;
}

std::int64_t CDateTimeSpanEx::GetTotalSeconds() const
{
    // Clamped well inside 64 bits so callers may negate and add freely.
    constexpr double kLimit = 4.0e18;
    const double secs = m_span * kSecondsPerDay;
    if (std::isnan(secs))
        return 0;
    if (secs >= kLimit || secs <= -kLimit)
        return secs > 0 ? static_cast<std::int64_t>(kLimit) : -static_cast<std::int64_t>(kLimit);
    return std::llround(secs);
}

long CDateTimeSpanEx::GetDays() const
{
    return static_cast<long>(GetTotalSeconds() / kSecondsPerDay);
}

int CDateTimeSpanEx::GetHours() const
{
    return static_cast<int>(GetTotalSeconds() % kSecondsPerDay / 3600);
}

int CDateTimeSpanEx::GetMinutes() const
{
    return static_cast<int>(GetTotalSeconds() % 3600 / 60);
}

int CDateTimeSpanEx::GetSeconds() const
{
    return static_cast<int>(GetTotalSeconds() % 60);
}

CDateTimeSpanEx& CDateTimeSpanEx::operator+=(const CDateTimeSpanEx& other)
{
    if (m_status == null || other.m_status == null) {
        m_span = 0;
        m_status = null;
    } else if (m_status != valid || other.m_status != valid) {
        m_span = 0;
        m_status = invalid;
    } else {
        m_span += other.m_span;
    }
    return *this;
}

CDateTimeSpanEx& CDateTimeSpanEx::operator-=(const CDateTimeSpanEx& other)
{
    return *this += -other;
}

CDateTimeSpanEx CDateTimeSpanEx::operator+(const CDateTimeSpanEx& other) const
{
    CDateTimeSpanEx s = *this;
    return s += other;
}

CDateTimeSpanEx CDateTimeSpanEx::operator-(const CDateTimeSpanEx& other) const
{
    CDateTimeSpanEx s = *this;
    return s -= other;
}

CDateTimeSpanEx CDateTimeSpanEx::operator-() const
{
    CDateTimeSpanEx s = *this;
    s.m_span = -m_span;
    return s;
}

bool CDateTimeSpanEx::operator==(const CDateTimeSpanEx& other) const
{
    return m_status == other.m_status && m_span == other.m_span;
}

// ---- Display text -------------------------------------------------------------------

std::string CDateTimeSpanEx::Format(const CDateLocale& locale) const
{
    if (!IsValid())
        return {};
    // The sign goes in front of the whole text: "-0 00:30:00" keeps a
    // half-hour negative span that whole days alone could not show.
    const std::int64_t total = GetTotalSeconds();
    const std::int64_t a = total < 0 ? -total : total;
    DateFields f;
    f.hour = static_cast<int>(a % kSecondsPerDay / 3600);
    f.minute = static_cast<int>(a % 3600 / 60);
    f.second = static_cast<int>(a % 60);
    return (total < 0 ? "-" : "") + std::to_string(a / kSecondsPerDay) + " " +
           FormatStrftime("%X", f, locale);
}

std::string CDateTimeSpanEx::Format() const
{
    return Format(CDateLocale::Current());
}

bool CDateTimeSpanEx::Parse(std::string_view text, const CDateLocale& locale)
{
    const std::string_view delimiters = " ,";
    bool bad = false;
    if (CountTokens(text, delimiters) <= 1) {
        const long seconds = StringToLongChecked(GetToken(1, text, delimiters), bad);
        if (bad)
            return false;
        SetSeconds(seconds);
        return true;
    }

    std::string days = GetToken(1, text, delimiters);
    const bool negative = days[0] == '-';
    if (negative)
        days.erase(0, 1);
    const long d = StringToLongChecked(days, bad);
    if (bad || d < 0 || days.find_first_of("xX+- ") != std::string::npos)
        return false;
    // Everything after the days is the time of day: a locale time such as
    // "12:30:00 AM" spans two tokens and both count.
    const size_t first = text.find_first_not_of(delimiters);
    const size_t afterDays = text.find_first_of(delimiters, first);
    const std::optional<DateFields> t = ParseDateTimeText(text.substr(afterDays), locale, true);
    if (!t)
        return false;
    SetSpan(d, t->hour, t->minute, t->second);
    if (negative)
        m_span = -m_span;
    return true;
}

bool CDateTimeSpanEx::Parse(std::string_view text)
{
    return Parse(text, CDateLocale::Current());
}

// ---- Stored form ------------------------------------------------------------------------

std::string CDateTimeSpanEx::ToStorageText() const
{
    if (!IsValid())
        return {};
    const std::int64_t total = GetTotalSeconds();
    const std::int64_t a = total < 0 ? -total : total;
    return (total < 0 ? "-" : "") + std::to_string(a / kSecondsPerDay) + " " +
           Two(a % kSecondsPerDay / 3600) + ":" + Two(a % 3600 / 60) + ":" + Two(a % 60);
}

bool CDateTimeSpanEx::FromStorageText(std::string_view text, CDateTimeSpanEx& out)
{
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.remove_prefix(1);
    const size_t blank = text.find(' ');
    if (blank == 0 || blank == std::string_view::npos || blank > 9 || text.size() != blank + 9)
        return false;
    long days = 0;
    for (size_t i = 0; i < blank; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        days = days * 10 + (text[i] - '0');
    }
    int h = 0, m = 0, s = 0;
    if (!ReadTwoDigits(text, blank + 1, h) || text[blank + 3] != ':' ||
        !ReadTwoDigits(text, blank + 4, m) || text[blank + 6] != ':' ||
        !ReadTwoDigits(text, blank + 7, s) || h > 23 || m > 59 || s > 59)
        return false;
    CDateTimeSpanEx v(days, h, m, s);
    if (negative)
        v.m_span = -v.m_span;
    out = v;
    return true;
}

}   // namespace app

#include "app/Registry.h"

#include "app/DateTimeEx.h"
#include "app/DateTimeSpanEx.h"

namespace app {

// Times are kept in their own file so that modules storing no times do not
// pull the date and time code in.

namespace {

// The stored form first; then what older settings or a hand edit hold (the
// display form, or for a span a number of seconds). Text that reads as
// neither leaves `out` alone.
template <class T>
bool StoredOrDisplayed(const std::string& text, T& out)
{
    T parsed;
    if (!T::FromStorageText(text, parsed) && !parsed.Parse(text))
        return false;
    out = parsed;
    return true;
}

}   // namespace

bool CRegistry::WriteTimeSpan(std::string_view name, const CDateTimeSpanEx& span)
{
    // The fixed form, not the locale's: settings outlive a change of locale.
    return WriteString(name, span.ToStorageText());
}

bool CRegistry::ReadTimeSpan(std::string_view name, CDateTimeSpanEx& span) const
{
    std::string text;
    return ReadText(name, text) && StoredOrDisplayed(text, span);
}

bool CRegistry::WriteDateTime(std::string_view name, const CDateTimeEx& when)
{
    // "YYYYMMDD HHMMSS": the locale's long form would not read back on a
    // machine with another language.
    return WriteString(name, when.ToStorageText());
}

bool CRegistry::ReadDateTime(std::string_view name, CDateTimeEx& when) const
{
    std::string text;
    return ReadText(name, text) && StoredOrDisplayed(text, when);
}

}   // namespace app

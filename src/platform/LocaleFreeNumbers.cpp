#include "platform/LocaleFreeNumbers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace platform {

namespace {

locale_t CLocale()
{
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return loc;
}

// Switches the calling thread to the C locale for one conversion; other
// threads keep theirs.
class CThreadInCLocale {
public:
    CThreadInCLocale() : m_previous(uselocale(CLocale())) { }
    ~CThreadInCLocale() { uselocale(m_previous); }
    CThreadInCLocale(const CThreadInCLocale&) = delete;
    CThreadInCLocale& operator=(const CThreadInCLocale&) = delete;

private:
    locale_t m_previous;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}   // namespace

double CStrToDouble(const char* text, char** end)
{
    return strtod_l(text, end, CLocale());
}

std::optional<double> ParseDouble(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    const std::string copy(text);   // strtod needs a terminated string
    char* end = nullptr;
    errno = 0;
    const double value = CStrToDouble(copy.c_str(), &end);
    const bool overflow = errno == ERANGE && std::fabs(value) > 1.0;
    if (end != copy.c_str() + copy.size() || overflow || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> ParseTypedDecimal(std::string_view text)
{
    std::string point(text);
    std::replace(point.begin(), point.end(), ',', '.');
    return ParseDouble(point);
}

std::string FormatC(const char* format, ...)
{
    const CThreadInCLocale inC;
    char small[128];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (n < 0) {
        va_end(again);
        return out;
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        out.assign(small, static_cast<std::size_t>(n));
    } else {
        std::vector<char> big(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), format, again);
        out.assign(big.data(), static_cast<std::size_t>(n));
    }
    va_end(again);
    return out;
}

}   // namespace platform

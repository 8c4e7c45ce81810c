#include "navigator/NavTexts.h"

#include <cmath>
#include <cstdio>

#include "app/DateTimeSpanEx.h"
#include "app/SystemUtils.h"

namespace navigator {
namespace {

// snprintf with "C" numbers: the program never calls setlocale for LC_NUMERIC,
// and Qt leaves the C library's numeric locale at "C".
template <class... Args>
std::string Printf(const char* format, Args... args)
{
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(std::min(n, 63)));
}

std::string TrimLeft(std::string text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

int WholeDegrees(double degrees)
{
    long whole = std::lround(degrees);
    whole %= 360;
    if (whole < 0)
        whole += 360;
    return static_cast<int>(whole);
}

}   // namespace

bool IsSet(double value)
{
    return std::isfinite(value) && value != nmea::kNoValue;
}

std::string FormatBearing3(double degrees)
{
    if (!IsSet(degrees))
        return {};
    return Printf("%03d", WholeDegrees(degrees));
}

std::string FormatCourseText(double degrees)
{
    if (!IsSet(degrees))
        return {};
    return " " + FormatBearing3(degrees);
}

std::string FormatSpeedText(double knots)
{
    if (!IsSet(knots))
        return {};
    return Printf("%4.1f", knots);
}

std::string FormatIndicatorDistance(double nm)
{
    if (!IsSet(nm))
        return {};
    const double a = std::fabs(nm);
    if (a < 10)
        return Printf("%4.2f", nm);
    if (a < 100)
        return Printf("%4.1f", nm);
    if (a < 10000)
        return Printf("%4.0f", nm);
    return "9999+";
}

std::string FormatDepthText(double metres)
{
    if (!IsSet(metres))
        return {};
    if (metres < 100)
        return Printf("%5.1f", metres);
    if (metres < 10000)
        return Printf("%4.0f", metres);
    return "9999+";
}

std::string FormatXteText(double xte)
{
    if (!IsSet(xte))
        return {};
    const double a = std::fabs(xte);
    if (a < 0.01)
        return "0.0";
    return TrimLeft(FormatIndicatorDistance(a));
}

std::string FormatXteIndicator(double xte)
{
    std::string text = FormatXteText(xte);
    if (text.empty() || xte == 0)
        return text;
    return xte < 0 ? "<<<" + text : text + ">>>";
}

std::string FormatTimeToGo(std::optional<long> seconds)
{
    if (!seconds || *seconds < 0)
        return {};
    return app::CDateTimeSpanEx(*seconds).Format();
}

std::string FormatCursorRangeBearing(double rangeNm, double bearing)
{
    if (!IsSet(rangeNm) || !IsSet(bearing))
        return {};
    const int b = WholeDegrees(bearing);
    const int reciprocal = (b + 180) % 360;
    // The general distance text: a cursor 10000 nm or more away still reads
    // as its number, not as the indicators' capped "9999+".
    return TrimLeft(app::FormatDistance(rangeNm)) + "nm, " + Printf("%03d", b) + "\u00b0, (" +
           Printf("%03d", reciprocal) + "\u00b0)";
}

std::string FormatPlanValue(double value)
{
    return IsSet(value) ? Printf("%6.1f", value) : std::string();
}

std::string FormatPlanEastWest(double degrees)
{
    if (!IsSet(degrees))
        return {};
    return Printf("%6.1f %c", std::fabs(degrees), degrees < 0 ? 'W' : 'E');
}

std::string DatumShiftText(int status, const std::string& chartKind)
{
    static const char* const kTexts[] = {"Applied",       "None applied",   "None available",
                                         "None required", "Not applicable", "Error"};
    if (status < 0 || status > 5)
        status = 5;
    std::string text = kTexts[status];
    if (status != 2 && status != 4 && !chartKind.empty())
        text += " - " + chartKind;
    return text;
}

std::string FormatWindAngle(double degrees)
{
    if (!IsSet(degrees))
        return {};
    if (!(degrees > 0.49 && degrees < 359.5))
        return "000";
    return Printf("%03d", WholeDegrees(degrees));
}

std::string WindReferenceText(char reference)
{
    switch (reference) {
    case 'R': return "Relative";
    case 'T': return "True";
    default: return {};
    }
}

std::string WindUnitText(char unit)
{
    switch (unit) {
    case 'K': return "Km/Hour";
    case 'M': return "Meters/Second";
    case 'N': return "kn";
    default: return {};
    }
}

}   // namespace navigator

#include "chartpoints/PanelPosition.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace chartpoints {

void CPanelPosition::Show(const geo::CPosition& stored)
{
    m_stored = stored;
    m_shown = stored;
    m_dLat = m_dLon = 0.0;
}

void CPanelPosition::ShowShifted(const geo::CPosition& stored, const geo::CPosition& shown)
{
    m_stored = stored;
    m_shown = shown;
    m_dLat = shown.GetLatitude() - stored.GetLatitude();
    m_dLon = shown.GetLongitude() - stored.GetLongitude();
}

geo::CPosition CPanelPosition::Back(double shownLatitude, double shownLongitude) const
{
    geo::CPosition back = m_stored;
    double lon = shownLongitude - m_dLon;
    if (lon > 180.0)
        lon -= 360.0;
    if (lon < -180.0)
        lon += 360.0;
    back.Set(shownLatitude - m_dLat, lon, m_stored.GetAltitude(), m_stored.GetDatum());
    return back;
}

namespace {

std::string AngleText(double degrees, int degreeDigits, char positive, char negative)
{
    const char hemisphere = degrees < 0 ? negative : positive;
    // Rounded once in thousandths of a minute, so 59.9996' never shows as 60.
    const long long total = std::llround(std::fabs(degrees) * 60000.0);
    const long long whole = total / 60000;
    const long long thousandths = total % 60000;
    std::string deg = std::to_string(whole);
    while (int(deg.size()) < degreeDigits)
        deg.insert(deg.begin(), '0');
    std::string min = std::to_string(thousandths / 1000);
    if (min.size() < 2)
        min.insert(min.begin(), '0');
    std::string frac = std::to_string(thousandths % 1000);
    while (frac.size() < 3)
        frac.insert(frac.begin(), '0');
    return deg + " " + min + "." + frac + " " + hemisphere;
}

}   // namespace

std::string LatitudeText(double degrees)
{
    return AngleText(degrees, 2, 'N', 'S');
}

std::string LongitudeText(double degrees)
{
    return AngleText(degrees, 3, 'E', 'W');
}

std::optional<double> ParseAngle(std::string_view text, bool latitude)
{
    std::vector<double> parts;
    int sign = 1;
    bool hemisphere = false;
    std::size_t i = 0;
    const auto isNumberStart = [](char c) {
        return (c >= '0' && c <= '9') || c == '.' || c == '-';
    };
    while (i < text.size()) {
        const char c = text[i];
        if (isNumberStart(c)) {
            if (hemisphere)
                return std::nullopt;   // numbers after the letter
            double v = 0;
            const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
            if (ec != std::errc())
                return std::nullopt;
            parts.push_back(v);
            i = std::size_t(end - text.data());
            continue;
        }
        const char up = char(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (up == (latitude ? 'N' : 'E') || up == (latitude ? 'S' : 'W')) {
            if (hemisphere)
                return std::nullopt;
            hemisphere = true;
            sign = up == 'S' || up == 'W' ? -1 : 1;
            ++i;
            continue;
        }
        if (c == ' ' || c == '\'' || c == '"' || c == '\t') {
            ++i;
            continue;
        }
        if (std::uint8_t(c) == 0xC2 && i + 1 < text.size() && std::uint8_t(text[i + 1]) == 0xB0) {
            i += 2;   // the degree sign in UTF-8
            continue;
        }
        return std::nullopt;
    }
    if (parts.empty() || parts.size() > 3)
        return std::nullopt;
    for (std::size_t k = 1; k < parts.size(); ++k)
        if (parts[k] < 0 || parts[k] >= 60 || parts[0] < 0)
            return std::nullopt;
    if (parts.size() > 1 && std::floor(parts[0]) != parts[0])
        return std::nullopt;
    double value = parts[0];
    if (parts.size() > 1)
        value += parts[1] / 60.0;
    if (parts.size() > 2)
        value += parts[2] / 3600.0;
    if (hemisphere && parts[0] < 0)
        return std::nullopt;
    value *= sign;
    const double limit = latitude ? 90.0 : 180.0;
    if (!std::isfinite(value) || value < -limit || value > limit)
        return std::nullopt;
    return value;
}

}   // namespace chartpoints

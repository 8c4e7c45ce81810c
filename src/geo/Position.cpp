#include "geo/Position.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "geo/DatumInfo.h"
#include "platform/LocaleFreeNumbers.h"

namespace geo {

namespace {

constexpr const char* kDegreeSign = "\xC2\xB0";

// The program-wide format, one value per setting as the settings are stored.
std::atomic<std::uint8_t> g_decimalPlaces{2};
std::atomic<bool> g_degMinSec{false};

std::string PadLeftZeros(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.insert(0, width - text.size(), '0');
    return text;
}

// Fixed-point text with exactly `decimals` decimals and no minimum width.
std::string FixedText(double value, int decimals)
{
    return platform::FormatC("%.*f", decimals, value);
}

// The minutes (or seconds) are rounded on their own; when that rounding reaches
// 60 the text would read 60, so it carries into the next larger unit instead.
struct CarriedField {
    std::int64_t whole;   // the next larger unit, after any carry
    std::string text;   // the rounded field, below 60
};

CarriedField CarryField(std::int64_t whole, double field, int decimals)
{
    std::string text = FixedText(field, decimals);
    if (platform::ParseDouble(text) >= 60.0) {
        ++whole;
        text = FixedText(0.0, decimals);
    }
    return {whole, text};
}

std::string FormatDM(const CDegreesPos& angle, int width, char hemisphere, int decimals)
{
    const CarriedField f = CarryField(angle.GetDegrees(), angle.GetMinutes(), decimals);
    return PadLeftZeros(std::to_string(f.whole), width) + kDegreeSign +
           PadLeftZeros(f.text, decimals + 3) + "'" + hemisphere;
}

std::string FormatDMS(const CDegreesPos& angle, int width, char hemisphere, int decimals)
{
    std::int64_t degrees = angle.GetDegrees();
    const double minutes = angle.GetMinutes();
    CarriedField sec = CarryField(static_cast<std::int64_t>(minutes), angle.GetSeconds(), decimals);
    if (sec.whole >= 60) {
        sec.whole -= 60;
        ++degrees;
    }
    return PadLeftZeros(std::to_string(degrees), width) + kDegreeSign +
           PadLeftZeros(std::to_string(sec.whole), 2) + "'" + PadLeftZeros(sec.text, decimals + 3) +
           hemisphere;
}

}   // namespace

CPositionFormat DisplayFormat()
{
    return {g_decimalPlaces.load(std::memory_order_relaxed),
            g_degMinSec.load(std::memory_order_relaxed)};
}

void SetDisplayFormat(const CPositionFormat& format)
{
    g_decimalPlaces.store(format.decimalPlaces, std::memory_order_relaxed);
    g_degMinSec.store(format.degMinSec, std::memory_order_relaxed);
}

std::uint16_t ResolveDatum(std::uint16_t datum)
{
    return datum == 0xFFFF ? DatumIndexWGS84() : datum;
}

CPosition::CPosition(double latitude, double longitude, double altitude, std::int16_t datum)
    : m_latitude(latitude, -90.0, 90.0), m_longitude(longitude, -180.0, 180.0),
      m_altitude(altitude), m_datum(ResolveDatum(static_cast<std::uint16_t>(datum)))
{ }

bool CPosition::operator==(const CPosition& other) const
{
    return GetLatitude() == other.GetLatitude() && GetLongitude() == other.GetLongitude() &&
           m_altitude == other.m_altitude && m_datum == other.m_datum && m_valid == other.m_valid;
}

bool CPosition::Set(double latitude, double longitude, double altitude, std::uint16_t datum)
{
    // Both angles are checked before either is stored, so a refused call
    // leaves the position exactly as it was.
    CDegreesPos lat = m_latitude;
    CDegreesPos lon = m_longitude;
    if (!lat.SetValue(latitude) || !lon.SetValue(longitude))
        return false;
    m_latitude = lat;
    m_longitude = lon;
    m_altitude = altitude;
    m_datum = ResolveDatum(datum);
    m_valid = 1;
    return true;
}

bool CPosition::SetFrom(const CPosition& other)
{
    const bool ok = Set(other.GetLatitude(), other.GetLongitude(), other.m_altitude, other.m_datum);
    m_valid = ok ? 1 : 0;
    return ok;
}

void CPosition::OffsetMinutes(double dLatMinutes, double dLonMinutes, std::uint16_t datum)
{
    m_latitude.SetValue(GetLatitude() + dLatMinutes * 0.016666666666666666);
    m_longitude.SetValue(GetLongitude() + dLonMinutes * 0.016666666666666666);
    m_datum = ResolveDatum(datum);
}

bool CPosition::IsValid() const
{
    return m_valid == 1 && m_latitude.IsValid() && m_longitude.IsValid();
}

std::string CPosition::FormatLatitude(const CPositionFormat& format) const
{
    return format.degMinSec ? FormatLatDMS(format.decimalPlaces)
                            : FormatLatDM(format.decimalPlaces);
}

std::string CPosition::FormatLongitude(const CPositionFormat& format) const
{
    return format.degMinSec ? FormatLonDMS(format.decimalPlaces)
                            : FormatLonDM(format.decimalPlaces);
}

std::string CPosition::FormatLatDM(std::uint8_t decimals) const
{
    return FormatDM(m_latitude, 2, GetLatHemisphere(), decimals);
}

std::string CPosition::FormatLonDM(std::uint8_t decimals) const
{
    return FormatDM(m_longitude, 3, GetLonHemisphere(), decimals);
}

std::string CPosition::FormatLatDMS(std::uint8_t decimals) const
{
    return FormatDMS(m_latitude, 2, GetLatHemisphere(), decimals);
}

std::string CPosition::FormatLonDMS(std::uint8_t decimals) const
{
    return FormatDMS(m_longitude, 3, GetLonHemisphere(), decimals);
}

std::string CPosition::GetDatumName() const
{
    return CDatumInfo::GetName(m_datum);
}

}   // namespace geo

#pragma once
// The geographic position used everywhere: latitude and longitude in degrees
// (north and east positive), an altitude in metres, the row of its datum in the
// datum table and a valid flag. A plain value, copied freely.

#include <cstdint>
#include <string>

#include "geo/DegreesPos.h"

namespace geo {

// How positions are shown: the decimals of the minutes (or seconds) and the
// choice of degrees, minutes and seconds over degrees and decimal minutes.
struct CPositionFormat {
    std::uint8_t decimalPlaces = 2;   // decimals of the minutes, or of the seconds
    bool degMinSec = false;   // degrees, minutes and seconds instead of decimal minutes
};

// The program-wide position format every position text without a format of its
// own is written in: 2 decimals of minutes until the main frame sets it from its
// "DecimalPlaces" and "DisplayDegMinSecPosition" settings, when they are loaded
// and again when they are applied. Written on the user-interface thread only;
// any thread may read it.
CPositionFormat DisplayFormat();
void SetDisplayFormat(const CPositionFormat& format);

class CPosition {
public:
    // Stores the angles without a range check and sets the valid flag. Datum -1
    // (0xFFFF) stands for the default datum, WGS 84.
    CPosition(double latitude = 0.0, double longitude = 0.0, double altitude = 0.0,
              std::int16_t datum = -1);
    // Copies keep every field, the valid flag included: positions are passed by
    // value and kept in containers, and a copy that set the flag would turn a
    // position marked invalid (no fix, refused input) into a valid one
    // depending on where the compiler copies.
    CPosition(const CPosition&) = default;
    CPosition& operator=(const CPosition&) = default;

    // Exact equality of latitude, longitude, altitude, datum and valid flag.
    bool operator==(const CPosition& other) const;
    bool operator!=(const CPosition& other) const { return !(*this == other); }

    // Stores all four values when both angles are in range; otherwise changes
    // nothing and returns false.
    bool Set(double latitude, double longitude, double altitude, std::uint16_t datum);
    // Set() from the other position's fields; the valid flag becomes the result.
    bool SetFrom(const CPosition& other);
    // Moves by a number of minutes on each axis; a move out of range is ignored
    // for that axis. The valid flag is left alone.
    void OffsetMinutes(double dLatMinutes, double dLonMinutes, std::uint16_t datum);

    bool IsValid() const;
    void Invalidate() { m_valid = 0; }

    double GetLatitude() const { return m_latitude.GetValue(); }
    double GetLongitude() const { return m_longitude.GetValue(); }
    double GetAltitude() const { return m_altitude; }
    std::uint16_t GetDatum() const { return m_datum; }
    const CDegreesPos& Latitude() const { return m_latitude; }
    const CDegreesPos& Longitude() const { return m_longitude; }

    char GetLatHemisphere() const { return GetLatitude() < 0.0 ? 'S' : 'N'; }
    char GetLonHemisphere() const { return GetLongitude() < 0.0 ? 'W' : 'E'; }

    // Display text, UTF-8 (the degree sign is U+00B0), in the program-wide
    // format or in the one given.
    std::string FormatLatitude() const { return FormatLatitude(DisplayFormat()); }
    std::string FormatLongitude() const { return FormatLongitude(DisplayFormat()); }
    std::string FormatLatitude(const CPositionFormat& format) const;
    std::string FormatLongitude(const CPositionFormat& format) const;
    std::string FormatLatDM(std::uint8_t decimals) const;
    std::string FormatLonDM(std::uint8_t decimals) const;
    std::string FormatLatDMS(std::uint8_t decimals) const;
    std::string FormatLonDMS(std::uint8_t decimals) const;

    std::string GetDatumName() const;

private:
    CDegreesPos m_latitude{0.0, -90.0, 90.0};
    CDegreesPos m_longitude{0.0, -180.0, 180.0};
    double m_altitude = 0.0;
    std::uint16_t m_datum = 0;
    std::uint8_t m_valid = 1;
};

// Datum 0xFFFF stands for the default datum: the table's WGS 84 row.
std::uint16_t ResolveDatum(std::uint16_t datum);

}   // namespace geo

#pragma once
// The sentences this program composes for instruments: route and waypoint
// uploads to a GPS receiver and the autopilot's steering sentence. Numbers
// are written locale-free; the texts carry no checksum or line end (the
// device base adds them).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nmea {

// NMEA 0183 allows 82 characters from '$' to the line end; the composed text
// leaves room for "*hh" and carriage return, line feed.
constexpr std::size_t kMaxComposedText = 82 - 5;

// A text put in a field: the characters that NMEA reserves (, * $ ! \ ^ ~)
// and anything outside printable ASCII become '-'.
std::string NmeaFieldText(std::string_view text);

// "ddmm.mm..." (latitude, 2 degree digits) or "dddmm.mm..." (longitude, 3):
// the total minutes are rounded to `decimals` first and then split, so the
// minutes never read 60.
std::string FormatDegreesMinutes(double degrees, int degreeDigits, int decimals);

// "$ECRTE,total,number,c,route,waypoint", cut to fit.
std::string ComposeRte(std::string_view total, std::string_view number, std::string_view mode,
                       std::string_view route, std::string_view waypoint);

// "$ECWPL,lat,N|S,lon,E|W,identifier", the identifier cut to fit. `decimals`
// is the "DecimalPlaces" setting: below 3 the minutes get 2 decimals.
std::string ComposeWpl(double latitudeDeg, double longitudeDeg, std::string_view identifier,
                       int decimalPlaces);

// The identifier of a waypoint by naming mode: 0 its ID, 1 its name, 2 the
// number, 3 number and name, 4 number and ID; trailing blanks and tabs
// removed; an empty one becomes number + 1. None for a mode above 4.
std::optional<std::string> WaypointIdentifier(int mode, std::string_view id, std::string_view name,
                                              int number);

struct CApbFields {
    bool statusValid = false;
    double crossTrackNm = 0;   // negative: steer left
    bool arrivalEntered = false;
    bool perpendicularPassed = false;
    double bearingOriginToDestination = 0;
    char bearingOriginReference = 'T';
    std::string destination;
    double bearingToDestination = 0;
    char bearingToDestinationReference = 'T';
    double headingToSteer = 0;
    char headingReference = 'T';
};

std::string ComposeApb(const CApbFields& fields);

// A bearing in degrees as a sentence field, "ddd.d" in 000.0-359.9: any
// angle is brought round, and one that rounds to 360.0 is written 000.0.
std::string BearingField(double degrees);

}   // namespace nmea

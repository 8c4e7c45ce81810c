#pragma once
// Conversions from the numbers the value store keeps in the sentences' own
// forms (hhmmss.ss, ddmmyy, signed dddmm.mmm) to what readers work with.

namespace nmea {

struct CNMEATimeOfDay {
    int dayCarry = 0;   // whole days in hours of 24 or more (time-to-go values)
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

struct CNMEADate {
    int day = 0;
    int month = 0;
    int year = 0;   // four digits: two-digit years below 70 are 20xx
};

// hhmmss.ss: the fraction of a second is dropped.
CNMEATimeOfDay NmeaTimeToHMS(double value);
// ddmmyy.
CNMEADate NmeaDateToDMY(double value);
// Signed dddmm.mmm to signed degrees; the sign carries through unchanged.
double NmeaDegMinToDegrees(double value);
// Signed degrees to signed dddmm.mmm.
double DegreesToNmeaDegMin(double degrees);
// An unsigned dddmm.mmm that is a place on the globe: at least 0 and, with
// its minutes (60 or more carry into the degrees) counted, no more than
// `maxDegrees` (90 for a latitude, 180 for a longitude).
bool NmeaDegMinWithin(double value, int maxDegrees);

}   // namespace nmea

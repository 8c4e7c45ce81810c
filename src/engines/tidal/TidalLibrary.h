#pragma once
// The tidal-model library's four calls, as the program links them. Every
// call returns a 16-bit code (TidalCodes.h), never throws, and may be called
// from any thread (one model is active at a time for the whole process).
//
// SetPath         the folder holding the models; 0 when it exists.
// SetDataFileName makes the model of the two file names (no folder) in that
//                 folder the active one; on failure the previous model stays.
// DLLInfo         fills two buffers of 80 bytes with version texts.
// DoPrediction    mode 1; latitude and longitude in 1e-7 degree; the UTC time;
//                 a reserved 0. On codes -3..0: w1 height above mean sea level
//                 in mm, w2 and w3 the east and north stream in mm/s, w4 the
//                 rate in mm/s, w5 the direction the stream runs towards in
//                 tenths of a degree true. Other codes leave the words alone.

#include <cstdint>

#if defined(__GNUC__)
#define BRINE_TIDAL_EXPORT __attribute__((visibility("default")))
#else
#define BRINE_TIDAL_EXPORT
#endif

extern "C" {

BRINE_TIDAL_EXPORT std::int16_t SetPath(const char* folder) noexcept;
BRINE_TIDAL_EXPORT std::int16_t SetDataFileName(const char* tidName, const char* datName) noexcept;
BRINE_TIDAL_EXPORT std::int16_t DLLInfo(char* first, char* second) noexcept;
BRINE_TIDAL_EXPORT std::int16_t DoPrediction(int mode, const std::int32_t* latitude,
                                             const std::int32_t* longitude, int day, int month,
                                             int year, int hour, int minute, int second,
                                             int reserved, std::int16_t* w1, std::int16_t* w2,
                                             std::int16_t* w3, std::int16_t* w4,
                                             std::int16_t* w5) noexcept;
}

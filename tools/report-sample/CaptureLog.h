#pragma once
// A vessel log from recorded NMEA captures: every capture whose fixes carry
// a date becomes one voyage of the own vessel, read through the program's
// own parser and position source, in the order the captures were recorded.

#include <filesystem>
#include <string>

namespace report_sample {

// Writes the log `path` (no extension) from the "*.nmea" files of
// `captures`. Each voyage opens with an event before its first fix (no
// position yet), has a logbook row per second of fixes and a track point per
// fix, and closes with an event at its last fix. The first voyage followed
// by one on a later day ends at 23:30 UTC with the receiver off; the last is
// never ended, as when the program stops under way. False with the reason in `error`.
bool WriteCaptureLog(const std::string& path, const std::filesystem::path& captures,
                     std::string& error);

}   // namespace report_sample

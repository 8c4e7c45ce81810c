#pragma once
// A named log "Passage" with two own-vessel appends, as the chooser tests
// read it: voyage "PS-1" with watch officer "Ada" holding a logbook row and a
// track point, ended two hours later; then an unnamed voyage holding a track
// point only, left open (no end time). The logbook is left open for the
// caller to go on with.

#include <gtest/gtest.h>

#include <chrono>

#include "FakeClock.h"
#include "TempFolder.h"
#include "navigator/VesselLogbook.h"

namespace brine_test {

inline void WriteTwoAppendLog(navigator::CVesselLogbook& log, FakeClock& clock,
                              const TempFolder& dir)
{
    log.SetFolder(dir.Path());
    ASSERT_TRUE(log.Open((dir / "Passage").string()));
    ASSERT_TRUE(log.StartVoyage("PS-1", "Ada"));
    navigator::CNavSnapshot s;
    s.position = geo::CPosition(47.6, -122.4, 0.0, -1);
    s.fixTimeUtc = clock.UtcNow();
    ASSERT_TRUE(log.WriteLogRecord(s));
    ASSERT_TRUE(log.WriteTrackPoint(s));
    clock.Advance(std::chrono::hours(2));
    ASSERT_TRUE(log.EndVoyage());
    log.SetAppendToExisting(true);
    ASSERT_TRUE(log.StartVoyage("", ""));
    ASSERT_TRUE(log.WriteTrackPoint(s));   // a track only
}

}   // namespace brine_test

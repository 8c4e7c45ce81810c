#pragma once
// Vessels as the navigator lists them. A vessel record (`CVessel`) is what an
// instrument reports about one vessel; its chart object (`CChartVessel`) is the
// record's entry on the navigator's list, placed on the chart. Radar targets
// and tenders are `CChartVTSVessel`s: they also remember when they last
// reported and when their track last got a fix.

#include <atomic>
#include <chrono>

#include "chart/overlays/ChartObject.h"

namespace navigator {

// The source type of a vessel record, as the vessel log's index keeps it
// (VSLTYPE); the list's users pick their own by it.
enum VesselKind : int { kVesselOwn = 1, kVesselArpa = 2, kVesselIgnored = 3, kVesselTender = 4 };

class CVessel {
public:
    explicit CVessel(VesselKind kind) : m_kind(kind) { }
    virtual ~CVessel() = default;
    CVessel(const CVessel&) = delete;
    CVessel& operator=(const CVessel&) = delete;

    VesselKind Kind() const { return m_kind; }

    // Set when the vessel joins the navigator's list; a radar target clears it
    // when reported lost. Read by instrument threads.
    std::atomic<bool> live{false};

private:
    const VesselKind m_kind;
};

// Each kind of chart object owns its record and says which it is.
class CChartVessel : public chart::CChartObject {
public:
    // The hit area is 12 by 12 pixels about the vessel's screen point.
    CChartVessel() { SetOffset({-6, -6, 6, 6}); }

    virtual const CVessel& Vessel() const = 0;
    VesselKind Kind() const { return Vessel().Kind(); }
    bool IsOfSourceType(VesselKind kind) const { return Kind() == kind; }
};

class CChartVTSVessel : public CChartVessel {
public:
    using Clock = std::chrono::system_clock;

    // The epoch until the first report and the first track fix.
    Clock::time_point lastReportTime{};
    Clock::time_point lastFixTime{};
};

}   // namespace navigator

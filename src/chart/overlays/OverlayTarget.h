#pragma once
// Radar targets and radio-tracked tenders over the chart: an oriented symbol,
// a projected path with minute marks, labels and a warning circle.
//
// A target's motion (position, course, speed, range, bearing, previous
// position and time) is one value. The reader thread writes it whole under
// the target's lock (UpdateFromNMEA, UpdateMotion); a paint copies it once
// under the same lock and draws from the copy, so nothing drawn is half
// written.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "chart/overlays/OverlayText.h"
#include "chart/overlays/OverlayVessel.h"
#include "nmea/NMEADataValue.h"

namespace chart {

// The time-stamped values a target's source keeps for it. Positions are
// signed ddmm.mmm with north and east negative.
struct CTargetValues {
    nmea::CNMEADataValue speed;   // knots
    nmea::CNMEADataValue range;   // nautical miles
    nmea::CNMEADataValue bearing;   // degrees
    nmea::CNMEADataValue bearingReference;   // "T" true, "R" relative
    nmea::CNMEADataValue course;   // degrees
    nmea::CNMEADataValue courseReference;   // "T" true, "R" relative
    nmea::CNMEADataValue key;   // the target's one-character key
    nmea::CNMEADataValue latitude;
    nmea::CNMEADataValue longitude;
};

// The target vessel record an overlay draws: what the target module keeps.
class CTargetVessel {
public:
    virtual ~CTargetVessel() = default;
    virtual bool IsShown() const = 0;
    // Set: the target colour; clear: dimmed red.
    virtual bool GetState() const = 0;
    virtual bool DrawCourseLine() const = 0;
    virtual std::string GetName() const = 0;
    virtual int GetNumber() const = 0;
    virtual std::string GetLabel() const = 0;
    virtual std::string GetIdText() const = 0;
    // Metres; geo::kUnsetValue when not known.
    virtual double GetDepth() const = 0;
    virtual const CTargetValues& Values() const = 0;
};

// The target module as its overlays see it.
class CTargetTracking {
public:
    virtual ~CTargetTracking() = default;
    virtual bool IsKnownTargetKey(char key) const = 0;
    virtual bool WarningCircles() const = 0;
    virtual double WarningCirclesRadius() const = 0;
    virtual CCurrentTargetCount& CurrentTargets() = 0;
};

struct CTargetMotion {
    geo::CPosition position = Invalid();
    geo::CPosition previous = Invalid();
    double course = geo::kUnsetValue;
    double speed = geo::kUnsetValue;
    double range = geo::kUnsetValue;
    double bearing = geo::kUnsetValue;
    std::int64_t previousTime = 0;   // seconds
    bool hasPreviousTime = false;

    static geo::CPosition Invalid()
    {
        geo::CPosition p(0.0, 0.0, 0.0);
        p.Invalidate();
        return p;
    }
};

class COverlayVTS : public COverlayVessel {
public:
    COverlayVTS(std::unique_ptr<CTargetVessel> record, CTargetTracking* tracking);

    // Copies the motion once, then draws from the copy.
    void Draw(CXDC& dc) override;
    bool IsShown() const override { return m_record && m_record->IsShown(); }
    void Prepare() override;
    void DrawSymbolAt(CXDC& dc, IntPoint point) override;
    void DrawAfter(CXDC& dc) override;
    void DrawTimeMarksAt(CXDC& dc, const std::vector<TimeMarkAt>& marks, double bearing) override;

    // The position from the record's position values; range, course and,
    // after at least a second, speed from the previous position.
    virtual bool UpdateMotion(std::int64_t nowSeconds);
    virtual void DrawLabels(CXDC&, IntPoint) { }
    virtual void DrawProjectedPath(CXDC& dc);

    CTargetMotion GetMotion() const;
    void SetMotion(const CTargetMotion& motion);
    CTargetProperties& Properties() { return m_properties; }
    CTargetVessel& Record() { return *m_record; }
    bool DrawsProjectedPath() const { return m_drawPath; }

protected:
    COverlayText MakeLabel() const;

    std::unique_ptr<CTargetVessel> m_record;
    CTargetTracking* m_tracking;
    CTargetProperties m_properties;
    mutable std::mutex m_lock;
    CTargetMotion m_motion;   // under m_lock

    // The paint's copy and what Prepare works out from it.
    CTargetMotion m_paint;
    double m_course = geo::kUnsetValue;
    bool m_drawPath = false;
    geo::CPosition m_pathEnd;
    bool m_courseLine = false;
};

// A radar target.
class COverlayTarget : public COverlayVTS {
public:
    using COverlayVTS::COverlayVTS;
    std::string GetDisplayName() const override { return "ARPA Target"; }
    // From range and bearing off the own vessel. Relative bearings are
    // turned true with the own course over ground. False, and the last
    // position kept, when a value is missing or unusable or the key is not
    // known.
    bool UpdateFromNMEA(const geo::CPosition& ownPosition, double ownCourseOverGround);
    void DrawLabels(CXDC& dc, IntPoint point) override;
};

// A radio-tracked tender.
class COverlayTenderTarget : public COverlayVTS {
public:
    using COverlayVTS::COverlayVTS;
    std::string GetDisplayName() const override { return "Tender Target"; }
    void DrawLabels(CXDC& dc, IntPoint point) override;
    // Man overboard is a current target.
    void SetManOverboard(bool on) { SetCurrentTarget(on); }
};

}   // namespace chart

#pragma once
// What the overlay tests share: a blank chart document in a window-less frame
// with an exact mapping, a drawing context that records, and fakes of the
// modules the overlays read from.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../../support/FakeChartWindow.h"
#include "app/DateTimeEx.h"
#include "chart/draw/RecordingBackend.h"
#include "chart/draw/XDC.h"
#include "chart/overlays/OverlayProperties.h"
#include "chart/overlays/OverlayServices.h"
#include "chart/overlays/OverlayTarget.h"
#include "charts/vector/BlankChartDoc.h"

namespace overlay_test {

using chart::DrawOp;
using chart::DrawRecord;
using geo::CPosition;
using geo::IntPoint;

// A blank chart in a frame of the given size, showing the extent given. The
// whole world in 720 x 360 maps half a degree to a pixel.
struct Chart {
    explicit Chart(int width = 720, int height = 360) : window(geo::IntRect{0, 0, width, height})
    {
        window.doc = doc.get();
        doc->AttachWindow(&window);
        EXPECT_TRUE(doc->OnOpenDocument(""));
    }
    Chart(CPosition northWest, CPosition southEast, int width = 800, int height = 400)
        : Chart(width, height)
    {
        EXPECT_TRUE(doc->SetViewExtent(northWest, southEast));
    }
    ~Chart() { doc->OnCloseDocument(); }

    IntPoint ClientPoint(const CPosition& p)
    {
        chart::PointList points;
        EXPECT_TRUE(doc->PositionToClientPoints(p, points));
        return points.empty() ? IntPoint{} : points.front();
    }

    brine_test::FakeChartWindow window;
    std::unique_ptr<charts::CBlankChartDoc> doc = std::make_unique<charts::CBlankChartDoc>();
};

// The world shown twice side by side: every position has a second client
// point one world width (720 pixels at the whole world's scale) to the east,
// as a chart with an inset shows a position in both panels.
class TwiceShownChart : public charts::CBlankChartDoc {
public:
    bool PositionToPoints(const CPosition& position, chart::PointList& points) override
    {
        if (!CBlankChartDoc::PositionToPoints(position, points))
            return false;
        points.push_back({points.back().x + 720, points.back().y});
        return true;
    }
};

// Puts a twice-shown chart of a small area off the south coast of England
// in place of a test chart's document (its `doc` and `window`).
template <class Chart>
void ShowTwice(Chart& chart)
{
    chart.doc->OnCloseDocument();
    chart.doc = std::make_unique<TwiceShownChart>();
    chart.window.doc = chart.doc.get();
    chart.doc->AttachWindow(&chart.window);
    ASSERT_TRUE(chart.doc->OnOpenDocument(""));
    ASSERT_TRUE(
        chart.doc->SetViewExtent(geo::CPosition(50.10, -1.20), geo::CPosition(49.90, -0.80)));
}

// A drawing context over the recording backend.
struct Recorder {
    Recorder() : dc(std::make_unique<chart::CRecordingBackend>()) { }
    const std::vector<DrawRecord>& Records() const
    {
        return static_cast<chart::CRecordingBackend*>(dc.Backend())->Records();
    }
    void Clear() { static_cast<chart::CRecordingBackend*>(dc.Backend())->Clear(); }
    std::vector<DrawRecord> Of(DrawOp op) const
    {
        std::vector<DrawRecord> out;
        std::copy_if(Records().begin(), Records().end(), std::back_inserter(out),
                     [op](const DrawRecord& r) { return r.op == op; });
        return out;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const DrawRecord& r : Of(DrawOp::Text))
            out.push_back(r.text);
        return out;
    }
    chart::CXDC dc;
};

class FakeRoute : public chart::CRouteOverlaySource {
public:
    const chart::CGreatCircleSettings& GreatCircleSettings() const override { return greatCircle; }
    const chart::CRouteDrawSettings& DrawSettings() const override { return draw; }
    const chart::CWaypointProperties& WaypointProperties() const override { return waypoints; }
    bool AreRouteTablesPositioned() const override { return positioned; }
    bool GetArrivalTime(int index, app::CDateTimeEx& when) const override
    {
        const auto it = arrivals.find(index);
        if (it == arrivals.end())
            return false;
        when = it->second;
        return true;
    }

    chart::CGreatCircleSettings greatCircle;
    chart::CRouteDrawSettings draw;
    chart::CWaypointProperties waypoints;
    bool positioned = true;
    std::map<int, app::CDateTimeEx> arrivals;
};

class FakeTides : public chart::CTidalSettingsSource {
public:
    chart::CTidalSettings GetTidalSettings() const override { return settings; }
    chart::CTidalSettings settings;
};

// A target record with its value store; values are stamped now and stay
// valid for a minute.
class FakeTarget : public chart::CTargetVessel {
public:
    FakeTarget()
    {
        for (nmea::CNMEADataValue* v : All())
            v->SetValiditySpan(std::chrono::minutes(1));
    }
    bool IsShown() const override { return shown; }
    bool GetState() const override { return state; }
    bool DrawCourseLine() const override { return courseLine; }
    std::string GetName() const override { return name; }
    int GetNumber() const override { return number; }
    std::string GetLabel() const override { return label; }
    std::string GetIdText() const override { return idText; }
    double GetDepth() const override { return depth; }
    const chart::CTargetValues& Values() const override { return values; }

    // Range and bearing values as a radar reports them.
    void Report(double range, double bearing, const char* bearingRef, double course,
                const char* courseRef, double speed, const char* key = "A")
    {
        values.range.SetDouble(range);
        values.bearing.SetDouble(bearing);
        values.bearingReference.SetString(bearingRef);
        values.course.SetDouble(course);
        values.courseReference.SetString(courseRef);
        values.speed.SetDouble(speed);
        values.key.SetString(key);
    }
    std::vector<nmea::CNMEADataValue*> All()
    {
        return {
            &values.speed,    &values.range,           &values.bearing, &values.bearingReference,
            &values.course,   &values.courseReference, &values.key,     &values.latitude,
            &values.longitude};
    }

    bool shown = true, state = true, courseLine = false;
    std::string name, label, idText;
    int number = 0;
    double depth = geo::kUnsetValue;
    chart::CTargetValues values;
};

class FakeTracking : public chart::CTargetTracking {
public:
    bool IsKnownTargetKey(char key) const override { return key >= 'A' && key <= 'Z'; }
    bool WarningCircles() const override { return warningCircles; }
    double WarningCirclesRadius() const override { return warningRadius; }
    chart::CCurrentTargetCount& CurrentTargets() override { return count; }

    bool warningCircles = false;
    double warningRadius = 0.5;
    chart::CCurrentTargetCount count;
};

}   // namespace overlay_test

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
#include "chart/OverlayProperties.h"
#include "chart/OverlayServices.h"
#include "chart/RecordingBackend.h"
#include "chart/XDC.h"
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

// A drawing context over the recording backend.
struct Recorder {
    Recorder() : dc(std::make_unique<chart::CRecordingBackend>()) {}
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
    bool GetArrivalTime(int index, CDateTimeEx& when) const override
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
    std::map<int, CDateTimeEx> arrivals;
};

class FakeTides : public chart::CTidalSettingsSource {
public:
    chart::CTidalSettings GetTidalSettings() const override { return settings; }
    chart::CTidalSettings settings;
};

}  // namespace overlay_test

#pragma once
// One installed chart in the charting module's folio: what the chart
// services know of a chart without opening it (kind, number, file name,
// outline), used to find a chart for a position and to offer charts for
// opening. Items belong to the folio; documents only point at them.

#include <cstdint>
#include <optional>
#include <string>

#include "geo/Clipping.h"

namespace chart {

struct CFolioItem {
    virtual ~CFolioItem() = default;

    std::uint32_t value = 0;
    int chartKind = 0;   // as CChartDoc::GetChartType
    std::uint8_t flag = 0;
    bool notOffered = false;   // left out of the open-chart lists and searches
    std::string fileName;
    std::string title;
    std::string text;
    std::uint32_t number = 0;   // with the file name, identifies the chart
    geo::IntPolygon outline;
    std::optional<geo::IntRect> outlineBounds;
    geo::IntPolygon secondOutline;   // used only when present
    std::optional<geo::IntRect> secondBounds;

    // The point lies in the outline, or in the second outline when there is one.
    bool ContainsPoint(geo::IntPoint point) const
    {
        if (geo::PointInPolygon(point, outline, outlineBounds ? &*outlineBounds : nullptr))
            return true;
        return !secondOutline.empty() &&
               geo::PointInPolygon(point, secondOutline, secondBounds ? &*secondBounds : nullptr);
    }
};

}   // namespace chart

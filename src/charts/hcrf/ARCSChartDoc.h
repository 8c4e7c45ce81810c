#pragma once
// The raster chart of the ARCS service: the shared raster document with its
// own kind and type name; "4000" is its world chart.

#include "charts/hcrf/HCRFDoc.h"

namespace charts::hcrf {

class CARCSChartDoc final : public CHCRFDoc {
public:
    using CHCRFDoc::CHCRFDoc;
    int GetChartType() const override { return chart::kChartARCS; }
    std::string GetChartTypeName() override { return "ARCS"; }
};

}   // namespace charts::hcrf

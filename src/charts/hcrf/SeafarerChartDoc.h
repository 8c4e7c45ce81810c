#pragma once
// The raster chart of the Seafarer service: the shared raster document with
// its own kind and type name; "4000", or "AUS4060" where that is missing, is
// its world chart.

#include "charts/hcrf/HCRFDoc.h"

namespace charts::hcrf {

class CSeafarerChartDoc final : public CHCRFDoc {
public:
    using CHCRFDoc::CHCRFDoc;
    int GetChartType() const override { return chart::kChartSeafarer; }
    std::string GetChartTypeName() override { return "Seafarer"; }
};

}   // namespace charts::hcrf

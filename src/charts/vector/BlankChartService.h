#pragma once
// The chart service of blank charts: it opens a new chart without a file,
// and every file kind no other service claims, as a blank world chart.

#include "chart/ChartModule.h"

namespace charts {

class CBlankChartService : public chart::CChartModule {
public:
    using CChartModule::CChartModule;
    bool OpensExtension(std::string_view extension) const override;
    std::string PathToOpen(const std::string& /*path*/) const override { return {}; }
    std::unique_ptr<chart::CChartDoc> CreateChartDoc(chart::CChartingModule& module) override;
};

}   // namespace charts

#include "charts/vector/BlankChartService.h"

#include <algorithm>
#include <cctype>

#include "charts/vector/BlankChartDoc.h"

namespace charts {

bool CBlankChartService::OpensExtension(std::string_view extension) const
{
    // Raster charts ("chr") are the raster services'; with none installed
    // such a file does not open at all rather than as a blank chart.
    std::string lower(extension);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower != "chr";
}

std::unique_ptr<chart::CChartDoc> CBlankChartService::CreateChartDoc(chart::CChartingModule& module)
{
    return std::make_unique<CBlankChartDoc>(&module);
}

}   // namespace charts

#include "charts/vector/BlankChartService.h"

#include "charts/vector/BlankChartDoc.h"
#include "platform/Ascii.h"

namespace charts {

bool CBlankChartService::OpensExtension(std::string_view extension) const
{
    // Raster charts ("chr") and vector charts ("b") are other services'; with
    // none installed such a file does not open at all rather than as a blank chart.
    return !platform::EqualNoCaseAscii(extension, "chr") &&
           !platform::EqualNoCaseAscii(extension, "b");
}

std::unique_ptr<chart::CChartDoc> CBlankChartService::CreateChartDoc(chart::CChartingModule& module)
{
    return std::make_unique<CBlankChartDoc>(&module);
}

}   // namespace charts

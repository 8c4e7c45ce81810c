#include "chart/ChartInfoTexts.h"

#include "chart/ChartDoc.h"

namespace chart {

namespace {

std::string WithoutLeadingBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

}   // namespace

CChartInfoTexts ChartInfoTextsOf(CChartDoc* doc)
{
    CChartInfoTexts t;
    if (!doc)
        return t;
    t.title = doc->GetChartTitle();
    t.chartNumber = doc->GetChartNumber();
    t.manufacturer = doc->GetManufacturer();
    t.issueLabel = doc->GetIssueDateLabel();
    doc->GetIssueDate(t.issueDate);
    t.updatedLabel = doc->GetUpdateDateLabel();
    doc->GetUpdateDate(t.updated);
    t.heightUnits = doc->GetHeightUnits();
    t.depthUnits = doc->GetDepthUnits();
    t.projection = doc->GetProjection();
    t.horizontalDatum = doc->GetHorizontalDatum();
    t.depthDatum = doc->GetDepthDatum();
    t.heightDatum = doc->GetHeightDatum();
    t.buoyage = doc->GetBuoyage();
    t.scale = doc->GetScaleText();
    t.northSouthRange = WithoutLeadingBlanks(doc->GetExtentText());
    // A chart without a figure says "Error"; the panel then shows nothing.
    std::string resolution;
    double metres = 0.0;
    if (doc->GetResolutionText(resolution, metres))
        t.displayResolution = resolution + "m/pixel";
    t.cautions = doc->GetCautionaryNotes();
    return t;
}

}   // namespace chart

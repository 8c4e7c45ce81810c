#pragma once
// What the chart information panel shows for one chart document: every text
// comes from the document's own text operations, so the panel works for any
// chart kind and holds no chart data. With no document every value is empty
// and the labels keep their plain wording.

#include <string>

namespace chart {

class CChartDoc;

struct CChartInfoTexts {
    std::string title;   // the panel's title line: the chart's title
    std::string chartNumber;
    std::string manufacturer;
    std::string issueLabel = "Issue date";
    std::string issueDate;
    std::string updatedLabel = "Updated";
    std::string updated;
    std::string heightUnits;
    std::string depthUnits;
    std::string projection;
    std::string horizontalDatum;
    std::string depthDatum;
    std::string heightDatum;
    std::string buoyage;
    std::string scale;
    std::string northSouthRange;   // without the leading blanks of its column form
    std::string displayResolution;   // "<metres>m/pixel", empty without a figure
    std::string cautions;

    bool operator==(const CChartInfoTexts&) const = default;
};

// The texts of `doc` (may be null) as they are now.
CChartInfoTexts ChartInfoTextsOf(CChartDoc* doc);

}   // namespace chart

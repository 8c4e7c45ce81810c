#pragma once
// Names of the chart display subsystem's types, for code that only passes
// pointers to them (side panels, the main frame). The classes themselves
// are defined by the chart display subsystem in this folder and its ui/.

namespace chart {

class CChartObject;   // a positioned thing drawn on a chart: chartpoint, route, vessel, target
class CChartView;     // a chart window's view

}  // namespace chart

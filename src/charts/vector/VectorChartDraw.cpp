#include "charts/vector/VectorChartDoc.h"

namespace charts {

void CVectorChartDoc::PrepareBuffer(chart::CScreenBuffer& /*buffer*/) {}

bool CVectorChartDoc::DrawGrid(chart::CXDC& /*dc*/)
{
    return false;
}

void CVectorChartDoc::DrawDragRect(chart::CXDC& /*dc*/) {}

}  // namespace charts

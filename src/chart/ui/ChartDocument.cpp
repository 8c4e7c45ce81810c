#include "chart/ui/ChartDocument.h"

namespace chart {

CChartDocument::CChartDocument(std::unique_ptr<chart::CChartDoc> doc, QObject* parent)
    : app::CDocument(parent), m_doc(std::move(doc))
{ }

CChartDocument::~CChartDocument() = default;

void CChartDocument::OnCloseDocument()
{
    if (IsClosed())
        return;
    try {
        m_doc->OnCloseDocument();
    } catch (...) { }
    app::CDocument::OnCloseDocument();
}

}   // namespace chart

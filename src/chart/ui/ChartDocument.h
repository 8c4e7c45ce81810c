#pragma once
// The window layer's object for one chart document: it owns the chart kind's
// core document and gives it an identity for posted messages (a chart frame
// closes by posting its document's identity to the main frame).

#include <memory>

#include "app/ui/Document.h"
#include "chart/ChartDoc.h"

namespace chart {

class CChartDocument final : public app::CDocument {
    Q_OBJECT
public:
    CChartDocument(std::unique_ptr<chart::CChartDoc> doc, QObject* parent = nullptr);
    ~CChartDocument() override;

    chart::CChartDoc& Doc() const { return *m_doc; }

    // The core document releases what it registered (and leaves the chart
    // module's frame list), then the windows close.
    void OnCloseDocument() override;

private:
    std::unique_ptr<chart::CChartDoc> m_doc;
};

}   // namespace chart

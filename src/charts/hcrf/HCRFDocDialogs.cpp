// The raster chart document's side of the chart dialogs: charts at a
// position, the notes of the current panel and the notices folder.

#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "charts/hcrf/HCRFDoc.h"
#include "charts/hcrf/HCRFModule.h"
#include "platform/Files.h"

#include <system_error>

namespace charts::hcrf {

void CHCRFDoc::ShowChartsAtPosition(const geo::CPosition& position)
{
    if (!m_panels.empty() && m_service && m_service->Shared().host.showChartsAtPosition)
        m_service->Shared().host.showChartsAtPosition(*this, position);
}

void CHCRFDoc::ShowChartNotes()
{
    if (!m_panels.empty() && m_service && m_service->Shared().host.showNotes)
        m_service->Shared().host.showNotes(*this);
}

void CHCRFDoc::ShowNoticesToMariners()
{
    if (!m_panels.empty() && m_service && m_service->Shared().host.showNotices)
        m_service->Shared().host.showNotices(*this);
}

bool CHCRFDoc::CanOpenChartWindow() const
{
    const chart::CChartingModule* charting = Module();
    return charting && charting->CountChartFramesInState(chart::kFrameNormal) <
                           int(charting->ChartSettings().maxCharts);
}

CHCRFDoc* CHCRFDoc::OpenChartAtPosition(const CFolioChart& item, const geo::CPosition& position,
                                        bool newWindow, int windowState)
{
    chart::CChartingModule* charting = Module();
    if (!item.service || !charting || !charting->Services().openChart)
        return nullptr;
    // Everything needed is copied first: replacing this chart's window ends this document.
    const unsigned panel = item.panel;
    const geo::CPosition at = position;
    const std::string path =
        const_cast<CHCRFModule*>(item.service)->GetCataloguedChartPath(item.fileName);
    if (path.empty())
        return nullptr;
    chart::CChartDoc* opened = charting->Services().openChart(path, !newWindow, windowState);
    auto* doc = dynamic_cast<CHCRFDoc*>(opened);
    if (!doc)
        return nullptr;
    doc->SetZoom(3, nullptr);
    if (panel > 0)
        doc->SelectPanel(panel, false);
    doc->CentreOnPosition(at, true);
    doc->InvalidateOverlays();
    return doc;
}

std::vector<CHCRFDoc::CNoteLine> CHCRFDoc::NoteLines() const
{
    std::vector<CNoteLine> lines;
    if (m_currentPanel >= m_panels.size())
        return lines;
    for (const CNoteRecord& note : m_panels[m_currentPanel].Notes()) {
        std::string text = m_noteTypes.Find(note.type);
        lines.push_back({text.empty() ? note.type : text, note});
    }
    return lines;
}

bool CHCRFDoc::GotoNote(const CNoteRecord& note)
{
    if (m_panels.empty())
        return false;
    SetZoom(3, nullptr);
    if (m_active != kHigh)
        return false;
    const geo::IntRect client = ClientArea();
    const int cx = (note.x1 + note.x2) / 2, cy = (note.y1 + note.y2) / 2;
    m_scroll.x = int(cx * m_scale) - (client.left + client.right) / 2;
    m_scroll.y = int(cy * m_scale) - (client.top + client.bottom) / 2;
    ClampScroll();
    m_savedScroll = m_lastDrawn = m_scroll;
    m_autoCentred = false;
    InvalidateChart();
    return true;
}

std::filesystem::path CHCRFDoc::NoticesFolder() const
{
    if (!m_service)
        return {};
    // The notices the newest update medium brought, else those beside the chart's tree.
    std::error_code ec;
    for (const std::filesystem::path& root : {m_service->UpdateSourcePath(m_record.updateCd),
                                              m_service->ChartTree(m_record.source & 1)}) {
        const auto folder = platform::FindNoCase(root, "Temp_NM");
        if (folder && std::filesystem::is_directory(*folder, ec))
            return *folder;
    }
    return {};
}

}   // namespace charts::hcrf

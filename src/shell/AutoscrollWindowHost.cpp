#include "shell/AutoscrollWindowHost.h"

#include "chart/ChartDoc.h"
#include "chart/ChartWindow.h"
#include "chart/ChartingModule.h"
#include "chart/ui/ChartFrame.h"
#include "charts/vector/BlankChartDoc.h"
#include "charts/vector/LiveChartService.h"

#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace shell {

CAutoscrollWindowHost::CAutoscrollWindowHost(chart::CChartingModule& charting,
                                             ChartOpener openChart, LargerScaleMessage largerScale)
    : m_charting(charting), m_openChart(std::move(openChart)), m_largerScale(std::move(largerScale))
{ }

chart::CChartDoc* CAutoscrollWindowHost::Following()
{
    if (m_doc == nullptr)
        return nullptr;
    for (chart::CChartWindow* window : m_charting.ChartFrames())
        if (window && window->GetChartDoc() == m_doc &&
            window->GetState() == chart::kFrameAutoscroll)
            return m_doc;
    // A chart switch (a zoom onto a larger-scale chart, another chart for the
    // position) puts the new chart in a following window of its own, which
    // follows on; when the user closed the window there is none.
    m_doc = m_charting.FindChartDocInState(chart::kFrameAutoscroll);
    return m_doc;
}

bool CAutoscrollWindowHost::AttachAutoscrollWindow(const geo::CPosition& vessel)
{
    if (Following())
        return true;
    // A new following window reports its first view, even one like the last
    // window's.
    m_reported.clear();
    // A following window the workspace brought back is taken as it is;
    // otherwise one of its own opens on the active chart and takes over the
    // active view's state (a raster or blank chart its zoom; a vector chart
    // has the active window show its whole chart), so the user's window keeps
    // its place and is not closed at the voyage's end.
    chart::CChartDoc* doc = m_charting.FindChartDocInState(chart::kFrameAutoscroll);
    if (doc == nullptr && m_openChart) {
        chart::CChartDoc* active = m_charting.GetActiveChartDoc();
        // A list or a report in front: an open chart that holds the vessel.
        if (active == nullptr)
            active = OpenChartHolding(vessel);
        if (active && !active->GetPathName().empty())
            doc = m_openChart(active->GetPathName(), chart::kFrameAutoscroll);
        // No chart window to start from: the vector folio's chart for the
        // vessel, before the blank chart.
        if (doc == nullptr && active == nullptr)
            if (const auto path = VectorChartAt(vessel))
                doc = m_openChart(path->string(), chart::kFrameAutoscroll);
        if (doc == nullptr)
            doc = m_openChart("", chart::kFrameAutoscroll);
        if (doc && active)
            doc->TakeOverViewState(*active);
        else if (doc)
            ShowRoundTheVessel(*doc, vessel);
    }
    // The window starts on the chart the autoscroll steps choose for the
    // vessel, not on the one the user happened to have in front or the one
    // the workspace brought back: a vector chart as its own rule says, a
    // raster chart with best chart selection on.
    if (doc && vessel.IsValid()) {
        geo::CPosition onChart;
        if (doc->ShiftToChartDatum(vessel, onChart) == chart::kShiftNotOnChart)
            onChart = vessel;
        // A raster chart already the largest-scale one keeps the view taken over.
        const int kind = doc->GetChartType();
        const bool raster = kind == chart::kChartARCS || kind == chart::kChartSeafarer;
        const bool step =
            raster ? m_charting.IsAutoscrollOn() &&
                         (!doc->IsPositionOnChart(onChart) || doc->HasLargerScaleChartAt(onChart))
                   : kind == chart::kChartLivechart || m_charting.IsAutoscrollOn();
        if (step)
            if (chart::CChartDoc* best = doc->AutoscrollToPosition(onChart))
                doc = best;
    }
    if (doc == nullptr)
        return false;
    m_doc = doc;
    geo::CPosition onChart;
    if (vessel.IsValid() && doc->ShiftToChartDatum(vessel, onChart) != chart::kShiftNotOnChart)
        doc->CentreOnPosition(onChart, true);
    if (chart::CChartWindow* window = doc->GetChartFrame()) {
        window->InvalidateChart();
        window->ActivateFrame();
    }
    return true;
}

std::optional<std::filesystem::path> CAutoscrollWindowHost::VectorChartAt(
    const geo::CPosition& vessel) const
{
    for (const auto& service : m_charting.ChartServices())
        if (const auto* live = dynamic_cast<const charts::CLiveChartService*>(service.get()))
            return live->LargestScaleChartAt(vessel);
    return std::nullopt;
}

chart::CChartDoc* CAutoscrollWindowHost::OpenChartHolding(const geo::CPosition& vessel) const
{
    if (!vessel.IsValid())
        return nullptr;
    for (chart::CChartWindow* window : m_charting.ChartFrames()) {
        chart::CChartDoc* doc = window ? window->GetChartDoc() : nullptr;
        geo::CPosition onChart;
        if (doc && window->GetState() != chart::kFrameAutoscroll && !doc->GetPathName().empty() &&
            doc->ShiftToChartDatum(vessel, onChart) != chart::kShiftNotOnChart &&
            doc->IsPositionOnChart(onChart))
            return doc;
    }
    return nullptr;
}

// With no chart window to take a view from, the blank chart shows some ten
// miles round the vessel rather than the whole world.
void CAutoscrollWindowHost::ShowRoundTheVessel(chart::CChartDoc& doc, const geo::CPosition& vessel)
{
    auto* blank = dynamic_cast<charts::CBlankChartDoc*>(&doc);
    if (blank == nullptr || !vessel.IsValid())
        return;
    constexpr double kHalfLatitude = 5.0 / 60.0;
    const double lat = std::clamp(vessel.GetLatitude(), -80.0, 80.0);
    const double halfLongitude = kHalfLatitude / std::cos(lat * M_PI / 180.0);
    blank->ShowArea(geo::CPosition(lat + kHalfLatitude, vessel.GetLongitude() - halfLongitude),
                    geo::CPosition(lat - kHalfLatitude, vessel.GetLongitude() + halfLongitude));
}

void CAutoscrollWindowHost::ReleaseAutoscrollWindow()
{
    chart::CChartDoc* doc = Following();
    m_doc = nullptr;
    if (doc == nullptr)
        return;
    if (m_charting.Services().closeDocument)
        m_charting.Services().closeDocument(doc);
    // Another chart window comes forward: an ordinary one before another follower.
    chart::CChartDoc* next = m_charting.FindChartDocInState(chart::kFrameNormal);
    if (next == nullptr)
        next = m_charting.FindChartDocInState(chart::kFrameAutoscroll);
    if (next && next->GetChartFrame())
        next->GetChartFrame()->ActivateFrame();
}

std::optional<geo::CPosition> CAutoscrollWindowHost::ConvertToAutoscrollDatum(
    const geo::CPosition& p)
{
    chart::CChartDoc* doc = Following();
    geo::CPosition out;
    if (doc == nullptr || !p.IsValid() || doc->ShiftToChartDatum(p, out) == chart::kShiftNotOnChart)
        return std::nullopt;
    return out;
}

// The vessel moves freely inside the centred share of the window; once it
// leaves it the chart is centred on it again.
void CAutoscrollWindowHost::AutoscrollToPosition(const geo::CPosition& chartPosition)
{
    chart::CChartDoc* doc = Following();
    if (doc == nullptr || !doc->IsPositionOnChart(chartPosition) ||
        doc->IsInAutoscrollArea(chartPosition))
        return;
    if (doc->CentreOnPosition(chartPosition, true))
        if (chart::CChartWindow* window = doc->GetChartFrame())
            window->InvalidateChart();
}

// The chart decides: it re-centres, or opens the chart that should show the
// vessel in its own window's place, which is followed from then on.
void CAutoscrollWindowHost::AutoscrollStep(const geo::CPosition& chartPosition)
{
    chart::CChartDoc* doc = Following();
    if (doc == nullptr)
        return;
    chart::CChartDoc* next = doc->AutoscrollToPosition(chartPosition);
    if (next != nullptr && next != doc) {
        m_doc = doc = next;
        if (chart::CChartWindow* window = next->GetChartFrame())
            window->InvalidateChart();
    }
    ReportFollowing(*doc, chartPosition);
}

// Scripted checks: the chart followed, whether the vessel is in its view and
// the view's metres per pixel with the chart's scale, a line at each change.
void CAutoscrollWindowHost::ReportFollowing(chart::CChartDoc& doc, const geo::CPosition& vessel)
{
    if (!std::getenv("BRINE_REPORT_CHARTS"))
        return;
    std::string line = doc.GetTitle() + (doc.IsPositionVisible(vessel) ? "; vessel in view"
                                                                       : "; vessel out of view");
    double metres = 0.0;
    if (doc.GetMetresPerPixel(metres))
        line +=
            "; " + QString::number(metres, 'f', 2).toStdString() + " m/pixel " + doc.GetScaleText();
    if (line == m_reported)
        return;
    m_reported = line;
    qInfo("Brinevane: following: %s", line.c_str());
}

// The chart that shows the vessel: the following window's, else the first
// ordinary chart window's; a maximised chart window in front is the one the
// user sees. On a raster chart with a larger-scale chart under the vessel the
// user is told, and best chart selection goes back on so that the following
// window moves onto it.
bool CAutoscrollWindowHost::BestChartCheck(const geo::CPosition& vessel)
{
    chart::CChartDoc* doc = Following();
    if (doc == nullptr)
        doc = m_charting.FindChartDocInState(chart::kFrameNormal);
    if (doc == nullptr) {
        if (m_largerScale)
            m_largerScale(false);
        return false;
    }
    if (chart::CChartDoc* active = m_charting.GetActiveChartDoc()) {
        auto* frame = dynamic_cast<chart::CChartFrame*>(active->GetChartFrame());
        if (frame && frame->isMaximized())
            doc = active;
    }
    const int kind = doc->GetChartType();
    const bool raster = kind == chart::kChartARCS || kind == chart::kChartSeafarer;
    geo::CPosition chartPosition;
    const bool onChart = vessel.IsValid() &&
                         doc->ShiftToChartDatum(vessel, chartPosition) != chart::kShiftNotOnChart &&
                         doc->IsPositionOnChart(chartPosition);
    const bool larger =
        raster && onChart && doc->IsChartLoaded() && doc->HasLargerScaleChartAt(chartPosition);
    if (larger && !m_charting.IsAutoscrollOn())
        m_charting.SetAutoscroll(true);
    if (m_largerScale)
        m_largerScale(larger);
    return true;
}

int CAutoscrollWindowHost::ActiveChartDatumShift(const geo::CPosition& vessel, std::string& kind)
{
    chart::CChartDoc* active = m_charting.GetActiveChartDoc();
    if (active == nullptr)
        return chart::kShiftNotOnChart;
    kind = active->GetKindText();
    geo::CPosition onChart;
    return active->ShiftToChartDatum(vessel, onChart);
}

// The windows are taken from the front: a chart window that shows the vessel
// (the maximised following window always does) makes it visible; a maximised
// window of any kind, a list or report as much as a chart, hides everything
// behind it. Which window has the keyboard does not matter: with the logbook
// in front the following window beside or behind it still shows the vessel.
bool CAutoscrollWindowHost::IsVesselVisible(const geo::CPosition& p)
{
    auto shows = [&p](chart::CChartDoc& doc) {
        geo::CPosition onChart;
        return doc.ShiftToChartDatum(p, onChart) != chart::kShiftNotOnChart &&
               doc.IsPositionVisible(onChart);
    };
    QMdiArea* area = nullptr;
    for (chart::CChartWindow* window : m_charting.ChartFrames())
        if (auto* frame = dynamic_cast<chart::CChartFrame*>(window); frame && frame->mdiArea())
            area = frame->mdiArea();
    if (area == nullptr)
        return false;
    chart::CChartDoc* following = Following();
    const QList<QMdiSubWindow*> stack = area->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
        QMdiSubWindow* window = *it;
        if (window->isHidden() || window->isMinimized())
            continue;
        auto* frame = qobject_cast<chart::CChartFrame*>(window);
        chart::CChartDoc* doc = frame ? frame->GetChartDoc() : nullptr;
        if (doc && ((window->isMaximized() && doc == following) || shows(*doc)))
            return true;
        if (window->isMaximized())
            return false;
    }
    return false;
}

void CAutoscrollWindowHost::RedrawViews()
{
    m_charting.InvalidateAllChartViews();
}

}   // namespace shell

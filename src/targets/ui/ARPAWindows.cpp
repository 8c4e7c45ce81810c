#include "targets/ui/ARPAWindows.h"

#include <QPointer>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/ui/PropertySheet.h"
#include "targets/ui/ARPAOptionsPage.h"

namespace targets {

CARPAWindows::CARPAWindows(app::CSettingsHome& settings, nmea::CPortDirectory& ports,
                           const platform::CClock& clock, app::CMsgBar* bar, QWidget* window)
    : CARPAModule(settings, ports, clock, bar), m_portDirectory(ports), m_window(window)
{
    SetRedraw([this] { RepaintViews(); });
    chart::CChartView::AddExtension(this);
    chart::CChartView::AddExtension(&m_fixProperties);
    m_propertySheet = std::make_unique<CARPAPropertySheet>(*this, window);
    // "Target Captured": when the target's vessel-log row started.
    m_propertySheet->SetCapturedText([this](const CTargetRecord& record) {
        const CTrackedTarget* target = FindTarget(&record);
        return target && target->captured && localTime ? localTime(*target->captured)
                                                       : std::string();
    });
    m_logWindow = std::make_unique<CARPALogWindow>(
        *this, window,
        [this] { return positionFormat ? positionFormat() : geo::CPositionFormat{}; },
        [this](std::chrono::system_clock::time_point utc) {
            return localTime ? localTime(utc) : std::string();
        });
}

CARPAWindows::~CARPAWindows()
{
    chart::CChartView::RemoveExtension(this);
    chart::CChartView::RemoveExtension(&m_fixProperties);
    // An open options sheet's ARPA page watches the module: it goes first.
    delete m_sheet;
}

bool CARPAWindows::Terminate()
{
    chart::CChartView::RemoveExtension(this);
    chart::CChartView::RemoveExtension(&m_fixProperties);
    for (auto& [view, layers] : m_layers) {
        view->Pipeline().SetSource(chart::DynamicLayer::Targets, nullptr);
        view->Pipeline().SetSource(chart::DynamicLayer::RadarCursor, nullptr);
    }
    m_layers.clear();
    CloseWorkspaceWindows();
    return CARPAModule::Terminate();
}

void CARPAWindows::RegisterCommands(app::CCommandTable& commands)
{
    CARPAModule::RegisterCommands(commands);
    // Grey while the sheet (either of its pages) is still there.
    commands.Add(
        this, app::cmd::kTargetOptions, [this](unsigned) { OpenTargetOptions(); },
        [this](app::CCmdUI& ui) { ui.Enable(m_sheet == nullptr); });
    commands.Add(
        this, app::cmd::kArpaView, [this](unsigned) { m_logWindow->Open(); },
        [this](app::CCmdUI& ui) { ui.SetCheck(m_logWindow->Window() != nullptr ? 1 : 0); });
}

void CARPAWindows::CloseWorkspaceWindows()
{
    if (m_sheet != nullptr)
        m_sheet->close();
    m_propertySheet->Close();
    m_logWindow->Close();
}

void CARPAWindows::ViewCreated(chart::CChartView& view)
{
    CViewLayers layers;
    layers.targets = std::make_unique<CARPATargetLayer>(*this);
    layers.cursor = std::make_unique<CRadarCursorLayer>(*this);
    view.Pipeline().SetSource(chart::DynamicLayer::Targets, layers.targets.get());
    view.Pipeline().SetSource(chart::DynamicLayer::RadarCursor, layers.cursor.get());
    m_layers[&view] = std::move(layers);
}

void CARPAWindows::ViewDestroyed(chart::CChartView& view)
{
    view.Pipeline().SetSource(chart::DynamicLayer::Targets, nullptr);
    view.Pipeline().SetSource(chart::DynamicLayer::RadarCursor, nullptr);
    m_layers.erase(&view);
}

void CARPAWindows::RepaintViews()
{
    for (const auto& entry : m_layers)
        entry.first->InvalidateOverlays();
}

void CARPAWindows::OpenTargetOptions()
{
    if (m_sheet != nullptr) {
        m_sheet->raise();
        m_sheet->activateWindow();
        return;
    }
    auto* sheet = new app::CModelessPropertySheet(QObject::tr("Target Options"), m_window);
    sheet->setObjectName("targetOptions");
    auto model = std::make_unique<CARPAOptionsModel>(
        *this, [this](const std::string& failure) { ShowPortFailure(failure); });
    sheet->AddPage(new CARPAOptionsPage(std::move(model), &m_portDirectory, sheet));
    if (m_extraPages)
        for (app::CXPropertyPage* page : m_extraPages(sheet))
            sheet->AddPage(page);
    m_sheet = sheet;
    QObject::connect(sheet, &QObject::destroyed, [this] { m_sheet = nullptr; });
    sheet->ShowModeless();
}

bool CARPAWindows::HitsTarget(chart::CChartView& view, geo::IntPoint p,
                              const CTargetRecord* record) const
{
    const auto it = m_layers.find(&view);
    return record != nullptr && it != m_layers.end() && it->second.targets &&
           it->second.targets->Hits(record, p);
}

bool CARPAWindows::Press(chart::CChartView& view, geo::IntPoint p)
{
    if (m_panelPicks)
        return false;
    const auto it = m_layers.find(&view);
    const CTargetRecord* record =
        it != m_layers.end() && it->second.targets ? it->second.targets->HitTest(p) : nullptr;
    if (record == nullptr)
        return false;
    SelectTarget(record);
    return true;
}

chart::CChartViewExtension::PropertiesCall CARPAWindows::PropertiesAt(chart::CChartView& view,
                                                                      geo::IntPoint p)
{
    if (m_panelPicks)
        return {};
    const auto it = m_layers.find(&view);
    if (it == m_layers.end() || !it->second.targets || !it->second.targets->HitTest(p))
        return {};
    // The target is looked up again when the sheet opens: a radar pass may
    // have replaced the record meanwhile.
    return [this, view = &view, p] {
        const auto found = m_layers.find(view);
        if (found != m_layers.end() && found->second.targets)
            if (const CTargetRecord* record = found->second.targets->HitTest(p))
                ShowProperties(record);
    };
}

chart::CChartViewExtension::PropertiesCall CARPAWindows::FixPropertiesAt(chart::CChartView& view,
                                                                         geo::IntPoint p)
{
    const auto it = m_layers.find(&view);
    if (it == m_layers.end() || !it->second.targets || !showFixProperties)
        return {};
    const auto hit = it->second.targets->HitTestFix(p);
    const CTrackedTarget* target = hit ? FindTarget(hit->record) : nullptr;
    if (!target || hit->fix >= target->track.size())
        return {};
    return [this, fix = target->track[hit->fix]] { showFixProperties(fix); };
}

}   // namespace targets

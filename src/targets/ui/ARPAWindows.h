#pragma once
// The ARPA module with its windows: the target and radar-cursor layers of
// every chart view, and "Target > Options..." (the Target Options sheet with
// the ARPA page; other target modules add their pages through
// `SetExtraOptionPages`).

#include <map>
#include <memory>
#include <vector>

#include "app/ui/ModuleUi.h"
#include "chart/ui/ChartView.h"
#include "targets/ARPAModule.h"
#include "targets/ARPATargetLayer.h"
#include "targets/ui/ARPALogWindow.h"
#include "targets/ui/ARPAPropertySheet.h"
#include "targets/ui/FixMarkerProperties.h"

class QWidget;
namespace app {
class CModelessPropertySheet;
class CXPropertyPage;
}   // namespace app

namespace targets {

class CARPAWindows final : public CARPAModule,
                           public app::CModuleUi,
                           public chart::CChartViewExtension {
public:
    CARPAWindows(app::CSettingsHome& settings, nmea::CPortDirectory& ports,
                 const platform::CClock& clock, app::CMsgBar* bar, QWidget* window);
    ~CARPAWindows() override;

    app::CModuleUi* Ui() override { return this; }
    bool Terminate() override;
    void RegisterCommands(app::CCommandTable& commands) override;
    void CloseWorkspaceWindows() override;

    void ViewCreated(chart::CChartView& view) override;
    void ViewDestroyed(chart::CChartView& view) override;
    // A click on a drawn target selects it: its row on the panel and its focus box follow.
    bool Press(chart::CChartView& view, geo::IntPoint p) override;
    // The chart's Properties over a drawn target: its "ARPA Properties".
    PropertiesCall PropertiesAt(chart::CChartView& view, geo::IntPoint p) override;
    chart::PropertiesOrder PropertiesRank() const override
    {
        return chart::PropertiesOrder::Targets;
    }
    // True when the target's symbol, as drawn in the view, takes the point.
    bool HitsTarget(chart::CChartView& view, geo::IntPoint p, const CTargetRecord* record) const;
    // The Target Tracking panel answers clicks and Properties on the chart
    // for radar targets and tenders together, in its own order: the module
    // then leaves them to it.
    void LeaveChartToPanel() { m_panelPicks = true; }

    // The chart's Properties over a marker of a shown target's track: the
    // fix's "Position Marker Properties", through the program's sheet.
    std::function<void(const CTargetTrackFix&)> showFixProperties;

    // "Target > Options...": raises the open sheet or opens one.
    void OpenTargetOptions();
    app::CModelessPropertySheet* OptionsSheet() const { return m_sheet; }
    void SetExtraOptionPages(std::function<std::vector<app::CXPropertyPage*>(QWidget*)> pages)
    {
        m_extraPages = std::move(pages);
    }
    // "ARPA Properties" of a target (the chart view's Properties on a target).
    void ShowProperties(const CTargetRecord* record) { m_propertySheet->Show(record); }
    CARPAPropertySheet& PropertySheet() { return *m_propertySheet; }
    // "Current Target > View".
    CARPALogWindow& LogWindow() { return *m_logWindow; }
    // How the windows write positions and times; set by the program.
    std::function<geo::CPositionFormat()> positionFormat;
    LocalTimeText localTime;

    // The vessel log's target rows, kept as long as the module.
    void KeepLogRows(std::unique_ptr<CTargetLogRows> rows)
    {
        m_keptLogRows = std::move(rows);
        SetLogRows(m_keptLogRows.get());
    }

    // An observer that lives as long as the module (the panel's ARPA rows).
    void KeepObserver(std::unique_ptr<CARPAObserver> observer)
    {
        m_keptObservers.push_back(std::move(observer));
    }

private:
    // Properties over a target's track marker.
    PropertiesCall FixPropertiesAt(chart::CChartView& view, geo::IntPoint p);
    void RepaintViews();

    nmea::CPortDirectory& m_portDirectory;
    QWidget* m_window;
    struct CViewLayers {
        std::unique_ptr<CARPATargetLayer> targets;
        std::unique_ptr<CRadarCursorLayer> cursor;
    };
    std::map<chart::CChartView*, CViewLayers> m_layers;
    bool m_panelPicks = false;
    app::CModelessPropertySheet* m_sheet = nullptr;
    std::function<std::vector<app::CXPropertyPage*>(QWidget*)> m_extraPages;
    std::unique_ptr<CARPAPropertySheet> m_propertySheet;
    std::unique_ptr<CARPALogWindow> m_logWindow;
    std::unique_ptr<CTargetLogRows> m_keptLogRows;
    // Last, so they go first and leave the module while it is whole.
    std::vector<std::unique_ptr<CARPAObserver>> m_keptObservers;
    // Ranked after the own track's markers and before the tenders'.
    CFixMarkerProperties m_fixProperties{
        chart::PropertiesOrder::ARPAFixes,
        [this](chart::CChartView& view, geo::IntPoint p) { return FixPropertiesAt(view, p); }};
};

}   // namespace targets

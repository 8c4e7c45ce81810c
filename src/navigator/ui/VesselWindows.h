#pragma once
// The vessel module with its window: "Vessel > Options..." opens the
// modeless "Vessel Options" sheet (General, Deviation, Overlays), disabled
// while the sheet is open; a vessel file that cannot be read or written is
// reported in a message box. Properties over the own vessel's symbol on a
// chart opens the "Vessel Properties" sheet with its particulars.

#include <QPointer>

#include <functional>
#include <optional>

#include "app/ui/ModuleUi.h"
#include "app/ui/PropertySheet.h"
#include "chart/ui/ChartView.h"
#include "geo/Position.h"
#include "navigator/VesselModule.h"
#include "platform/Prompt.h"

namespace navigator {

class CVesselWindows final : public CVesselModule,
                             public app::CModuleUi,
                             public chart::CChartViewExtension {
public:
    CVesselWindows(app::CSettingsHome& home, std::filesystem::path defaultFolder,
                   platform::CPrompt& prompt);
    ~CVesselWindows() override;

    app::CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override;
    void RegisterCommands(app::CCommandTable& commands) override;
    void LoadSettings() override;
    void CloseWorkspaceWindows() override;

    // Properties over the own vessel's symbol: the "Vessel Properties" sheet.
    void ViewCreated(chart::CChartView&) override { }
    void ViewDestroyed(chart::CChartView&) override { }
    PropertiesCall PropertiesAt(chart::CChartView& view, geo::IntPoint p) override;
    chart::PropertiesOrder PropertiesRank() const override
    {
        return chart::PropertiesOrder::OwnVessel;
    }

    void OpenOptions();
    bool IsOptionsOpen() const { return !m_sheet.isNull(); }
    app::CModelessPropertySheet* OptionsSheet() const { return m_sheet.data(); }

    // Where the own vessel is now, when the navigator knows.
    std::function<std::optional<geo::CPosition>()> ownPosition;
    // True when client point p of the chart lies on the own vessel's symbol.
    bool HitsOwnVessel(chart::CChartDoc& doc, geo::IntPoint p) const;
    // The "Vessel Properties" sheet (raised when open) showing the own vessel.
    void ShowProperties();
    app::CModelessPropertySheet* PropertiesSheet() const { return m_propSheet.data(); }

private:
    void ReportFile();
    void RefreshProperties();

    platform::CPrompt& m_prompt;
    QWidget* m_window = nullptr;
    QPointer<app::CModelessPropertySheet> m_sheet;
    QPointer<app::CModelessPropertySheet> m_propSheet;
};

}   // namespace navigator

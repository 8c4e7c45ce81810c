#pragma once
// The tidal module as the program creates it: Tools > Display Tidal Atlas
// (Ctrl+Alt+T) with its small time window, the chart view's "Tidal stream"
// entry with the tidal stream window, and the layers that draw the atlas
// arrows, the clicked stream and the model boxes in every chart view.

#include "app/ui/ModuleUi.h"
#include "chart/ChartViewPipeline.h"
#include "chart/ui/ChartView.h"
#include "routes/TidalAtlasModel.h"
#include "routes/TidalAtlasOptions.h"
#include "routes/TidalModule.h"

#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "routes/ui/TidalStreamWindow.h"

namespace routes {

class CTidalWindows final : public routes::CTidalModule,
                            public app::CModuleUi,
                            public chart::CChartViewExtension {
public:
    CTidalWindows(app::CSettingsHome& settings, std::string programFolder);
    ~CTidalWindows() override;

    app::CModuleUi* Ui() override { return this; }
    std::vector<app::COptionPageFactory> OptionPages() override;
    bool CreateSidePanels(app::CModuleHost& host, std::vector<app::CSidePanel*>& panels) override;
    void RegisterCommands(app::CCommandTable& commands) override;
    void LoadSettings() override;
    bool CheckAvailability() override;
    bool Terminate() override;
    void CloseWorkspaceWindows() override;

    // CChartViewExtension
    void ViewCreated(chart::CChartView& view) override;
    void ViewDestroyed(chart::CChartView& view) override;
    void AddContextMenu(chart::CChartView& view, QMenu& menu, geo::IntPoint p,
                        chart::MenuSection section, bool onChart) override;

    bool CanOpenWindow() const;
    void OpenAtlas();
    // False (with one message) when the place has no usable stream.
    bool OpenStream(chart::CChartView& view, const geo::CPosition& where);
    CTidalTimeWindow* AtlasWindow() const { return m_atlas; }
    // The plan's departure (start-time method 1), when there is one.
    std::function<std::optional<std::int64_t>()> planDeparture;
    CTidalStreamWindow* StreamWindow() const { return m_stream; }
    // Whether the Tidal Atlas options page is open (the windows' Options
    // buttons are disabled meanwhile).
    bool OptionsPageOpen() const { return m_optionsPage != nullptr; }

private:
    class ViewLayers;
    void RefreshViews();
    void ApplyOptions(const routes::CTidalAtlasOptions& options);
    // The first time of a window by the start-time method.
    qint64 StartUtc() const;
    void ShowCaution();
    void OpenOptionsPage();
    // Options in both windows: enabled unless the options page is open.
    void UpdateOptionsButtons();

    app::CModuleHost* m_host = nullptr;
    std::map<chart::CChartView*, std::unique_ptr<ViewLayers>> m_views;
    QPointer<CTidalTimeWindow> m_atlas;
    QPointer<CTidalStreamWindow> m_stream;
    chart::CChartView* m_streamView = nullptr;
    QPointer<QWidget> m_optionsPage;
    std::vector<app::MsgHandle> m_notices;
    // Context of the connections to the options page: declared last, so it
    // goes first and no late signal reaches a half-destroyed module.
    QObject m_guard;
};

}   // namespace routes

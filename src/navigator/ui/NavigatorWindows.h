#pragma once
// The navigator module as the program creates it: the core module plus its
// window side (the monitor panel, the modeless datum question) and the
// start-up variables of scripted checks.

#include <QPointer>

#include <functional>
#include <memory>

#include "app/ui/ModuleUi.h"
#include "navigator/NavigatorModule.h"

namespace navigator {
class CInstruments;
}
class CModelessPropertySheet;
class CMonitorPanel;
class CPortDumpWindows;
class CSettingsHome;
class QDialog;
namespace app {
class CMsgBar;
}
namespace nmea {
class CInstrumentsModule;
class CPortList;
struct CGPSOptions;
}   // namespace nmea
namespace platform {
class CClock;
}

class CNavigatorWindows final : public navigator::CNavigatorModule, public CModuleUi {
public:
    CNavigatorWindows(CSettingsHome& settings, const platform::CClock& clock);
    ~CNavigatorWindows() override;

    CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(CModuleHost& host, std::vector<CSidePanel*>& panels) override;
    bool Terminate() override;
    void RegisterCommands(CCommandTable& commands) override;
    // "Navigator > Position Source...": the dialog, applied on OK.
    void OnPositionSource();
    // "Navigator > Autoscroll Restrictions...": the charts taken off the list on Remove.
    void OnAutoscrollRestrictions();
    void LoadSettings() override;
    void SaveSettings() override;
    void ShutDown() override;
    void CloseWorkspaceWindows() override;
    CPortDumpWindows* DumpWindows() const { return m_dumpWindows.get(); }

    CMonitorPanel* Panel() const;
    navigator::CInstruments* Instruments() const { return m_instruments.get(); }
    // The application's port list, before the frame's windows are made.
    void SetPortList(nmea::CPortList* ports) { m_portList = ports; }
    // Pages of other modules for the navigator's options sheet (the autopilot's).
    void SetExtraOptionPages(std::function<std::vector<COptionPageFactory>()> pages)
    {
        m_extraPages = std::move(pages);
    }
    // The instruments module whose sentences, repeater and warning switch
    // the NMEA page shows beside the GPS's.
    void SetInstrumentsModule(nmea::CInstrumentsModule* module) { m_instrumentsModule = module; }
    // "Navigator > Options...".
    void OpenNavigatorOptions();

private:
    void AskGpsConfigurationModeless();
    void ApplyScriptedStart(bool startReplay);
    void CreateInstruments(app::CMsgBar& bar);
    void AddNmeaPage(CModelessPropertySheet& sheet);
    void ApplyAutoscrollOptions(int percentage, bool select, bool resume, long checkSeconds,
                                long resumeSeconds);
    void ApplyGpsOptions(const nmea::CGPSOptions& now, const nmea::CGPSOptions& before);
    void WriteStateFile();

    const platform::CClock& m_clock;
    std::unique_ptr<navigator::CInstruments> m_instruments;
    std::unique_ptr<CPortDumpWindows> m_dumpWindows;   // after the ports: goes first
    nmea::CPortList* m_portList = nullptr;
    QPointer<CMonitorPanel> m_panel;
    QPointer<QDialog> m_gpsQuestion;
    QWidget* m_window = nullptr;
    std::string m_stateFile;
    std::function<std::vector<COptionPageFactory>()> m_extraPages;
    QPointer<QWidget> m_optionsSheet;
    nmea::CInstrumentsModule* m_instrumentsModule = nullptr;
    long long m_lastNmeaFixMs = 0;
};

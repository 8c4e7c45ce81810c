#pragma once
// The navigator module as the program creates it: the core module plus its
// window side (the monitor panel, the modeless datum question) and the
// start-up variables of scripted checks.

#include <QPointer>

#include <memory>

#include "app/ui/ModuleUi.h"
#include "navigator/NavigatorModule.h"

namespace navigator {
class CInstruments;
}
class CMonitorPanel;
class CSettingsHome;
class QDialog;
namespace app {
class CMsgBar;
}
namespace nmea {
class CPortList;
}
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
    void LoadSettings() override;
    void SaveSettings() override;
    void ShutDown() override;

    CMonitorPanel* Panel() const;
    navigator::CInstruments* Instruments() const { return m_instruments.get(); }
    // The application's port list, before the frame's windows are made.
    void SetPortList(nmea::CPortList* ports) { m_portList = ports; }

private:
    void AskGpsConfigurationModeless();
    void ApplyScriptedStart(bool startReplay);
    void CreateInstruments(app::CMsgBar& bar);
    void WriteStateFile();

    const platform::CClock& m_clock;
    std::unique_ptr<navigator::CInstruments> m_instruments;
    nmea::CPortList* m_portList = nullptr;
    QPointer<CMonitorPanel> m_panel;
    QPointer<QDialog> m_gpsQuestion;
    QWidget* m_window = nullptr;
    std::string m_stateFile;
    long long m_lastNmeaFixMs = 0;
};

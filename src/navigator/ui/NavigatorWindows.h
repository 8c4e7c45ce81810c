#pragma once
// The navigator module as the program creates it: the core module plus its
// window side (the monitor panel, the modeless datum question) and the
// start-up variables of scripted checks.

#include <QPointer>

#include <memory>

#include "app/ui/ModuleUi.h"
#include "navigator/NavigatorModule.h"

class CMonitorPanel;
class CSettingsHome;
class QDialog;
namespace platform {
class CClock;
}

class CNavigatorWindows final : public navigator::CNavigatorModule, public CModuleUi {
public:
    CNavigatorWindows(CSettingsHome& settings, const platform::CClock& clock);
    ~CNavigatorWindows() override;

    CModuleUi* Ui() override { return this; }
    bool CreateSidePanels(CModuleHost& host, std::vector<CSidePanel*>& panels) override;
    void LoadSettings() override;
    void ShutDown() override;

    CMonitorPanel* Panel() const;

private:
    void AskGpsConfigurationModeless();
    void ApplyScriptedStart(bool startReplay);
    void WriteStateFile();

    QPointer<CMonitorPanel> m_panel;
    QPointer<QDialog> m_gpsQuestion;
    QWidget* m_window = nullptr;
    std::string m_stateFile;
    long long m_lastNmeaFixMs = 0;
};

#pragma once
// The instruments side of the program: the application's port list (the
// serial ports and the network port), station messaging, and the wind,
// repeater and autopilot modules whose devices run on those ports. The
// navigator runs its GPS module on the same port list. The frame's timer
// pass sends and hands out station messages and keeps the message bar told
// which ports lost their instrument.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "app/Module.h"
#include "app/MsgBar.h"
#include "nmea/AutopilotModule.h"
#include "nmea/NetworkMessaging.h"
#include "nmea/NetworkPort.h"
#include "nmea/PortList.h"
#include "nmea/ReceivedLines.h"
#include "nmea/RepeaterModule.h"
#include "nmea/SentenceOptions.h"
#include "nmea/WindModule.h"

namespace nmea {

struct CInstrumentsOptions {
    std::filesystem::path programFolder = ".";
    CSerialScan scan;   // where first start looks for serial devices
    CComPortOptions ports;   // "AutoConfigurePorts"
    bool stationMessaging = true;
    // How long a station list locked by another station is waited for.
    std::chrono::milliseconds peerFileTimeout{15000};
};

class CInstrumentsModule : public app::CModule {
public:
    CInstrumentsModule(app::CSettingsHome& settings, const platform::CClock& clock,
                       platform::CPrompt& prompt, CInstrumentsOptions options);
    ~CInstrumentsModule() override;

    // The message bar is the frame's and exists once the frame's windows do;
    // without one, messages are not shown.
    void SetMessageBar(app::CMsgBar* bar);

    bool Initialise() override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;
    void RegisterCommands(app::CCommandTable& commands) override;
    void OnTimer(app::TimerCadence cadence) override;
    // Station messaging, when this program runs it, leaves and joins again.
    void OnRefresh() override;
    void ShutDown() override;

    // The workspace steps: station messaging, when this program runs it, leaves
    // before a workspace's windows close and joins again once its windows are
    // restored; a settings load only reads its values.
    void StopStationMessaging();
    bool StartStationMessaging();
    // The end of start-up: the repeater and wind devices open on their ports
    // when no settings load has opened them.
    void RestartDevices();

    // The Network page applied: messaging leaves and joins again only when the
    // folder (exact text), the address or the port changed; the values are
    // kept either way. True when it restarted.
    bool ApplyNetworkOptions(const std::string& folder, std::optional<Ipv4> address,
                             std::uint16_t port);

    // The serial ports' device paths changed on the System page: in use at once.
    void SetPortPaths(const PortPaths& paths);
    // The frame's "AutoConfigurePorts": used by each port when it next takes its device.
    void SetAutoConfigurePorts(bool on);

    CPortList& Ports() { return *m_ports; }
    CNetworkMessaging& Messaging() { return *m_messaging; }
    CReceivedLines& ReceivedLines() { return m_received; }
    CWindModule& Wind() { return *m_wind; }
    CRepeaterModule& Repeater() { return *m_repeater; }
    CAutopilotModule& Autopilot() { return *m_autopilot; }

    // "Ignore warning flags": a "V" status reads as "A" in every parser given it.
    const std::atomic<bool>& IgnoreWarningFlags() const { return m_ignoreWarnings; }
    void SetIgnoreWarningFlags(bool on) { m_ignoreWarnings = on; }

    // The options pages' values and their OK. A side reopens only when its
    // port changed; a port that will not open is set to "Off" and the text
    // returned says which device and why (empty when all went well).
    CWindOptions WindOptions() const;
    std::string ApplyWindOptions(const CWindOptions& now, const CWindOptions& before);
    // The NMEA page of these instruments: the sentence groups that follow
    // `leading` (the navigator's GPS group), the repeater and the switch.
    CNMEAOptions NMEAOptions(std::vector<CSentenceGroup> leading) const;
    // `configs[i]` holds the sentences of `now.groups[i]`.
    std::string ApplyNMEAOptions(CNMEAOptions& now, const CNMEAOptions& before,
                                 const std::vector<CInstrumentConfig*>& configs);
    // This module's sentence lists in page order: Autopilot, Wind.
    std::vector<CInstrumentConfig*> SentenceConfigs();

    // Station messages other than relayed sentences go to their owners
    // (chartpoints, routes, navigator) through this hook.
    void SetStationMessageHandler(std::function<void(const CStationMessage&)> handler)
    {
        m_stationHandler = std::move(handler);
    }
    // A further handler, one per owner (an empty one takes the owner's away):
    // every handler sees every message.
    void SetStationMessageHandlerFor(const void* owner,
                                     std::function<void(const CStationMessage&)> handler)
    {
        if (handler)
            m_ownedHandlers[owner] = std::move(handler);
        else
            m_ownedHandlers.erase(owner);
    }

protected:
    // A port's line on the message bar changed: `text` is empty when it went.
    virtual void OnPortMessage(const CPort& /*port*/, const std::string& /*text*/) { }

private:
    // Starts station messaging; once it listens, what earlier starts and joins
    // put on the message bar (a taken port, an unreadable station list) is taken off.
    bool StartMessaging();
    void ShowPortConditions();
    void HandOutStationMessages();
    void ShowNotice(const std::string& text);
    void OpenDevices();

    const platform::CClock& m_clock;
    platform::CPrompt& m_prompt;
    CInstrumentsOptions m_options;
    app::CMsgBar* m_bar = nullptr;
    std::unique_ptr<CPortList> m_ports;
    std::unique_ptr<CNetworkMessaging> m_messaging;
    CReceivedLines m_received;
    std::unique_ptr<CWindModule> m_wind;
    std::unique_ptr<CRepeaterModule> m_repeater;
    std::unique_ptr<CAutopilotModule> m_autopilot;
    std::map<std::uint8_t, std::pair<app::MsgHandle, std::string>> m_portMessages;
    std::vector<app::MsgHandle> m_notices;
    std::function<void(const CStationMessage&)> m_stationHandler;
    std::map<const void*, std::function<void(const CStationMessage&)>> m_ownedHandlers;
    bool m_devicesOpen = false;
    std::atomic<bool> m_ignoreWarnings{false};
};

}   // namespace nmea

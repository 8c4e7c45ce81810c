#include "nmea/InstrumentsModule.h"

#include <algorithm>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/Registry.h"
#include "app/WorkspaceManager.h"

namespace nmea {

namespace {
// Below the GPS warning: a lost port explains why that warning shows.
constexpr std::uint16_t kPortMessagePriority = 20000;
constexpr std::uint16_t kNoticePriority = 19000;
}   // namespace

CInstrumentsModule::CInstrumentsModule(app::CSettingsHome& settings, const platform::CClock& clock,
                                       platform::CPrompt& prompt, CInstrumentsOptions options)
    : app::CModule(settings), m_clock(clock), m_prompt(prompt), m_options(std::move(options))
{
    SetModuleName("Instruments");
}

CInstrumentsModule::~CInstrumentsModule()
{
    Terminate();
}

void CInstrumentsModule::SetMessageBar(app::CMsgBar* bar)
{
    m_bar = bar;
}

bool CInstrumentsModule::Initialise()
{
    // Port paths belong to the machine, not to a workspace.
    const std::string key = app::CWorkspaceManager::DefaultRoot() + "\\Ports";
    // The main frame's "AutoConfigurePorts" of the workspace in use now: the
    // ports may be taken before the frame reads its values; a workspace
    // loaded later hands its own on (SetAutoConfigurePorts).
    app::CRegistry frameKey(Settings().GetStore());
    if (frameKey.OpenKeyForRead(Settings().GetRegistryKey()))
        frameKey.ReadBool("AutoConfigurePorts", m_options.ports.autoConfigure);
    m_ports = std::make_unique<CPortList>(LoadPortPaths(Settings().GetStore(), key, m_options.scan),
                                          m_options.ports);
    CStationOptions station;
    station.applicationFolder = m_options.programFolder;
    station.peerFileTimeout = m_options.peerFileTimeout;
    m_messaging = std::make_unique<CNetworkMessaging>(station);
    m_messaging->SetSharedFolder(m_options.programFolder.string());
    m_ports->SetNetworkPort(std::make_unique<CNetworkPort>(*m_messaging, m_received));

    m_wind = std::make_unique<CWindModule>(Settings(), *m_ports, m_clock);
    m_wind->Parser().SetIgnoreWarningFlags(&m_ignoreWarnings);
    m_repeater = std::make_unique<CRepeaterModule>(Settings(), *m_ports);
    m_autopilot = std::make_unique<CAutopilotModule>(Settings(), *m_ports, m_prompt);
    return m_wind->Initialise() && m_repeater->Initialise() && m_autopilot->Initialise();
}

void CInstrumentsModule::SetAutoConfigurePorts(bool on)
{
    m_options.ports.autoConfigure = on;
    if (m_ports)
        m_ports->SetAutoConfigure(on);
}

void CInstrumentsModule::SetPortPaths(const PortPaths& paths)
{
    if (m_ports)
        m_ports->SetPaths(paths, m_options.ports);
}

bool CInstrumentsModule::Terminate()
{
    ShutDown();
    for (app::CModule* module :
         std::initializer_list<app::CModule*>{m_autopilot.get(), m_repeater.get(), m_wind.get()})
        if (module != nullptr)
            module->Terminate();
    m_autopilot.reset();
    m_repeater.reset();
    m_wind.reset();
    if (m_bar != nullptr) {
        for (auto& [number, message] : m_portMessages)
            m_bar->RemoveMessage(message.first, false);
        for (app::MsgHandle& notice : m_notices)
            m_bar->RemoveMessage(notice, false);
    }
    m_portMessages.clear();
    m_notices.clear();
    m_ports.reset();
    m_messaging.reset();
    return true;
}

void CInstrumentsModule::LoadSettings()
{
    // Devices are reopened with the ports the settings name.
    if (m_devicesOpen) {
        m_wind->Device().CloseAll();
        m_repeater->Device().CloseAll();
        m_devicesOpen = false;
    }
    m_wind->LoadSettings();
    m_repeater->LoadSettings();
    m_autopilot->LoadSettings();
    app::CRegistry registry(Settings().GetStore());
    bool ignore = false;
    if (OpenSettings(registry, false)) {
        registry.ReadBool("IgnoreWarningFlags", ignore);
        registry.Close();
    }
    m_ignoreWarnings = ignore;
    // Only the values: messaging is stopped by the frame before a workspace
    // is left and started again once the new one is restored, after the
    // disclaimer at start.
    if (m_options.stationMessaging)
        m_messaging->LoadSettings(Settings().GetStore(), Settings().GetRegistryKey());
    OpenDevices();
}

void CInstrumentsModule::StopStationMessaging()
{
    if (m_options.stationMessaging && m_messaging)
        m_messaging->Stop();
}

bool CInstrumentsModule::StartStationMessaging()
{
    if (!m_options.stationMessaging || !m_messaging || m_messaging->IsStarted())
        return false;
    return StartMessaging();
}

void CInstrumentsModule::RestartDevices()
{
    if (!m_devicesOpen && m_repeater && m_wind)
        OpenDevices();
}

void CInstrumentsModule::OpenDevices()
{
    // What the navigator opens after its GPS when it starts: the repeater's
    // receive and transmit sides, then the wind.
    m_repeater->Device().OpenReceive();
    m_repeater->Device().OpenTransmit();
    m_wind->Device().OpenReceive();
    m_devicesOpen = true;
}

void CInstrumentsModule::SaveSettings()
{
    m_wind->SaveSettings();
    m_repeater->SaveSettings();
    m_autopilot->SaveSettings();
    app::CRegistry registry(Settings().GetStore());
    if (OpenSettings(registry, true)) {
        registry.WriteBool("IgnoreWarningFlags", m_ignoreWarnings);
        registry.Close();
    }
    m_messaging->SaveSettings(Settings().GetStore(), Settings().GetRegistryKey());
}

void CInstrumentsModule::OnRefresh()
{
    if (!m_messaging || (!m_options.stationMessaging && !m_messaging->IsStarted()))
        return;
    m_messaging->Stop();
    StartMessaging();
}

bool CInstrumentsModule::ApplyNetworkOptions(const std::string& folder, std::optional<Ipv4> address,
                                             std::uint16_t port)
{
    const bool changed = folder != m_messaging->GetSharedFolder() ||
                         address != m_messaging->ChosenAddress() ||
                         port != m_messaging->GetTcpPort();
    if (changed) {
        const bool wasStarted = m_messaging->IsStarted();
        m_messaging->Stop();
        // The folder is replaced even when it differs in case only: the user typed it so.
        m_messaging->SetSharedFolder(std::string());
        m_messaging->SetSharedFolder(folder);
        m_messaging->SetChosenAddress(address);
        m_messaging->SetTcpPort(port);
        if (wasStarted || m_options.stationMessaging)
            StartMessaging();
    }
    m_messaging->SaveSettings(Settings().GetStore(), Settings().GetRegistryKey());
    return changed;
}

void CInstrumentsModule::RegisterCommands(app::CCommandTable& commands)
{
    commands.Add(
        this, app::cmd::kNavAutopilot, [this](unsigned) { m_autopilot->OnAutopilotSwitch(); },
        [this](app::CCmdUI& ui) {
            const CCommandState state = m_autopilot->OnUpdateAutopilotSwitch();
            ui.Enable(state.enabled);
            ui.SetCheck(state.checked ? 1 : 0);
        });
}

void CInstrumentsModule::ShutDown()
{
    // The autopilot, the repeater, then the wind; station messaging once no
    // device uses the network port.
    for (CNMEADevice* device : std::initializer_list<CNMEADevice*>{
             m_autopilot ? &m_autopilot->Device() : nullptr,
             m_repeater ? &m_repeater->Device() : nullptr, m_wind ? &m_wind->Device() : nullptr})
        if (device != nullptr)
            device->CloseAll();
    m_devicesOpen = false;
    if (m_messaging)
        m_messaging->Stop();
}

void CInstrumentsModule::OnTimer(app::TimerCadence cadence)
{
    if (cadence != app::TimerCadence::EveryPass || !m_ports)
        return;
    if (m_autopilot)
        m_autopilot->OnTimerPass();
    m_messaging->FlushOutgoing();
    HandOutStationMessages();
    ShowPortConditions();
}

void CInstrumentsModule::HandOutStationMessages()
{
    for (CStationMessage& message : m_messaging->TakeIncoming()) {
        if (message.type == kStationSentence)
            m_received.Add(std::move(message.payload));
        else {
            if (m_stationHandler)
                m_stationHandler(message);
            for (const auto& [owner, handler] : m_ownedHandlers)
                handler(message);
        }
    }
    for (std::string& text : m_messaging->TakeNotices())
        ShowNotice(text);
}

void CInstrumentsModule::ShowNotice(const std::string& text)
{
    if (m_bar == nullptr)
        return;
    // A start tried again and failing for the same reason shows its line again (the
    // user may have cleared it) rather than a second one.
    const auto same =
        std::find_if(m_notices.begin(), m_notices.end(), [&text](app::MsgHandle notice) {
            return notice != nullptr && notice->text == text;
        });
    if (same != m_notices.end()) {
        m_bar->SetMessageActive(*same, 1, true);
        return;
    }
    app::MsgHandle& notice = m_notices.emplace_back(nullptr);
    m_bar->AddMessage(notice, text, kNoticePriority, 1, true);
    m_bar->SetMessageFlag(notice, true);
}

bool CInstrumentsModule::StartMessaging()
{
    // The lines of the configuration being left (a port that was taken) no longer hold; what
    // its leave just had to say does: a station list that stayed locked still names us.
    const std::vector<std::string> leaving = m_messaging->TakeNotices();
    const bool started = m_messaging->Start();
    if (started) {
        if (m_bar != nullptr)
            for (app::MsgHandle& notice : m_notices)
                m_bar->RemoveMessage(notice, true);
        m_notices.clear();
    }
    for (const std::string& text : leaving)
        ShowNotice(text);
    return started;
}

void CInstrumentsModule::ShowPortConditions()
{
    if (m_bar == nullptr)
        return;
    for (CPort* port : m_ports->Ports()) {
        const CPortCondition condition = port->GetCondition();
        auto& [handle, shown] = m_portMessages[port->GetNumber()];
        const std::string text =
            condition.open && !condition.connected ? PortDisconnectedText(*port, condition) : "";
        if (text == shown)
            continue;
        if (handle != nullptr)
            m_bar->RemoveMessage(handle, text.empty());
        if (!text.empty())
            m_bar->AddMessage(handle, text, kPortMessagePriority, 1, true);
        shown = text;
        OnPortMessage(*port, text);
    }
}

}   // namespace nmea

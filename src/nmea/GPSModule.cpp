#include "nmea/GPSModule.h"

#include <chrono>

#include "app/Registry.h"

namespace nmea {

namespace {
constexpr std::uint16_t kWarningPriority = 20001;
constexpr auto kWarningShownFor = std::chrono::seconds(20);
}   // namespace

SentenceList GpsSentences()
{
    return {
        {"BOD", "Bearing - Origin to Destination", true},
        {"BER", "Bearing & Distance to Waypoint, Dead Reckoning, Rhumb Line", true},
        {"BWR", "Bearing & Distance to Waypoint - Rhumb Line", true},
        {"DBT", "Depth Below Transducer", true},
        {"DTM", "Datum Reference", true},
        {"GDP", "Dead Reckoning Positions - Present Position and Time", true},
        {"GGA", "Global Positioning System Fix Data", true},
        {"GLL", "Geographic Position - Latitude/Longitude", true},
        {"GLP", "Loran-C Positions", true},
        {"RMA", "Recommended Minimum Specfic Loran-C Data", true},
        {"RMB", "Recommended Minimum Navigation Information", true},
        {"RMC", "Recommended Minimum Specfic GNSS Data", true},
        {"RTE", "Routes RTE - Routes", true},
        {"VHW", "Water Speed and Heading", true},
        {"VTG", "Course Over Ground and Ground Speed", true},
        {"WPL", "Waypoint Location", true},
        {"XTE", "Cross-Track Error, Measured", true},
        {"ZDA", "Time & Date", true},
        {"ZTG", "UTC & Time to Destination Waypoint", true},
    };
}

CGPSModule::CGPSModule(app::CSettingsHome& settings, CPortDirectory& ports,
                       const platform::CClock& clock, app::CMsgBar* bar,
                       std::function<int()> decimalPlaces)
    : app::CModule(settings), m_ports(ports), m_bar(bar), m_parser(clock, kDefaultRefreshSeconds)
{
    SetModuleName("Navigator\\GPS");
    m_config.receivePort = 1;
    m_config.transmitPort = 1;
    m_device = std::make_unique<CGPSDevice>(ports, m_config, m_parser, std::move(decimalPlaces));
}

CGPSModule::~CGPSModule()
{
    m_device->CloseAll();
}

bool CGPSModule::Initialise()
{
    const bool result = app::CModule::Initialise();
    m_config.SetSentences(GpsSentences());
    m_config.SetTalkers({});
    if (m_bar != nullptr) {
        m_bar->AddMessage(
            m_warning, "The vessel position WILL NOT BE UPDATED until NMEA or DR is reactivated.",
            kWarningPriority, 0, false);
        m_bar->SetMessageFlag(m_warning, true);
    }
    return result;
}

bool CGPSModule::Terminate()
{
    m_device->CloseAll();
    if (m_bar != nullptr) {
        m_bar->LockUpdate(false);
        m_bar->RemoveMessage(m_warning, false);
        m_bar->LockUpdate(true);
    }
    m_config.SetTalkers({});
    m_config.SetSentences({});
    return app::CModule::Terminate();
}

void CGPSModule::SetRefreshTime(std::uint8_t seconds)
{
    m_refreshSeconds = (seconds == 0 || seconds > 60) ? kDefaultRefreshSeconds : seconds;
    for (int i = 0; i < CNMEAGPSParser::ValueCount(); ++i)
        m_parser.Value(i).SetValiditySpan(std::chrono::seconds(m_refreshSeconds));
}

void CGPSModule::LoadSettings()
{
    app::CRegistry registry(Settings().GetStore());
    std::uint8_t refresh = m_refreshSeconds;
    if (OpenSettings(registry, false)) {
        std::uint8_t port = m_config.receivePort;
        if (registry.ReadByte("ReceiveCOMPort", port))
            m_config.receivePort = port;
        port = m_config.transmitPort;
        if (registry.ReadByte("TransmitCOMPort", port))
            m_config.transmitPort = port;
        registry.ReadTimeSpan("LoggingPeriod", m_loggingPeriod);
        registry.ReadTimeSpan("DRDelay", m_drDelay);
        registry.ReadByte("NMEARefreshTime", refresh);
        registry.Close();
    }
    if (OpenSettings(registry, false, "NMEASentences")) {
        m_config.LoadSentenceFlags(registry);
        registry.Close();
    }
    m_config.receivePort = ResolveStoredPort(m_ports, m_config.receivePort);
    m_config.transmitPort = ResolveStoredPort(m_ports, m_config.transmitPort);
    SetRefreshTime(refresh);
}

void CGPSModule::SaveSettings()
{
    app::CRegistry registry(Settings().GetStore());
    if (OpenSettings(registry, true)) {
        registry.WriteByte("ReceiveCOMPort", m_config.receivePort);
        registry.WriteByte("TransmitCOMPort", m_config.transmitPort);
        registry.WriteByte("NMEARefreshTime", m_refreshSeconds);
        registry.WriteTimeSpan("LoggingPeriod", m_loggingPeriod);
        registry.WriteTimeSpan("DRDelay", m_drDelay);
        registry.Close();
    }
    if (OpenSettings(registry, true, "NMEASentences")) {
        m_config.SaveSentenceFlags(registry);
        registry.Close();
    }
}

bool CGPSModule::ToggleReceive()
{
    return Held([this] { return SwitchReceive(); });
}

bool CGPSModule::ToggleTransmit()
{
    return Held([this] { return SwitchTransmit(); });
}

bool CGPSModule::Held(const std::function<bool()>& toggle)
{
    if (m_hold)
        m_hold(true);
    bool done = false;
    try {
        done = toggle();
    } catch (...) {
        if (m_hold)
            m_hold(false);
        throw;
    }
    if (m_hold)
        m_hold(false);
    return done;
}

bool CGPSModule::SwitchReceive()
{
    if (!m_device->IsReceiveOpen())
        return m_device->OpenReceive();
    m_device->CloseReceive();
    if (m_bar != nullptr && m_warning != nullptr) {
        m_bar->SetMessageActive(m_warning, 1, false);
        m_bar->SetMessageTimeout(m_warning, kWarningShownFor);
        m_bar->Refresh();
    }
    if (m_inputStopped)
        m_inputStopped();
    return true;
}

bool CGPSModule::SwitchTransmit()
{
    if (!m_device->IsTransmitEnabled())
        return m_device->OpenTransmit();
    m_device->CloseTransmit();
    return true;
}

}   // namespace nmea

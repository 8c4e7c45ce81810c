#include "nmea/WindModule.h"

#include <chrono>

#include "app/Registry.h"

namespace nmea {

CWindModule::CWindModule(app::CSettingsHome& settings, CPortDirectory& ports,
                         const platform::CClock& clock)
    : app::CModule(settings), m_ports(ports), m_parser(clock, 5)
{
    SetModuleName("Navigator\\Wind");
    m_config.receivePort = 1;
    m_device = std::make_unique<CWindDevice>(ports, m_config, m_parser);
}

CWindModule::~CWindModule()
{
    m_device->CloseAll();
}

bool CWindModule::Initialise()
{
    const bool result = app::CModule::Initialise();
    m_config.SetSentences(
        {{"MWV", "Wind Speed and Angle", true}, {"MWD", "Wind Direction & Speed", true}});
    m_config.SetTalkers({"WI", "II"});
    return result;
}

bool CWindModule::Terminate()
{
    m_device->CloseAll();
    m_config.SetTalkers({});
    m_config.SetSentences({});
    return app::CModule::Terminate();
}

void CWindModule::LoadSettings()
{
    app::CRegistry registry(Settings().GetStore());
    std::uint8_t refresh = m_refreshSeconds;
    if (OpenSettings(registry, false)) {
        std::uint8_t port = m_config.receivePort;
        if (registry.ReadByte("ReceiveCOMPort", port))
            m_config.receivePort = port;
        registry.ReadByte("NMEARefreshTime", refresh);
        registry.Close();
    }
    if (OpenSettings(registry, false, "NMEASentences")) {
        m_config.LoadSentenceFlags(registry);
        registry.Close();
    }
    m_config.receivePort = ResolveStoredPort(m_ports, m_config.receivePort);
    SetRefreshTime((refresh == 0 || refresh > 60) ? std::uint8_t{5} : refresh);
}

void CWindModule::SetRefreshTime(std::uint8_t seconds)
{
    if (seconds == 0 || seconds > 60)
        return;
    m_refreshSeconds = seconds;
    for (int i = 0; i < CNMEAGPSParser::ValueCount(); ++i)
        m_parser.Value(i).SetValiditySpan(std::chrono::seconds(m_refreshSeconds));
}

void CWindModule::SaveSettings()
{
    app::CRegistry registry(Settings().GetStore());
    if (OpenSettings(registry, true)) {
        registry.WriteByte("ReceiveCOMPort", m_config.receivePort);
        registry.WriteByte("NMEARefreshTime", m_refreshSeconds);
        registry.Close();
    }
    if (OpenSettings(registry, true, "NMEASentences")) {
        m_config.SaveSentenceFlags(registry);
        registry.Close();
    }
}

bool CWindModule::ToggleReceive()
{
    if (!m_device->IsReceiveOpen())
        return m_device->OpenReceive();
    m_device->CloseReceive();
    return true;
}

}   // namespace nmea

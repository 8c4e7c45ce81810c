// The instruments module's side of the navigator's Wind and NMEA pages.

#include <algorithm>

#include "nmea/ComPort.h"
#include "nmea/InstrumentsModule.h"

namespace nmea {

namespace {

// "COM3 (/dev/ttyUSB0) would not open: <reason>".
std::string OpenFailure(const CPortDirectory& ports, std::uint8_t number, const char* side)
{
    const CPort* port = ports.FindPort(number);
    std::string text = std::string(side) + ": " + CPort::PortName(number);
    if (const auto* com = dynamic_cast<const CComPort*>(port))
        text += " (" + com->GetDevicePath() + ")";
    const std::string reason = port ? port->GetCondition().reason : std::string();
    text += " would not open";
    text += reason.empty() ? std::string(port ? "" : ": no such port") : ": " + reason;
    return text + "; it is set to Off.";
}

void CopySentenceFlags(const SentenceList& from, CInstrumentConfig& to)
{
    for (const NMEASentenceEntry& e : from)
        to.SetSentenceEnabled(e.id, e.enabled);
}

}   // namespace

CWindOptions CInstrumentsModule::WindOptions() const
{
    CWindOptions v;
    v.receivePort = m_wind->Config().receivePort;
    v.validSentenceSeconds = m_wind->GetRefreshTime();
    return v;
}

std::string CInstrumentsModule::ApplyWindOptions(const CWindOptions& now,
                                                 const CWindOptions& before)
{
    std::string failure;
    m_wind->SetRefreshTime(static_cast<std::uint8_t>(std::clamp(now.validSentenceSeconds, 1, 60)));
    if (now.receivePort != before.receivePort) {
        CWindDevice& device = m_wind->Device();
        const bool wasOpen = device.IsReceiveOpen();
        device.CloseReceive();
        m_wind->Config().receivePort = now.receivePort;
        if (now.receivePort != 0 && (wasOpen || m_devicesOpen) && !device.OpenReceive()) {
            failure = OpenFailure(*m_ports, now.receivePort, "Wind");
            m_wind->Config().receivePort = 0;
        }
    }
    m_wind->SaveSettings();
    return failure;
}

std::vector<CInstrumentConfig*> CInstrumentsModule::SentenceConfigs()
{
    return {&m_autopilot->Config(), &m_wind->Config()};
}

CNMEAOptions CInstrumentsModule::NMEAOptions(std::vector<CSentenceGroup> leading) const
{
    CNMEAOptions v;
    v.groups = std::move(leading);
    v.groups.push_back({"Autopilot Sentences", m_autopilot->Config().GetSentences()});
    v.groups.push_back({"Wind Sentences", m_wind->Config().GetSentences()});
    const auto& numbers = m_repeater->GetReceivePortNumbers();
    for (int n = 1; n <= CPort::kLastSerialPort; ++n) {
        const auto number = static_cast<std::uint8_t>(n);
        if (m_ports->FindPort(number))
            v.repeaterReceive.push_back(
                {number, std::find(numbers.begin(), numbers.end(), number) != numbers.end()});
    }
    v.repeaterTransmit = m_repeater->Device().GetTransmitPort();
    v.ignoreWarnings = m_ignoreWarnings;
    return v;
}

std::string CInstrumentsModule::ApplyNMEAOptions(CNMEAOptions& now, const CNMEAOptions& before,
                                                 const std::vector<CInstrumentConfig*>& configs)
{
    std::string failure;
    for (std::size_t i = 0; i < now.groups.size() && i < configs.size(); ++i)
        if (configs[i] != nullptr)
            CopySentenceFlags(now.groups[i].entries, *configs[i]);
    m_ignoreWarnings = now.ignoreWarnings;

    if (now.repeaterReceive != before.repeaterReceive) {
        std::vector<std::uint8_t> ticked;
        for (const CRepeaterPortTick& p : now.repeaterReceive)
            if (p.ticked)
                ticked.push_back(p.number);
        CRepeaterDevice& device = m_repeater->Device();
        const bool wasOpen = device.IsReceiveOpen();
        device.CloseReceive();
        m_repeater->SetReceivePortNumbers(std::move(ticked));
        if (wasOpen || m_devicesOpen)
            device.OpenReceive();
    }
    if (now.repeaterTransmit != before.repeaterTransmit) {
        CRepeaterDevice& device = m_repeater->Device();
        device.CloseTransmit();
        m_repeater->SetTransmitPort(now.repeaterTransmit);
        if (now.repeaterTransmit != 0 && !device.OpenTransmit()) {
            failure = OpenFailure(*m_ports, now.repeaterTransmit, "Repeater");
            m_repeater->SetTransmitPort(0);
            now.repeaterTransmit = 0;
        }
    }
    SaveSettings();
    return failure;
}

}   // namespace nmea

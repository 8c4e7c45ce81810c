#include "nmea/RepeaterModule.h"

#include <algorithm>

#include "app/Registry.h"

namespace nmea {

CRepeaterDevice::CRepeaterDevice(CPortDirectory& ports,
                                 const std::atomic<std::uint8_t>& transmitPort)
    : CNMEADevice(ports), m_transmitPort(transmitPort)
{ }

CRepeaterDevice::~CRepeaterDevice()
{
    CloseAll();
}

bool CRepeaterDevice::OpenReceive()
{
    if (IsReceiveOpen())
        return true;
    for (CPort* port : m_ports)
        if (AttachReceivePortRaw(*port))
            m_attached.push_back(port);
    MarkReceiveOpen(!m_attached.empty());
    return !m_attached.empty();
}

void CRepeaterDevice::CloseReceive()
{
    MarkReceiveOpen(false);
    for (CPort* port : m_attached)
        DetachReceivePortRaw(*port);
    m_attached.clear();
}

bool CRepeaterDevice::StartTransmitThread()
{
    return RunTransmitWorker([this](std::stop_token stop) {
        std::string line;
        while (TakeReceived(stop, line))
            if (IsTransmitEnabled())
                PushTransmit(std::move(line));
    });
}

CRepeaterModule::CRepeaterModule(app::CSettingsHome& settings, CPortDirectory& ports)
    : app::CModule(settings), m_ports(ports)
{
    SetModuleName("Navigator\\Repeater");
    m_device = std::make_unique<CRepeaterDevice>(ports, m_transmitPort);
}

CRepeaterModule::~CRepeaterModule()
{
    m_device->CloseAll();
}

void CRepeaterModule::SetReceivePortNumbers(std::vector<std::uint8_t> numbers)
{
    // Ports that do not exist are left out, and so is a port named twice:
    // the same port attached twice would repeat every line twice.
    std::vector<std::uint8_t> kept;
    std::vector<CPort*> ports;
    for (const std::uint8_t number : numbers) {
        CPort* port = number == 0 ? nullptr : m_ports.FindPort(number);
        if (port == nullptr || std::find(kept.begin(), kept.end(), number) != kept.end())
            continue;
        if (kept.size() == kMaxReceivePorts)
            break;
        kept.push_back(number);
        ports.push_back(port);
    }
    m_receiveNumbers = std::move(kept);
    m_device->SetReceivePorts(std::move(ports));
}

void CRepeaterModule::LoadSettings()
{
    app::CRegistry registry(Settings().GetStore());
    std::vector<std::uint8_t> numbers;
    std::uint8_t transmit = 0;
    if (OpenSettings(registry, false)) {
        registry.ReadBinary("ReceiveCOMPort", numbers);
        registry.ReadByte("TransmitCOMPort", transmit);
        registry.Close();
    }
    SetReceivePortNumbers(std::move(numbers));
    m_transmitPort = m_ports.IsPortAvailable(transmit) ? transmit : std::uint8_t{0};
}

void CRepeaterModule::SaveSettings()
{
    app::CRegistry registry(Settings().GetStore());
    if (OpenSettings(registry, true)) {
        registry.WriteBinary("ReceiveCOMPort", m_receiveNumbers);
        registry.WriteByte("TransmitCOMPort", m_transmitPort);
        registry.Close();
    }
}

bool CRepeaterModule::ToggleReceive()
{
    if (!m_device->IsReceiveOpen())
        return m_device->OpenReceive();
    m_device->CloseReceive();
    return true;
}

bool CRepeaterModule::ToggleTransmit()
{
    if (!m_device->IsTransmitEnabled())
        return m_device->OpenTransmit();
    m_device->CloseTransmit();
    return true;
}

}   // namespace nmea

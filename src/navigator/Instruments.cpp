#include "navigator/Instruments.h"

#include "nmea/GPSModule.h"
#include "nmea/PortList.h"

namespace navigator {

namespace {

class CGpsModuleReceiver final : public CGpsReceiver {
public:
    CGpsModuleReceiver(nmea::CGPSModule& gps, const nmea::CPortDirectory& ports)
        : m_gps(gps), m_ports(ports)
    { }
    nmea::CNMEAMessageParser& Parser() override { return m_gps.Parser(); }
    bool IsReceiving() const override { return m_gps.Device().IsReceiving(); }
    // Closed or open, receiving or waiting: the receive side has a port.
    bool IsAvailable() const override
    {
        const std::uint8_t number = m_gps.Config().receivePort;
        return number != 0 && m_ports.IsPortAvailable(number);
    }

private:
    nmea::CGPSModule& m_gps;
    const nmea::CPortDirectory& m_ports;
};

// Every device on every port's open receive side gets the line, as if the
// port had read it.
class CPortReplayTarget final : public CReplayTarget {
public:
    explicit CPortReplayTarget(nmea::CPortList& ports) : m_ports(ports) { }
    std::size_t DeliverLine(std::string_view line) override
    {
        std::size_t reached = 0;
        for (nmea::CPort* port : m_ports.Ports()) {
            if (port->GetUsers(nmea::PortChannel::Receive) <= 0)
                continue;
            reached += port->DeviceCount(nmea::PortChannel::Receive);
            port->DeliverReceived(line);
        }
        return reached;
    }

private:
    nmea::CPortList& m_ports;
};

}   // namespace

CInstruments::CInstruments(app::CSettingsHome& settings, const platform::CClock& clock,
                           app::CMsgBar* bar, nmea::CPortList* ports,
                           std::function<int()> decimalPlaces)
    : m_ports(ports)
{
    if (m_ports == nullptr) {
        m_ownPorts = std::make_unique<nmea::CPortList>(
            nmea::LoadPortPaths(settings.GetStore(), kPortsKey, nmea::CSerialScan{}),
            nmea::CComPortOptions{});
        m_ports = m_ownPorts.get();
    }
    m_gps = std::make_unique<nmea::CGPSModule>(settings, *m_ports, clock, bar,
                                               std::move(decimalPlaces));
    m_gps->Initialise();
    m_gps->LoadSettings();
    m_receiver = std::make_unique<CGpsModuleReceiver>(*m_gps, *m_ports);
    m_target = std::make_unique<CPortReplayTarget>(*m_ports);
}

CInstruments::~CInstruments()
{
    Close();
    m_gps.reset();
    m_ownPorts.reset();
}

bool CInstruments::OpenGpsReceive()
{
    if (m_gps->Device().IsReceiveOpen())
        return true;
    return m_gps->Config().receivePort != 0 && m_gps->ToggleReceive();
}

bool CInstruments::SwitchGpsReceive(bool open)
{
    if (open)
        return OpenGpsReceive();
    return !m_gps->Device().IsReceiveOpen() || m_gps->ToggleReceive();
}

bool CInstruments::DeviceThere(std::uint8_t port) const
{
    const nmea::CPort* p = m_ports->FindPort(port);
    return p != nullptr && p->GetCondition().connected;
}

bool CInstruments::SetGpsReceivePort(std::uint8_t port)
{
    nmea::CGPSDevice& device = m_gps->Device();
    device.CloseReceive();
    m_gps->Config().receivePort = port;
    if (port == 0 || (device.OpenReceive() && DeviceThere(port)))
        return true;
    device.CloseReceive();
    m_gps->Config().receivePort = 0;
    return false;
}

bool CInstruments::SetGpsTransmitPort(std::uint8_t port)
{
    nmea::CGPSDevice& device = m_gps->Device();
    device.CloseTransmit();
    m_gps->Config().transmitPort = port;
    if (port == 0 || (device.OpenTransmit() && DeviceThere(port)))
        return true;
    device.CloseTransmit();
    m_gps->Config().transmitPort = 0;
    return false;
}

void CInstruments::Close()
{
    if (m_gps)
        m_gps->Device().CloseAll();
}

void CInstruments::LoadSettings()
{
    m_gps->LoadSettings();
}

void CInstruments::SaveSettings()
{
    m_gps->SaveSettings();
}

void CInstruments::Terminate()
{
    Close();
    m_gps->Terminate();
}

std::chrono::seconds CInstruments::DrDelay() const
{
    return std::chrono::seconds(m_gps->GetDRDelay().GetTotalSeconds());
}

std::chrono::seconds CInstruments::LoggingPeriod() const
{
    return std::chrono::seconds(m_gps->GetLoggingPeriod().GetTotalSeconds());
}

}   // namespace navigator

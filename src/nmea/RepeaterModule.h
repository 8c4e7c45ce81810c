#pragma once
// The repeater: every line that arrives on a chosen set of receive ports goes
// out unchanged on one transmit port (no filters, no checksum test), so other
// instruments can be fed from the same inputs.

#include <memory>
#include <vector>

#include "app/Module.h"
#include "nmea/NMEADevice.h"

namespace nmea {

class CRepeaterDevice final : public CNMEADevice {
public:
    CRepeaterDevice(CPortDirectory& ports, const std::atomic<std::uint8_t>& transmitPort);
    ~CRepeaterDevice() override;

    std::string GetName() const override { return "Repeater"; }
    std::uint8_t GetTransmitPort() const override { return m_transmitPort; }

    // The ports to read; takes effect at the next OpenReceive.
    void SetReceivePorts(std::vector<CPort*> ports) { m_ports = std::move(ports); }
    // Attaches every port of the list; open when at least one attached.
    bool OpenReceive() override;
    // Detaches every attached port.
    void CloseReceive() override;
    std::size_t AttachedReceivePorts() const { return m_attached.size(); }

protected:
    bool StartTransmitThread() override;

private:
    const std::atomic<std::uint8_t>& m_transmitPort;
    std::vector<CPort*> m_ports;
    std::vector<CPort*> m_attached;
};

class CRepeaterModule : public app::CModule {
public:
    // The stored list is cut to this many ports.
    static constexpr std::size_t kMaxReceivePorts = 13;

    CRepeaterModule(app::CSettingsHome& settings, CPortDirectory& ports);
    ~CRepeaterModule() override;

    void LoadSettings() override;
    void SaveSettings() override;
    bool ToggleReceive();
    bool ToggleTransmit();

    void SetReceivePortNumbers(std::vector<std::uint8_t> numbers);
    const std::vector<std::uint8_t>& GetReceivePortNumbers() const { return m_receiveNumbers; }
    void SetTransmitPort(std::uint8_t number) { m_transmitPort = number; }
    CRepeaterDevice& Device() { return *m_device; }

private:
    CPortDirectory& m_ports;
    std::vector<std::uint8_t> m_receiveNumbers;
    std::atomic<std::uint8_t> m_transmitPort{0};
    std::unique_ptr<CRepeaterDevice> m_device;
};

}   // namespace nmea

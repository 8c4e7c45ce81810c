#pragma once
// The program's ports: "COM1".."COM12", each over a device path kept in the
// application-wide settings, then the network port (255).
//
// A port exists when it has a path, whether its device is there or not: an
// adapter missing at start-up makes a disconnected port, so the modules'
// fall-back for unknown ports never rewrites the user's choice. On the first
// start the paths are assigned: the stable names under /dev/serial/by-id in
// name order, then the /dev/ttyS* devices that open. A typed path is always
// accepted.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nmea/ComPort.h"
#include "nmea/NMEADevice.h"

namespace platform {
class CSettingsStore;
}

namespace nmea {

using PortPaths = std::array<std::string, CPort::kLastSerialPort>;   // [0] is COM1

// Where the serial devices are looked for; tests point it at a folder of their own.
struct CSerialScan {
    std::filesystem::path byIdFolder = "/dev/serial/by-id";
    std::filesystem::path devFolder = "/dev";
    // Whether a /dev/ttyS* device is real hardware: it opens as a terminal.
    std::function<bool(const std::filesystem::path&)> opens;
};

// by-id links first (name order), then ttyS devices that open (number order),
// at most twelve.
PortPaths DefaultPortPaths(const CSerialScan& scan);

// The stored paths under `key` ("COM1".."COM12"); when the key does not exist
// yet the defaults are assigned and stored.
PortPaths LoadPortPaths(platform::CSettingsStore& store, std::string_view key,
                        const CSerialScan& scan);
void SavePortPaths(platform::CSettingsStore& store, std::string_view key, const PortPaths& paths);

class CPortList final : public CPortDirectory {
public:
    CPortList(const PortPaths& paths, CComPortOptions options);
    ~CPortList() override;

    // Changed paths take effect at once: a port whose path changed goes on
    // over its new device, a new path makes its port, and a port whose path
    // was emptied leaves the list (kept alive for devices still attached).
    void SetPaths(const PortPaths& paths, CComPortOptions options);
    // The "AutoConfigurePorts" setting for every serial port's next open.
    void SetAutoConfigure(bool on);

    // The network port is added once station messaging exists.
    void SetNetworkPort(std::unique_ptr<CPort> port);

    CPort* FindPort(std::uint8_t number) const override;
    std::uint8_t GetFirstPortNumber() const override;
    // The serial ports in number order, then the network port.
    std::vector<CPort*> Ports() const;

private:
    std::vector<std::unique_ptr<CComPort>> m_serial;
    std::vector<std::unique_ptr<CComPort>> m_retired;
    std::unique_ptr<CPort> m_network;
};

}   // namespace nmea

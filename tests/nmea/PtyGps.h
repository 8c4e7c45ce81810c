#pragma once
// A GPS device whose first port is one end of a pseudo-terminal pair and
// which sends on that port: the test reads what it sends at `pty`'s peer.

#include "PtyPair.h"

#include "app/Module.h"
#include "nmea/GPSModule.h"
#include "nmea/PortList.h"
#include "platform/Clock.h"

#include <filesystem>
#include <memory>

namespace brine_test {

struct PtyGps {
    // Links the pair in `folder` and starts the device on it; false when
    // either does not come up.
    bool Start(const std::filesystem::path& folder, app::CSettingsHome& settings,
               const platform::CClock& clock)
    {
        pty = std::make_unique<PtyPair>(folder, "usb-GPS_1");
        if (!pty->Running())
            return false;
        nmea::PortPaths paths;
        paths[0] = pty->Path().string();
        ports = std::make_unique<nmea::CPortList>(paths, nmea::CComPortOptions{});
        gps =
            std::make_unique<nmea::CGPSModule>(settings, *ports, clock, nullptr, [] { return 4; });
        if (!gps->Initialise())
            return false;
        gps->Config().transmitPort = 1;
        return true;
    }
    void Stop()
    {
        if (gps)
            gps->Terminate();
    }

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<nmea::CPortList> ports;
    std::unique_ptr<nmea::CGPSModule> gps;
};

}   // namespace brine_test

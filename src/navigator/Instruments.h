#pragma once
// The navigator's instruments as the program runs them: the application's
// ports (COM1..COM12 over the stored device paths) and the GPS module on
// them, with the two views the navigator takes of them: the GPS receive side
// it reads, and the ports' receive devices the replay feeds.

#include <functional>
#include <memory>

#include "app/Module.h"
#include "navigator/NavigatorModule.h"

namespace app {
class CMsgBar;
}
namespace nmea {
class CGPSModule;
class CPortList;
}   // namespace nmea

namespace navigator {

class CInstruments {
public:
    // Where the application keeps the paths of COM1 to COM12.
    static constexpr const char* kPortsKey = "Software\\Quorwick\\Brinevane\\Ports";

    // `ports` is the application's port list (the instruments module's); without
    // one (tests) the instruments keep a list of their own. `decimalPlaces`
    // gives the "DecimalPlaces" setting to the waypoints the GPS is sent.
    CInstruments(app::CSettingsHome& settings, const platform::CClock& clock, app::CMsgBar* bar,
                 nmea::CPortList* ports = nullptr, std::function<int()> decimalPlaces = {});
    ~CInstruments();

    nmea::CGPSModule& Gps() { return *m_gps; }
    nmea::CPortList* Ports() const { return m_ports; }
    CGpsReceiver& Receiver() { return *m_receiver; }
    CReplayTarget& ReplayTarget() { return *m_target; }
    // Opens the GPS receive side when it has a port; true when it is open.
    bool OpenGpsReceive();
    // NMEA input on or off as Position Source asks: off goes through the GPS
    // module's own switch (its warning, the views told), the transmit side
    // left as it is.
    bool SwitchGpsReceive(bool open);
    // Moves the GPS's receive or transmit side to `port` (0: off): the side
    // open now closes and the new one opens at once, the other side left as
    // it is. False, with the port set to off, when the new one would not
    // open or its device is not there now (a missing or held adapter), so a
    // port chosen on the options page is one that works.
    bool SetGpsReceivePort(std::uint8_t port);
    bool SetGpsTransmitPort(std::uint8_t port);
    void Close();
    // The GPS module's own module steps (it is a sub-module of the navigator).
    void LoadSettings();
    void SaveSettings();
    void Terminate();
    std::chrono::seconds DrDelay() const;
    std::chrono::seconds LoggingPeriod() const;

private:
    bool DeviceThere(std::uint8_t port) const;

    std::unique_ptr<nmea::CPortList> m_ownPorts;   // first in, last out
    nmea::CPortList* m_ports;
    std::unique_ptr<nmea::CGPSModule> m_gps;
    std::unique_ptr<CGpsReceiver> m_receiver;
    std::unique_ptr<CReplayTarget> m_target;
};

}   // namespace navigator

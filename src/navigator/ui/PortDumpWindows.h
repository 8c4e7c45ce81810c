#pragma once
// The navigator's port windows: for each port a receive and a transmit
// sentence window in the frame's MDI area, shown and hidden by the commands
// 2269-2294 and listed by "COM Port Window".

#include <QPointer>
#include <QString>

#include <functional>
#include <map>

namespace app {
class CCommandTable;
}
class QMdiArea;
class QMdiSubWindow;
namespace nmea {
class CPort;
class CPortDirectory;
}   // namespace nmea

namespace navigator {

// The menu text of a port window command: "Show/Hide COM3 Receive window",
// "Show/Hide Network Transmit window"; empty for any other id.
QString PortWindowCommandText(unsigned id);

class CPortDumpWindows {
public:
    static constexpr unsigned kFirstReceive = 2269;   // COM1 receive; COMn is 2268 + n
    static constexpr unsigned kFirstTransmit = 2281;   // COM1 transmit; COMn is 2280 + n
    static constexpr unsigned kNetworkReceive = 2293;
    static constexpr unsigned kNetworkTransmit = 2294;

    using MdiFinder = std::function<QMdiArea*()>;
    CPortDumpWindows(std::function<nmea::CPortDirectory*()> ports, MdiFinder mdi);
    ~CPortDumpWindows();

    void RegisterCommands(app::CCommandTable& commands, const void* owner);
    // Shows the window of the command's port and channel, or closes it when open.
    void Toggle(unsigned id);
    // Shows the window of the command's port and channel, or brings it
    // forward when it shows already: a port never has two of one kind.
    void Open(unsigned id);
    bool IsOpen(unsigned id) const;
    QMdiSubWindow* Window(unsigned id) const;
    void CloseAll();
    // The popup of "COM Port Window": every port's two windows, checked when open.
    void ShowMenu(app::CCommandTable& commands);

private:
    nmea::CPort* PortOf(unsigned id) const;

    std::function<nmea::CPortDirectory*()> m_ports;
    MdiFinder m_mdi;
    std::map<unsigned, QPointer<QMdiSubWindow>> m_windows;
};

}   // namespace navigator

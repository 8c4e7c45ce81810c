#include "navigator/ui/PortDumpWindows.h"

#include <QCursor>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "nmea/NMEADevice.h"
#include "nmea/Port.h"
#include "nmea/ui/NmeaDumpView.h"

namespace navigator {

namespace {

bool IsReceive(unsigned id)
{
    return id < CPortDumpWindows::kFirstTransmit || id == CPortDumpWindows::kNetworkReceive;
}

std::uint8_t PortNumber(unsigned id)
{
    if (id >= CPortDumpWindows::kNetworkReceive)
        return nmea::CPort::kNetworkPort;
    return static_cast<std::uint8_t>(IsReceive(id) ? id - CPortDumpWindows::kFirstReceive + 1
                                                   : id - CPortDumpWindows::kFirstTransmit + 1);
}

}   // namespace

CPortDumpWindows::CPortDumpWindows(std::function<nmea::CPortDirectory*()> ports, MdiFinder mdi)
    : m_ports(std::move(ports)), m_mdi(std::move(mdi))
{ }

CPortDumpWindows::~CPortDumpWindows()
{
    CloseAll();
}

nmea::CPort* CPortDumpWindows::PortOf(unsigned id) const
{
    nmea::CPortDirectory* ports = m_ports ? m_ports() : nullptr;
    return ports ? ports->FindPort(PortNumber(id)) : nullptr;
}

QMdiSubWindow* CPortDumpWindows::Window(unsigned id) const
{
    const auto it = m_windows.find(id);
    return it == m_windows.end() ? nullptr : it->second.data();
}

bool CPortDumpWindows::IsOpen(unsigned id) const
{
    return Window(id) != nullptr;
}

void CPortDumpWindows::Toggle(unsigned id)
{
    if (QMdiSubWindow* open = Window(id))
        open->close();
    else
        Open(id);
}

void CPortDumpWindows::Open(unsigned id)
{
    QMdiArea* mdi = m_mdi ? m_mdi() : nullptr;
    if (QMdiSubWindow* open = Window(id)) {
        if (mdi)
            mdi->setActiveSubWindow(open);
        return;
    }
    nmea::CPort* port = PortOf(id);
    if (!port || !mdi)
        return;
    auto* view = new nmea::CNmeaDumpView(*port, IsReceive(id) ? nmea::PortChannel::Receive
                                                              : nmea::PortChannel::Transmit);
    QMdiSubWindow* sub = mdi->addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(view->windowTitle());
    // The dump windows' own picture, not the program's.
    sub->setWindowIcon(QIcon(QStringLiteral(":/icons/nmea-dump.svg")));
    sub->resize(560, 300);
    sub->show();
    view->setFocus();
    m_windows[id] = sub;
}

void CPortDumpWindows::CloseAll()
{
    for (auto& [id, window] : m_windows)
        if (window)
            delete window.data();
    m_windows.clear();
}

void CPortDumpWindows::RegisterCommands(app::CCommandTable& commands, const void* owner)
{
    const auto toggle = [this](unsigned id) { Toggle(id); };
    const auto update = [this](app::CCmdUI& ui) {
        ui.Enable(PortOf(ui.GetID()) != nullptr);
        ui.SetCheck(IsOpen(ui.GetID()) ? 1 : 0);
    };
    commands.Add(owner, kFirstReceive, kNetworkTransmit, toggle, update);
    commands.Add(
        owner, app::cmd::kViewPortWindow, [this, &commands](unsigned) { ShowMenu(commands); },
        [this](app::CCmdUI& ui) {
            bool any = false;
            for (unsigned id = kFirstReceive; id <= kNetworkTransmit && !any; ++id)
                any = PortOf(id) != nullptr;
            ui.Enable(any);
        });
}

QString PortWindowCommandText(unsigned id)
{
    using W = CPortDumpWindows;
    const unsigned serialPorts = nmea::CPort::kLastSerialPort;
    if (id >= W::kFirstReceive && id < W::kFirstReceive + serialPorts)
        return QStringLiteral("Show/Hide COM%1 Receive window").arg(id - W::kFirstReceive + 1);
    if (id >= W::kFirstTransmit && id < W::kFirstTransmit + serialPorts)
        return QStringLiteral("Show/Hide COM%1 Transmit window").arg(id - W::kFirstTransmit + 1);
    if (id == W::kNetworkReceive)
        return QStringLiteral("Show/Hide Network Receive window");
    if (id == W::kNetworkTransmit)
        return QStringLiteral("Show/Hide Network Transmit window");
    return {};
}

void CPortDumpWindows::ShowMenu(app::CCommandTable& commands)
{
    QMenu menu;
    const auto add = [&](unsigned id, const QString& text) {
        if (!PortOf(id))
            return;
        QAction* a = menu.addAction(text);
        a->setCheckable(true);
        a->setChecked(IsOpen(id));
        QObject::connect(a, &QAction::triggered, [&commands, id] { commands.Execute(id); });
    };
    for (unsigned n = 1; n <= nmea::CPort::kLastSerialPort; ++n) {
        add(kFirstReceive + n - 1, PortWindowCommandText(kFirstReceive + n - 1));
        add(kFirstTransmit + n - 1, PortWindowCommandText(kFirstTransmit + n - 1));
    }
    add(kNetworkReceive, PortWindowCommandText(kNetworkReceive));
    add(kNetworkTransmit, PortWindowCommandText(kNetworkTransmit));
    if (!menu.isEmpty())
        menu.exec(QCursor::pos());
}

}   // namespace navigator

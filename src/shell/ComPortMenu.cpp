#include "shell/ComPortMenu.h"

#include <QAction>
#include <QMenu>

#include "app/CommandTable.h"
#include "navigator/ui/PortDumpWindows.h"

namespace shell {

namespace {
constexpr unsigned kFirstReceive = 2269;   // COMn receive is 2268 + n
constexpr unsigned kFirstTransmit = 2281;   // COMn transmit is 2280 + n
constexpr unsigned kNetworkReceive = 2293;
constexpr unsigned kNetworkTransmit = 2294;
constexpr unsigned kSerialPorts = 12;
}   // namespace

bool FillComPortMenu(QMenu& menu, const app::CCommandTable& commands)
{
    menu.clear();
    const auto add = [&](unsigned id, const QString& text) {
        const app::CCmdUIState state = commands.Update(id);
        if (!state.enabled)
            return;   // no such port
        QAction* a = menu.addAction(text);
        a->setData(id);
        a->setCheckable(true);
        a->setChecked(state.check == 1);
        QObject::connect(a, &QAction::triggered, &menu, [&commands, id] { commands.Execute(id); });
    };
    for (unsigned n = 1; n <= kSerialPorts; ++n) {
        add(kFirstReceive + n - 1, navigator::PortWindowCommandText(kFirstReceive + n - 1));
        add(kFirstTransmit + n - 1, navigator::PortWindowCommandText(kFirstTransmit + n - 1));
    }
    add(kNetworkReceive, navigator::PortWindowCommandText(kNetworkReceive));
    add(kNetworkTransmit, navigator::PortWindowCommandText(kNetworkTransmit));
    return !menu.isEmpty();
}

QMenu* BuildComPortMenu(QAction& item, const app::CCommandTable& commands)
{
    auto* menu = new QMenu(item.text(), qobject_cast<QWidget*>(item.parent()));
    menu->setObjectName("ComPortMenu");
    item.setMenu(menu);
    QObject::connect(menu, &QMenu::aboutToShow, menu,
                     [menu, &commands] { FillComPortMenu(*menu, commands); });
    FillComPortMenu(*menu, commands);
    return menu;
}

}   // namespace shell

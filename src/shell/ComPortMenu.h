#pragma once
// View > COM Port Window as a submenu of every port's sentence windows: for
// each serial port a "Receive" and a "Transmit" entry, then the network
// port's two when station messaging runs, each checked while its window is
// open. Entries come from the port window commands' own states, rebuilt each
// time the menu opens, so ports added or removed show at once; with no port
// at all the item is greyed.

namespace app {
class CCommandTable;
}
class QAction;
class QMenu;

namespace shell {

// Gives `item` its submenu; the commands run through `commands`.
QMenu* BuildComPortMenu(QAction& item, const app::CCommandTable& commands);
// Fills the submenu from the commands' states now; false when it stays empty.
bool FillComPortMenu(QMenu& menu, const app::CCommandTable& commands);

}   // namespace shell

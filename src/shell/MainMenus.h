#pragma once
// The main frame's menus and toolbars as tables of command ids: what each
// menu holds, with its texts and shortcut keys, and which buttons each
// toolbar holds. Whether a command is enabled is the command table's answer.

#include <span>

class QIcon;

namespace shell {

enum class MenuKind { Item, Separator, Popup, EndPopup };

struct MenuEntry {
    MenuKind kind;
    unsigned id;   // command id (Item), 0 otherwise
    const char* text;   // menu text with its mnemonic
    const char* keys;   // shortcut in QKeySequence form, or null
    bool checkable;
    // A key another window handles (the chart's +, - and Home), named in the
    // menu after the text without being a shortcut of the frame; or null.
    const char* shownKey = nullptr;
};

struct TopMenu {
    unsigned buttonId;   // 0x80000000 + the menu's number
    const char* title;
    std::span<const MenuEntry> entries;
};

struct ToolBarButton {
    unsigned id;   // 0 = separator
    const char* tip;
    const char* icon;   // icon name; ":/icons/<name>.svg" is always bundled
    bool themed;   // a freedesktop name the desktop's icon theme may draw
};

// The button's picture: the icon theme's for a freedesktop name when the
// desktop has one, else the program's own bundled drawing.
QIcon ToolBarIcon(const ToolBarButton& button);

struct ToolBarDef {
    unsigned id;
    const char* title;
    bool newRow;
    std::span<const ToolBarButton> buttons;
};

std::span<const TopMenu> MainMenus();
// Keys of commands that have no menu item of their own (Ctrl+Alt+D: Day).
std::span<const MenuEntry> MainAccelerators();
std::span<const ToolBarDef> MainToolBars();
// Buttons only Tools > Customise puts on a toolbar, with their names and pictures.
std::span<const ToolBarButton> CustomiseOnlyButtons();

}   // namespace shell

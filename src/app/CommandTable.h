#pragma once
// Menu, toolbar and accelerator commands of the program, by command id.
//
// Each module registers the commands it owns: a handler that carries the
// command out, and optionally an update handler that says whether the command
// is enabled, checked, and what its menu text is. The window layer turns the
// ids into actions and asks for their state on each idle pass; nothing here
// knows about windows.
//
// Several owners may register the same id; the first registration with a
// handler wins, as the frame asks its modules in a fixed order.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace app {

// What an update handler can say about one command.
struct CCmdUIState {
    bool enabled = true;
    std::optional<int> check;   // 0 clear, 1 checked, 2 indeterminate; absent = untouched
    std::optional<std::string> text;   // absent = keep the current menu text
    // While disabled: why, in a sentence the message pane shows while the
    // command's menu is open (empty when the reason is plain to see).
    std::string why;
    bool operator==(const CCmdUIState&) const = default;
};

// The object an update handler fills in.
class CCmdUI {
public:
    explicit CCmdUI(unsigned id) : m_id(id) { }
    unsigned GetID() const { return m_id; }
    void Enable(bool on = true) { m_state.enabled = on; }
    void SetCheck(int check = 1) { m_state.check = check; }
    void SetText(std::string text) { m_state.text = std::move(text); }
    void SetWhyDisabled(std::string why) { m_state.why = std::move(why); }
    const CCmdUIState& State() const { return m_state; }

private:
    unsigned m_id;
    CCmdUIState m_state;
};

class CCommandTable {
public:
    using Owner = const void*;   // whoever registered; used to drop its commands together
    using Handler = std::function<void(unsigned id)>;
    using UpdateHandler = std::function<void(CCmdUI& ui)>;

    // Registers `first`..`last` (inclusive) for one owner. Either handler may be
    // empty. Refuses (false) an empty range or one with neither handler.
    bool Add(Owner owner, unsigned first, unsigned last, Handler handler,
             UpdateHandler update = {});
    bool Add(Owner owner, unsigned id, Handler handler, UpdateHandler update = {})
    {
        return Add(owner, id, id, std::move(handler), std::move(update));
    }

    // The same, ahead of every earlier registration: the active window's
    // commands answer before the modules' and the frame's.
    bool AddFirst(Owner owner, unsigned id, Handler handler, UpdateHandler update = {});

    // Drops every registration of the owner (a module being terminated).
    void Remove(Owner owner);

    // Runs the first handler registered for the id; false when none is.
    bool Execute(unsigned id) const;

    bool HasHandler(unsigned id) const;
    // Whether anything answers the command: a handler or an update handler
    // (a status indicator has only the latter).
    bool IsKnown(unsigned id) const;

    // The command's state: the first update handler's answer; without one, a
    // command with a handler is enabled, and one without is disabled when
    // `disableIfNoHandler` is set (menus) and left enabled otherwise.
    CCmdUIState Update(unsigned id, bool disableIfNoHandler = true) const;

private:
    struct Entry {
        Owner owner;
        unsigned first;
        unsigned last;
        Handler handler;
        UpdateHandler update;
    };
    const Entry* FindHandler(unsigned id) const;
    const Entry* FindUpdate(unsigned id) const;

    std::vector<Entry> m_entries;   // registration order decides who answers first
};

}   // namespace app

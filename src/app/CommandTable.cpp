#include "app/CommandTable.h"

#include <algorithm>

namespace app {

bool CCommandTable::Add(Owner owner, unsigned first, unsigned last, Handler handler,
                        UpdateHandler update)
{
    if (first > last || (!handler && !update))
        return false;
    m_entries.push_back({owner, first, last, std::move(handler), std::move(update)});
    return true;
}

bool CCommandTable::AddFirst(Owner owner, unsigned id, Handler handler, UpdateHandler update)
{
    if (!handler && !update)
        return false;
    m_entries.insert(m_entries.begin(), {owner, id, id, std::move(handler), std::move(update)});
    return true;
}

void CCommandTable::Remove(Owner owner)
{
    std::erase_if(m_entries, [owner](const Entry& e) { return e.owner == owner; });
}

const CCommandTable::Entry* CCommandTable::FindHandler(unsigned id) const
{
    for (const Entry& e : m_entries)
        if (id >= e.first && id <= e.last && e.handler)
            return &e;
    return nullptr;
}

const CCommandTable::Entry* CCommandTable::FindUpdate(unsigned id) const
{
    for (const Entry& e : m_entries)
        if (id >= e.first && id <= e.last && e.update)
            return &e;
    return nullptr;
}

bool CCommandTable::Execute(unsigned id) const
{
    const Entry* e = FindHandler(id);
    if (!e)
        return false;
    // Copy first: a handler may register or drop commands while it runs.
    const Handler handler = e->handler;
    handler(id);
    return true;
}

bool CCommandTable::HasHandler(unsigned id) const
{
    return FindHandler(id) != nullptr;
}

bool CCommandTable::IsKnown(unsigned id) const
{
    return FindHandler(id) != nullptr || FindUpdate(id) != nullptr;
}

CCmdUIState CCommandTable::Update(unsigned id, bool disableIfNoHandler) const
{
    CCmdUI ui(id);
    if (const Entry* e = FindUpdate(id)) {
        const UpdateHandler update = e->update;
        update(ui);
    } else if (!FindHandler(id) && disableIfNoHandler) {
        ui.Enable(false);
    }
    return ui.State();
}

}   // namespace app

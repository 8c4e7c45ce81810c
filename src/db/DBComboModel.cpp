#include "db/DBComboModel.h"

#include "app/WaitStatus.h"
#include "db/DBInterface.h"

namespace db {

void CDBComboModel::Refill()
{
    // A long table is read under the wait state.
    const app::CWaitStatus wait;
    ResetContent();
    if (HasRows()) {
        std::vector<std::string> entries;
        ReadEntries(entries);
        SetRedraw(false);
        for (const std::string& text : entries)
            AddString(text);
        SetRedraw(true);
    }
    SelectCurrentRecord();
}

void CDBComboModel::SelectCurrentRecord()
{
    if (GetCount() > 0)
        SetCurSel(int(CurrentOrdinal()) - 1);
}

void CDBComboModel::UpdateCurrentEntry()
{
    if (!HasRows())
        return;
    const int index = CachedIndex();
    if (index < 0 || index >= GetCount())
        return;
    if (ShowsCurrent(GetLBText(index)))
        return;
    SetRedraw(false);
    DeleteString(index);
    InsertString(index, ItemText());
    SetCurSel(index);
    SetRedraw(true);
}

void CDBComboModel::DeleteCurrentEntry()
{
    DeleteString(CachedIndex());
    SelectCurrentRecord();
}

void CDBComboModel::InsertCurrentEntry()
{
    if (!HasRows())
        return;
    InsertString(int(CurrentOrdinal()) - 1, ItemText());
    SelectCurrentRecord();
}

bool CDBTableComboModel::HasRows()
{
    return m_table && m_table->IsOpen() && !m_table->IsEmpty();
}

long CDBTableComboModel::CurrentOrdinal()
{
    return HasRows() ? m_table->GetOrdinal() : 0;
}

void CDBTableComboModel::ReadEntries(std::vector<std::string>& entries)
{
    m_table->PushPosition();
    for (bool more = m_table->GoTop(); more; more = m_table->SkipForward())
        entries.push_back(ItemText());
    m_table->PopPosition();
}

}   // namespace db

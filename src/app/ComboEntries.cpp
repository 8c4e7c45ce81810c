#include "app/ComboEntries.h"

#include <algorithm>

namespace app {

void CComboEntries::AddCopy(CComboCopy* copy)
{
    if (!copy || std::find(m_copies.begin(), m_copies.end(), copy) != m_copies.end())
        return;
    m_copies.push_back(copy);
    copy->SetRedraw(false);
    copy->Reset();
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        copy->Insert(int(i), m_entries[i]);
    copy->SetRedraw(true);
    copy->Select(m_cached < GetCount() ? m_cached : -1);
}

void CComboEntries::RemoveCopy(CComboCopy* copy)
{
    m_copies.erase(std::remove(m_copies.begin(), m_copies.end(), copy), m_copies.end());
}

void CComboEntries::AddString(const std::string& text)
{
    InsertString(GetCount(), text);
}

void CComboEntries::InsertString(int index, const std::string& text)
{
    index = std::clamp(index, 0, GetCount());
    m_entries.insert(m_entries.begin() + index, text);
    for (CComboCopy* copy : m_copies)
        copy->Insert(index, text);
}

void CComboEntries::DeleteString(int index)
{
    if (index < 0 || index >= GetCount())
        return;
    m_entries.erase(m_entries.begin() + index);
    for (CComboCopy* copy : m_copies)
        copy->Remove(index);
}

void CComboEntries::ResetContent()
{
    m_entries.clear();
    m_cached = 0;
    for (CComboCopy* copy : m_copies)
        copy->Reset();
}

void CComboEntries::SetCurSel(int index)
{
    if (index >= GetCount())
        index = -1;
    for (CComboCopy* copy : m_copies)
        copy->Select(index);
    m_cached = index;
}

void CComboEntries::SetRedraw(bool on)
{
    for (CComboCopy* copy : m_copies)
        copy->SetRedraw(on);
}

std::string CComboEntries::GetLBText(int index) const
{
    return index >= 0 && index < GetCount() ? m_entries[std::size_t(index)] : std::string();
}

}   // namespace app

#pragma once
// The list a toolbar drop-down shows, kept once however many toolbars carry
// the drop-down: every change goes to each copy on the screen, reads come
// from here. The copies are windows; this core knows them only through
// CComboCopy, so it is tested without any.

#include <string>
#include <vector>

namespace app {

class CComboCopy {
public:
    virtual ~CComboCopy() = default;
    virtual void Reset() = 0;
    virtual void Insert(int index, const std::string& text) = 0;
    virtual void Remove(int index) = 0;
    virtual void Select(int index) = 0;
    // Painting held off while many entries change, and back on.
    virtual void SetRedraw(bool on) = 0;
};

class CComboEntries {
public:
    // `controlId` -1: no toolbar copies (a dialog's own list), so the list
    // operations leave the copies alone.
    explicit CComboEntries(int controlId) : m_controlId(controlId) { }
    virtual ~CComboEntries() = default;
    CComboEntries(const CComboEntries&) = delete;
    CComboEntries& operator=(const CComboEntries&) = delete;

    int ControlId() const { return m_controlId; }

    // A copy made by a toolbar: filled with the entries and the selection.
    void AddCopy(CComboCopy* copy);
    void RemoveCopy(CComboCopy* copy);
    std::size_t CopyCount() const { return m_copies.size(); }

    void AddString(const std::string& text);
    void InsertString(int index, const std::string& text);
    void DeleteString(int index);
    // Empties the list; the selection goes back to 0.
    void ResetContent();
    // Selects in every copy and remembers it (-1 clears the selection).
    void SetCurSel(int index);
    void SetRedraw(bool on);

    int GetCount() const { return int(m_entries.size()); }
    // The entry's text; empty when there is no such entry.
    std::string GetLBText(int index) const;
    // The entry last selected here or seen selected in a copy.
    int CachedIndex() const { return m_cached; }
    // A copy's choice, remembered without selecting it again.
    void SetCachedIndex(int index) { m_cached = index; }
    const std::vector<std::string>& Entries() const { return m_entries; }

private:
    int m_controlId;
    int m_cached = 0;
    std::vector<std::string> m_entries;
    std::vector<CComboCopy*> m_copies;
};

}   // namespace app

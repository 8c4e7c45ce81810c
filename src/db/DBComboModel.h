#pragma once
// A toolbar drop-down that lists the records of a table: entry i is the
// record at ordinal i+1 in the table's current order, and the selected entry
// is the table's current record. The module that owns the table calls
// Refill after it opened, closed or re-sorted it, and the entry updates
// after a record was edited, deleted or added.

#include "app/ComboEntries.h"

#include <string>
#include <vector>

class CDBInterface;

namespace db {

class CDBComboModel : public app::CComboEntries {
public:
    using app::CComboEntries::CComboEntries;

    // Whether there are rows to list (the drop-down is enabled only then).
    virtual bool HasRows() = 0;
    // Every copy emptied and filled again; the current record selected.
    void Refill();
    // Selects the current record's entry when the list has entries.
    void SelectCurrentRecord();
    // After the current record was edited: its entry replaced when its text changed.
    void UpdateCurrentEntry();
    // After a record was deleted: its entry (the cached one) removed.
    virtual void DeleteCurrentEntry();
    // After a record was added: its entry inserted at the current ordinal.
    virtual void InsertCurrentEntry();

protected:
    // The current record's place (from 1; 0 for none).
    virtual long CurrentOrdinal() = 0;
    // The entries of every record in order; the current record stays current.
    virtual void ReadEntries(std::vector<std::string>& entries) = 0;
    // The current record's entry text.
    virtual std::string ItemText() = 0;
    // Whether the shown entry still stands for the current record (a list
    // that shows more than the name may compare only the name).
    virtual bool ShowsCurrent(const std::string& shown) { return shown == ItemText(); }
};

// The drop-down over a table; the text of a record is the subclass's.
class CDBTableComboModel : public CDBComboModel {
public:
    using CDBComboModel::CDBComboModel;
    // Not owned; null until the owning module sets it.
    void SetTable(::CDBInterface* table) { m_table = table; }
    ::CDBInterface* Table() const { return m_table; }
    bool HasRows() override;

protected:
    long CurrentOrdinal() override;
    void ReadEntries(std::vector<std::string>& entries) override;

private:
    ::CDBInterface* m_table = nullptr;
};

}   // namespace db

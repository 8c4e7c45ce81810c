#pragma once
// CDBCompanion: the layout shared by the tables that hold a record's
// variable-length texts keyed by the owner's id: "MASTER_ID" N(8,0), "TYPE"
// C(3) (the slot, three digits with leading zeros) and "DATA" M(10), tag
// "T_ID_TYPE" = STR( MASTER_ID, 8, 0 ) + TYPE. A record exists exactly for
// each non-empty text of an owner.

#include "db/DBTextTable.h"

#include <string>

namespace db {

class CDBCompanion : public CDBTextTable {
public:
    CDBCompanion();

    bool LoadRecord() override;
    bool StoreRecord() override;
    void ClearRecord() override;

    // Fills `slots[0..count)` with the owner's texts (others emptied); slots
    // outside the range are skipped.
    bool LoadOwner(long ownerId, std::string* slots, int count);
    // Writes the owner's texts: appends, rewrites or deletes one record per slot.
    bool StoreOwner(long ownerId, const std::string* slots, int count);
    // Marks every record of the owner deleted.
    bool DeleteOwner(long ownerId);

    long m_masterId = 0;
    int m_slot = 0;
    std::string m_data;

protected:
    void ListTexts(std::vector<TextMember>& out) const override
    {
        out.push_back({"DATA", &m_data});
    }
};

}   // namespace db

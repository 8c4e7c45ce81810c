#include "db/DBCompanion.h"

#include <cstdio>

namespace db {

namespace {

std::string SlotText(int slot)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d", slot);
    return buf;
}

}   // namespace

CDBCompanion::CDBCompanion()
{
    m_fieldList.Add("MASTER_ID", 'N', 8, 0);
    m_fieldList.Add("TYPE", 'C', 3, 0);
    m_fieldList.Add("DATA", 'M', 10, 0);
    m_tagList.Add("T_ID_TYPE", "STR( MASTER_ID, 8, 0 ) + TYPE", ".NOT. DELETED()");
}

bool CDBCompanion::LoadRecord()
{
    CDBInterface::LoadRecord();
    m_masterId = Integer("MASTER_ID");
    const std::string type = Field("TYPE").Trimmed();
    m_slot = type.empty() || type.find_first_not_of("0123456789") != std::string::npos
                 ? -1
                 : std::stoi(type);
    m_data = Text("DATA");
    return true;
}

bool CDBCompanion::StoreRecord()
{
    return CDBInterface::StoreRecord() && PutInteger("MASTER_ID", m_masterId, 8, true) &&
           Field("TYPE").Assign(SlotText(m_slot)) == 0 && PutText("DATA", m_data);
}

void CDBCompanion::ClearRecord()
{
    m_masterId = 0;
    m_slot = 0;
    m_data.clear();
}

bool CDBCompanion::LoadOwner(long ownerId, std::string* slots, int count)
{
    for (int i = 0; i < count; ++i)
        slots[i].clear();
    if (!IsOpen())
        return false;
    SelectTag("T_ID_TYPE");
    const std::string key = IdKey(ownerId);
    for (bool found = Seek(key); found; found = SeekNext(key))
        if (m_slot >= 0 && m_slot < count)
            slots[m_slot] = m_data;
    return true;
}

bool CDBCompanion::StoreOwner(long ownerId, const std::string* slots, int count)
{
    if (!IsOpen())
        return false;
    SelectTag("T_ID_TYPE");
    bool ok = true;
    for (int slot = 0; slot < count; ++slot) {
        const bool found = Seek(IdKey(ownerId) + SlotText(slot));
        const std::string& text = slots[slot];
        if (found && !text.empty()) {
            if (m_data != text) {
                m_data = text;
                ok = Update() && ok;
            }
        } else if (found) {
            ok = DeleteRecord() && ok;
        } else if (!text.empty()) {
            m_masterId = ownerId;
            m_slot = slot;
            m_data = text;
            ok = AppendNew() && ok;
        }
    }
    return ok;
}

bool CDBCompanion::DeleteOwner(long ownerId)
{
    if (!IsOpen())
        return false;
    SelectTag("T_ID_TYPE");
    const std::string key = IdKey(ownerId);
    int guard = 0;
    while (Seek(key)) {
        if (!DeleteRecord() || ++guard > 1000)
            return false;
    }
    return true;
}

}   // namespace db

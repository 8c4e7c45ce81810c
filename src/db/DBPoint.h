#pragma once
// CDBPoint: a table of named points (chartpoints, a route's waypoints) with
// its two companion tables "MEMOS" and "ATTCHMTS" in the folder beside it
// (the table's path with the extension "X"). The companions follow the point
// table through every file operation.

#include "db/DBAttachments.h"
#include "db/DBMemo.h"
#include "db/DBTextTable.h"
#include "geo/Position.h"

#include <cstdint>
#include <memory>
#include <string>

namespace db {

class COlderTable;

class CDBPoint : public CDBTextTable {
public:
    CDBPoint();
    ~CDBPoint() override;

    bool LoadRecord() override;
    bool StoreRecord() override;
    bool Rebuild() override;
    bool Open(bool readOnly = false, bool recreate = false) override;
    bool DeleteRecord() override;
    bool DeleteAll() override;
    bool Pack() override;
    bool DeleteFiles() override;
    bool CopyTo(const std::string& path) override;
    bool Close() override;
    void ClearRecord() override;
    bool ResetCache() override;

    // Fills the members from a row of an older point table: NAME, LAT and
    // LNG, and with `allFields` ID, AREA, GROUP, ZONE, ATTACH1..4 and NOTE
    // too. False when the position is out of range (it is kept, not valid).
    bool TakeOver(const COlderTable& older, int row, bool allFields);

    CDBMemo& Memos() { return *m_memos; }
    CDBAttachments& Attachments() { return *m_attachments; }

    std::string m_name;
    std::string m_ident;   // the "ID" field (the record's own id is GetId())
    geo::CPosition m_position;
    std::string m_area;
    std::string m_group;
    std::int8_t m_zone = 0;
    std::string m_attachment[CDBAttachments::kSlots];
    std::string m_memo[CDBMemo::kSlots];

protected:
    void ListTexts(std::vector<TextMember>& out) const override;
    bool CompanionsCanStore(std::string* field) const override;
    // Names the companions and places them in the companion folder.
    void PlaceCompanions();
    // Sets the position from stored angles: one out of range makes it not valid.
    void SetPosition(double latitude, double longitude, double altitude, std::uint16_t datum);

private:
    std::unique_ptr<CDBMemo> m_memos;
    std::unique_ptr<CDBAttachments> m_attachments;
};

// The datum index as the tables store it: the default datum (WGS 84) as -1.
int StoredDatum(std::uint16_t datum);

}   // namespace db

#pragma once
// CDBRoute: a route database. The route table holds one record per route;
// its companion folder (the table's path with the extension "X") holds the
// routes' attachments ("ATTCHMTS"), one link table per route named by the
// route's id as 8 digits (00000012) and, in the folder of that name, the
// route's waypoint table. The link table follows the current route.
//
// Named with the extension "rdb" (an older route table with its "rdm" memo
// file, each route naming its own waypoint table) or "wpt" (an older
// waypoint list, taken over as one route), the database takes the older
// routes over the first time it opens empty; the older files are only read.

#include "db/DBAttachments.h"
#include "db/DBRoutePoints.h"
#include "db/DBTextTable.h"

#include <memory>
#include <string>

namespace db {

class COlderTable;

class CDBRoute : public CDBTextTable {
public:
    enum ImportKind { kNone = 0, kRdb = 1, kWpt = 2 };

    CDBRoute();
    ~CDBRoute() override;

    bool LoadRecord() override;
    bool StoreRecord() override;
    bool ResetCache() override;
    void SetName(const std::string& name) override;
    bool Open(bool readOnly = false, bool recreate = false) override;
    bool AppendNew() override;
    bool GoTop() override;
    bool SkipForward(long n = 1) override;
    bool SkipBack(long n = 1) override;
    bool GoBottom() override;
    bool GoRecord(long recNo) override;
    bool DeleteRecord() override;
    bool Pack() override;
    bool DeleteFiles() override;
    bool CopyTo(const std::string& path) override;
    bool Close() override;
    void PushPosition() override;
    bool PopPosition() override;
    void ClearRecord() override;

    // Switches the link table to the current route.
    bool OpenRoutePoints();
    bool ImportRdb();
    bool ImportWpt();
    // After an open that took older files over: the waypoint rows left behind
    // (a position out of range) and the files not read; empty otherwise.
    const std::string& ImportNote() const { return m_importNote; }

    CDBRoutePoints& Points() { return *m_points; }
    CDBAttachments& Attachments() { return *m_attachments; }

    std::string m_name;
    std::string m_ident;
    std::string m_from;
    std::string m_to;
    std::string m_note;
    std::string m_attachment[CDBAttachments::kSlots];

protected:
    void ListTexts(std::vector<TextMember>& out) const override;
    bool CompanionsCanStore(std::string* field) const override;

private:
    // After a move: the link table switched over and on the route's first point.
    bool Arrived(bool moved);
    void PlaceLinkTable(long routeId);
    bool Import(ImportKind kind);
    bool ImportFrom(CDBRoute& staged, const std::string& older, ImportKind kind,
                    std::string& report);

    int m_importKind = kNone;
    std::string m_olderExtension;
    std::string m_importNote;
    std::unique_ptr<CDBAttachments> m_attachments;
    std::unique_ptr<CDBRoutePoints> m_points;
};

}   // namespace db

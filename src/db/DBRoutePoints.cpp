#include "db/DBRoutePoints.h"

#include "engines/dbase/DbaseTable.h"
#include "platform/Files.h"

#include <algorithm>

namespace db {

CDBRoutePoints::CDBRoutePoints() : m_waypoints(std::make_unique<CDBWaypoint>())
{
    m_fieldList.Add("ORDER", 'N', 6, 0);
    m_fieldList.Add("LINK", 'C', 3, 0);
    m_fieldList.Add("TYPE", 'C', 3, 0);
    m_fieldList.Add("ID", 'N', 8, 0);
    m_tagList.Add("T_ORDER", "ORDER", ".NOT. DELETED()");
}

CDBRoutePoints::~CDBRoutePoints()
{
    Close();
}

bool CDBRoutePoints::LoadRecord()
{
    CDBInterface::LoadRecord();
    m_order = Integer("ORDER");
    m_link = std::uint8_t(NumberFromText(Field("LINK").Trimmed()));
    m_type = std::uint8_t(NumberFromText(Field("TYPE").Trimmed()));
    m_pointId = Integer("ID");
    // The point is found by the id the link names, whatever its own UNIQUE.
    m_waypoints->SelectUniqueTag();
    return m_waypoints->Seek(std::to_string(m_pointId));
}

bool CDBRoutePoints::StoreRecord()
{
    return CDBInterface::StoreRecord() && PutInteger("ORDER", m_order, 6) &&
           PutInteger("LINK", m_link, 3) && PutInteger("TYPE", m_type, 3) &&
           PutInteger("ID", m_pointId, 8);
}

bool CDBRoutePoints::ResetCache()
{
    const bool points = m_waypoints->ResetCache();
    return CDBTextTable::ResetCache() && points;
}

// Like its route database, a link table and its waypoint table always open
// for writing and are made when missing.
bool CDBRoutePoints::Open(bool /*readOnly*/, bool /*recreate*/)
{
    if (IsOpen())
        return true;
    FindFilesNoCase();
    m_waypoints->SetName(GetName());
    m_waypoints->SetFolder(GetFilePath());
    if (!m_waypoints->Open(false, false))
        return Fail(m_waypoints->GetMessage());
    if (!CDBTextTable::Open(false, false)) {
        m_waypoints->Close();
        return false;
    }
    SelectTag("T_ORDER");
    return true;
}

bool CDBRoutePoints::Close()
{
    const bool points = m_waypoints->Close();
    const bool own = CDBTextTable::Close();
    return points && own;
}

bool CDBRoutePoints::DeleteAll()
{
    const bool points = m_waypoints->DeleteAll();
    const bool own = CDBTextTable::DeleteAll();
    return points && own;
}

bool CDBRoutePoints::Pack()
{
    return m_waypoints->Pack() && CDBTextTable::Pack();
}

bool CDBRoutePoints::DeleteFiles()
{
    if (IsReadOnly())
        return false;
    m_waypoints->SetName(GetName());
    m_waypoints->SetFolder(GetFilePath());
    const bool points = m_waypoints->DeleteFiles() && platform::RemoveTree(GetFilePath());
    const bool own = CDBTextTable::DeleteFiles();
    return points && own;
}

bool CDBRoutePoints::CopyTo(const std::string& path)
{
    const std::string target = WithoutExtension(path);
    if (SamePath(target, GetFilePath()))
        return true;
    const size_t slash = target.find_last_of('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return m_waypoints->CopyTo(target + "/" + name) && CDBTextTable::CopyTo(target);
}

std::vector<long> CDBRoutePoints::PointsInOrder()
{
    std::vector<long> recNos;
    if (!Table() || !FlushIfOpen())   // the tag takes pending changes in at the flush
        return recNos;
    if (dbase::CDbaseTag* tag = Table()->Tag("T_ORDER"))
        for (const auto& [key, recNo] : tag->Keys())
            recNos.push_back(recNo);
    return recNos;
}

bool CDBRoutePoints::Renumber(const std::vector<long>& recNos)
{
    // Read as (ORDER, record) after a crash at any write, the route must be
    // either the old sequence or the new one (with at most the moved link
    // out of place). So links moving later are written first, the last of
    // them first: each then only leaves a gap behind it, or ties with the
    // link just appended, which has the highest record number. Links moving
    // earlier follow, the first of them first, each filling a gap.
    struct Move {
        long recNo, from, to;
    };
    std::vector<Move> later, earlier;
    bool ok = true;
    for (std::size_t i = 0; i < recNos.size() && ok; ++i) {
        GoRecord(recNos[i]);   // a link whose waypoint is missing still lands
        ok = GetRecNo() == recNos[i];
        const long to = long(i + 1);
        if (ok && m_order != to)
            (m_order < to ? later : earlier).push_back({recNos[i], m_order, to});
    }
    std::sort(later.begin(), later.end(), [](const Move& a, const Move& b) { return a.to > b.to; });
    std::sort(earlier.begin(), earlier.end(),
              [](const Move& a, const Move& b) { return a.to < b.to; });
    for (const std::vector<Move>* moves : {&later, &earlier})
        for (const Move& m : *moves) {
            if (!ok)
                break;
            GoRecord(m.recNo);
            ok = GetRecNo() == m.recNo;
            if (ok) {
                m_order = m.to;
                ok = Update();
            }
        }
    return FlushIfOpen() && ok;
}

long CDBRoutePoints::GetLastOrder()
{
    // Read from the tag's last key: loading the record would also load its
    // waypoint over the members a caller is about to append.
    if (!Table() || !FlushIfOpen())
        return 0;
    dbase::CDbaseTag* tag = Table()->Tag("T_ORDER");
    if (!tag || tag->KeyCount() == 0)
        return 0;
    return long(NumberFromText(tag->Keys().back().first));
}

bool CDBRoutePoints::AppendPoint()
{
    if (!IsOpen())
        return false;
    const long next = GetLastOrder() + 1;
    if (!m_waypoints->AppendNew())
        return Fail(m_waypoints->GetMessage());
    m_waypoints->FlushIfOpen();
    m_order = next;
    m_type = 0;
    m_pointId = m_waypoints->GetId();
    if (!AppendNew() || !FlushIfOpen()) {
        // A point nobody links to would only be found by a repair: take it back.
        const std::string message = m_message;
        m_waypoints->DeleteRecord();
        m_waypoints->FlushIfOpen();
        return Fail(message.empty() ? "The point could not be linked into the route." : message);
    }
    return true;
}

bool CDBRoutePoints::InsertAtOrder(long n)
{
    if (!IsOpen() || n < 1)
        return false;
    const long moved = GetRecNo();
    // Collect first, renumber after: the tag being renumbered is the one walked.
    std::vector<long> order = PointsInOrder();
    order.erase(std::remove(order.begin(), order.end(), moved), order.end());
    const size_t at = std::min(size_t(n - 1), order.size());
    order.insert(order.begin() + long(at), moved);
    const bool ok = Renumber(order);
    return GoRecord(moved) && ok;
}

bool CDBRoutePoints::DeleteRecord()
{
    if (!IsOpen())
        return false;
    const long here = GetRecNo();
    if (m_type == 0) {
        m_waypoints->SelectUniqueTag();
        if (!m_waypoints->Seek(std::to_string(m_pointId)) || !m_waypoints->DeleteRecord()) {
            GoRecord(here);
            return false;
        }
        m_waypoints->FlushIfOpen();
    }
    if (!CDBTextTable::DeleteRecord()) {
        GoRecord(here);
        return false;
    }
    const bool ok = Renumber(PointsInOrder());
    GoRecord(here);
    return ok;
}

bool CDBRoutePoints::RewriteOrder(const std::vector<long>& keptInOrder,
                                  const std::vector<long>& dropped)
{
    if (!IsOpen() || IsReadOnly())
        return false;
    bool ok = true;
    for (long recNo : dropped) {
        // The move reports the missing waypoint but lands on the link.
        GoRecord(recNo);
        ok = GetRecNo() == recNo && CDBTextTable::DeleteRecord() && ok;
    }
    return Renumber(keptInOrder) && ok;
}

bool CDBRoutePoints::ReverseOrder()
{
    std::vector<long> order = PointsInOrder();
    if (order.empty())
        return true;
    const long ordinal = GetOrdinal();
    std::reverse(order.begin(), order.end());
    const bool ok = Renumber(order);
    SelectTag("T_ORDER");
    return GoOrdinal(ordinal) && ok;
}

}   // namespace db

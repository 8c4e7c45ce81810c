#include "db/DBRoute.h"

#include "db/CompanionCopy.h"
#include "platform/Ascii.h"

#include "engines/dbase/DbaseTable.h"
#include "platform/Files.h"

#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace db {

CDBRoute::CDBRoute()
    : m_attachments(std::make_unique<CDBAttachments>()),
      m_points(std::make_unique<CDBRoutePoints>())
{
    m_fieldList.Add("NAME", 'C', 25, 0);
    m_fieldList.Add("ID", 'C', 8, 0);
    m_fieldList.Add("FROM", 'C', 25, 0);
    m_fieldList.Add("TO", 'C', 25, 0);
    m_fieldList.Add("NOTE", 'M', 10, 0);
    m_tagList.Add("T_NAME", "NAME", ".NOT. DELETED()");
    m_tagList.Add("T_ID", "ID", ".NOT. DELETED()");
}

CDBRoute::~CDBRoute()
{
    Close();
}

void CDBRoute::ListTexts(std::vector<TextMember>& out) const
{
    out.push_back({"NAME", &m_name});
    out.push_back({"ID", &m_ident});
    out.push_back({"FROM", &m_from});
    out.push_back({"TO", &m_to});
    out.push_back({"NOTE", &m_note});
}

bool CDBRoute::CompanionsCanStore(std::string* field) const
{
    for (const std::string& text : m_attachment)
        if (!CanEncode(text)) {
            if (field)
                *field = "ATTCHMTS.DATA";
            return false;
        }
    return true;
}

bool CDBRoute::LoadRecord()
{
    CDBInterface::LoadRecord();
    m_name = Text("NAME");
    m_ident = Text("ID");
    m_from = Text("FROM");
    m_to = Text("TO");
    m_note = Text("NOTE");
    m_attachments->LoadOwner(GetId(), m_attachment, CDBAttachments::kSlots);
    return true;
}

bool CDBRoute::StoreRecord()
{
    const bool ok = CDBInterface::StoreRecord() && PutText("NAME", m_name) &&
                    PutText("ID", m_ident) && PutText("FROM", m_from) && PutText("TO", m_to) &&
                    PutText("NOTE", m_note);
    return ok && m_attachments->StoreOwner(GetId(), m_attachment, CDBAttachments::kSlots);
}

void CDBRoute::ClearRecord()
{
    m_name.clear();
    m_ident.clear();
    m_from.clear();
    m_to.clear();
    m_note.clear();
    for (std::string& t : m_attachment)
        t.clear();
}

bool CDBRoute::ResetCache()
{
    const bool attachments = m_attachments->ResetCache();
    const bool points = !m_points->IsOpen() || m_points->ResetCache();
    return CDBTextTable::ResetCache() && attachments && points;
}

void CDBRoute::SetName(const std::string& name)
{
    std::string ext = ExtensionOf(name);
    std::string lower = ext;
    for (char& c : lower)
        c = platform::AsciiLower(c);
    if (lower == "rdb" || lower == "wpt") {
        m_importKind = lower == "rdb" ? kRdb : kWpt;
        m_olderExtension = ext;
    }
    CDBTextTable::SetName(name);
}

// A route database always opens for writing and is made when missing: the
// read-only and recreate requests of a caller are not passed on, so no open
// can empty a database of its routes.
bool CDBRoute::Open(bool /*readOnly*/, bool /*recreate*/)
{
    if (IsOpen())
        return true;
    ImportKind kind = ImportKind(m_importKind);
    m_importKind = kNone;
    m_importNote.clear();
    ClearRecord();
    FindFilesNoCase();
    std::error_code ec;
    const std::string ext =
        m_olderExtension.empty() ? (kind == kRdb ? "rdb" : "wpt") : m_olderExtension;
    if (kind != kNone && !fs::exists(ResolveNoCase(GetFilePath() + "." + ext), ec))
        kind = kNone;   // without the older file there is nothing to take over
    if (kind != kNone) {
        bool needed = true;
        // An open or import that fails keeps the import pending: the next
        // open tries again rather than opening an empty database in its place.
        if (fs::exists(GetFilePath() + ".dbf", ec)) {
            if (!Open()) {
                m_importKind = kind;
                return false;
            }
            needed = IsEmpty();   // a database taken over before keeps its routes
            if (!needed)
                return true;
            Close();
        }
        if (!Import(kind)) {
            m_importKind = kind;
            return false;
        }
        const std::string note = m_message;
        if (!Open())
            return false;
        m_message = note;
        m_importNote = note;
        return true;
    }
    m_attachments->SetName("ATTCHMTS");
    m_attachments->SetFolder(CompanionFolder());
    if (!m_attachments->Open(false, false))
        return Fail(m_attachments->GetMessage());
    if (!CDBTextTable::Open(false, false)) {
        m_attachments->Close();
        return false;
    }
    return true;
}

bool CDBRoute::Close()
{
    const bool attachments = m_attachments->Close();
    const bool points = m_points->Close();
    const bool own = CDBTextTable::Close();
    return attachments && points && own;
}

void CDBRoute::PlaceLinkTable(long routeId)
{
    m_points->SetName(IdName(routeId));
    m_points->SetFolder(CompanionFolder());
}

bool CDBRoute::OpenRoutePoints()
{
    m_points->Close();
    PlaceLinkTable(GetId());
    if (!m_points->Open())
        return Fail(m_points->GetMessage());
    return true;
}

bool CDBRoute::AppendNew()
{
    if (!CDBTextTable::AppendNew())
        return false;
    // A new route starts with fresh link and waypoint tables: anything left
    // under its id by a route deleted before goes first.
    m_points->Close();
    PlaceLinkTable(GetId());
    m_points->DeleteFiles();
    if (!m_points->Open(false, false))
        return Fail(m_points->GetMessage());
    return true;
}

bool CDBRoute::Arrived(bool moved)
{
    if (!moved || !OpenRoutePoints())
        return false;
    return m_points->IsEmpty() || m_points->GoTop();
}

bool CDBRoute::GoTop()
{
    return Arrived(CDBTextTable::GoTop());
}

bool CDBRoute::SkipForward(long n)
{
    return Arrived(CDBTextTable::SkipForward(n));
}

bool CDBRoute::SkipBack(long n)
{
    return Arrived(CDBTextTable::SkipBack(n));
}

bool CDBRoute::GoBottom()
{
    return Arrived(CDBTextTable::GoBottom());
}

bool CDBRoute::GoRecord(long recNo)
{
    return Arrived(CDBTextTable::GoRecord(recNo));
}

bool CDBRoute::DeleteRecord()
{
    if (!IsOpen())
        return false;
    const long id = GetId();
    if (!m_attachments->DeleteOwner(id))
        return Fail("The attachments of the route could not be deleted.");
    m_attachments->FlushIfOpen();
    if (!m_points->IsOpen() || m_points->GetName() != IdName(id)) {
        m_points->Close();
        PlaceLinkTable(id);
        m_points->Open(false, false);
    }
    m_points->DeleteAll();
    m_points->Close();
    m_points->DeleteFiles();
    return CDBTextTable::DeleteRecord();
}

bool CDBRoute::Pack()
{
    if (!m_attachments->Pack())
        return false;
    if (m_points->IsOpen() && !m_points->Pack())
        return false;
    return CDBTextTable::Pack();
}

bool CDBRoute::DeleteFiles()
{
    if (IsReadOnly())
        return false;
    m_attachments->Close();
    m_points->Close();
    const bool companions = platform::RemoveTree(CompanionFolder());
    const bool own = CDBTextTable::DeleteFiles();
    return companions && own;
}

bool CDBRoute::CopyTo(const std::string& path)
{
    const std::string target = WithoutExtension(path);
    if (SamePath(target, GetFilePath()))
        return true;
    if (!IsOpen() || !Table()->Tag("T_UNIQUE"))
        return false;
    if (!FlushIfOpen())
        return false;
    // Every route's links and waypoints and the attachments go whole or not
    // at all with the table: a copy onto an older save that fails leaves
    // that save as it was.
    const auto copyFolder = [this](const std::filesystem::path& folder) {
        PushPosition();
        bool ok = true;
        for (const auto& [key, recNo] : Table()->Tag("T_UNIQUE")->Keys()) {
            if (!CDBTextTable::GoRecord(recNo))
                continue;
            CDBRoutePoints links;
            links.SetName(IdName(GetId()));
            links.SetFolder(CompanionFolder());
            ok = links.Open() && links.CopyTo((folder / IdName(GetId())).string()) && links.Close();
            if (!ok)
                break;
        }
        PopPosition();
        return ok && m_attachments->CopyTo((folder / "ATTCHMTS").string());
    };
    return CopyWithCompanions(target, copyFolder,
                              [this, &target] { return CDBTextTable::CopyTo(target); });
}

void CDBRoute::PushPosition()
{
    m_points->PushPosition();
    CDBTextTable::PushPosition();
}

bool CDBRoute::PopPosition()
{
    const bool route = CDBTextTable::PopPosition();   // switches the link table over
    const bool point = m_points->PopPosition();
    return route && point;
}

}   // namespace db

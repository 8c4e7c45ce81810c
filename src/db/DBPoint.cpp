#include "db/DBPoint.h"

#include "db/CompanionCopy.h"

#include "db/OlderTable.h"
#include "geo/DatumInfo.h"
#include "platform/Files.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace db {

CDBPoint::CDBPoint()
    : m_memos(std::make_unique<CDBMemo>()), m_attachments(std::make_unique<CDBAttachments>())
{
    m_fieldList.Add("NAME", 'C', 25, 0);
    m_fieldList.Add("ID", 'C', 8, 0);
    m_fieldList.Add("LAT", 'F', 10, 5);
    m_fieldList.Add("LNG", 'F', 10, 5);
    m_fieldList.Add("ALT", 'F', 10, 2);
    m_fieldList.Add("DSHIFT", 'N', 3, 0);
    m_fieldList.Add("AREA", 'C', 20, 0);
    m_fieldList.Add("GROUP", 'C', 20, 0);
    m_fieldList.Add("ZONE", 'N', 3, 0);
    m_tagList.Add("T_NAME", "NAME", ".NOT. DELETED()");
    m_tagList.Add("T_ID", "ID", ".NOT. DELETED()");
    ClearRecord();
}

CDBPoint::~CDBPoint()
{
    Close();
}

void CDBPoint::ListTexts(std::vector<TextMember>& out) const
{
    out.push_back({"NAME", &m_name});
    out.push_back({"ID", &m_ident});
    out.push_back({"AREA", &m_area});
    out.push_back({"GROUP", &m_group});
}

bool CDBPoint::CompanionsCanStore(std::string* field) const
{
    for (const std::string& text : m_attachment)
        if (!CanEncode(text)) {
            if (field)
                *field = "ATTCHMTS.DATA";
            return false;
        }
    for (const std::string& text : m_memo)
        if (!CanEncode(text)) {
            if (field)
                *field = "MEMOS.DATA";
            return false;
        }
    return true;
}

int StoredDatum(std::uint16_t datum)
{
    return datum == geo::DatumIndexWGS84() ? -1 : std::int16_t(datum);
}

void CDBPoint::SetPosition(double latitude, double longitude, double altitude, std::uint16_t datum)
{
    if (!m_position.Set(latitude, longitude, altitude, datum)) {
        m_position = geo::CPosition(latitude, longitude, altitude, std::int16_t(datum));
        m_position.Invalidate();
    }
}

bool CDBPoint::LoadRecord()
{
    CDBInterface::LoadRecord();
    m_name = Text("NAME");
    m_ident = Text("ID");
    SetPosition(Number("LAT"), Number("LNG"), Number("ALT"),
                std::uint16_t(std::int16_t(Integer("DSHIFT"))));
    m_area = Text("AREA");
    m_group = Text("GROUP");
    m_zone = std::int8_t(Integer("ZONE"));
    m_attachments->LoadOwner(GetId(), m_attachment, CDBAttachments::kSlots);
    m_memos->LoadOwner(GetId(), m_memo, CDBMemo::kSlots);
    return true;
}

bool CDBPoint::StoreRecord()
{
    const bool ok = CDBInterface::StoreRecord() && PutText("NAME", m_name) &&
                    PutText("ID", m_ident) && PutDouble("LAT", m_position.GetLatitude(), 10, 5) &&
                    PutDouble("LNG", m_position.GetLongitude(), 10, 5) &&
                    PutDouble("ALT", m_position.GetAltitude(), 10, 2) &&
                    PutInteger("DSHIFT", StoredDatum(m_position.GetDatum()), 3) &&
                    PutText("AREA", m_area) && PutText("GROUP", m_group) &&
                    PutInteger("ZONE", m_zone, 3);
    if (!ok)
        return false;
    const bool attached = m_attachments->StoreOwner(GetId(), m_attachment, CDBAttachments::kSlots);
    const bool noted = m_memos->StoreOwner(GetId(), m_memo, CDBMemo::kSlots);
    return attached && noted;
}

bool CDBPoint::TakeOver(const COlderTable& older, int row, bool allFields)
{
    auto text = [&](const std::string& field) { return Decode(older.Text(row, field)); };
    ClearRecord();
    m_name = text("NAME");
    SetPosition(NumberFromText(older.Text(row, "LAT")), NumberFromText(older.Text(row, "LNG")), 0.0,
                0xFFFF);
    if (allFields) {
        m_ident = text("ID");
        m_area = text("AREA");
        m_group = text("GROUP");
        m_zone = std::int8_t(NumberFromText(older.Text(row, "ZONE")));
        for (int i = 0; i < CDBAttachments::kSlots; ++i)
            m_attachment[i] = text("ATTACH" + std::to_string(i + 1));
        m_memo[0] = text("NOTE");
    }
    return m_position.IsValid();
}

void CDBPoint::ClearRecord()
{
    m_name.clear();
    m_ident.clear();
    m_position = geo::CPosition(0.0, 0.0, 0.0, -1);
    m_area.clear();
    m_group.clear();
    m_zone = 0;
    for (std::string& t : m_attachment)
        t.clear();
    for (std::string& t : m_memo)
        t.clear();
}

void CDBPoint::PlaceCompanions()
{
    const std::string folder = CompanionFolder();
    m_memos->SetName("MEMOS");
    m_memos->SetFolder(folder);
    m_attachments->SetName("ATTCHMTS");
    m_attachments->SetFolder(folder);
}

bool CDBPoint::Open(bool readOnly, bool /*recreate*/)
{
    if (IsOpen())
        return true;
    ClearRecord();
    FindFilesNoCase();
    PlaceCompanions();
    // A point table is never made anew by opening it: its points, memos and
    // attachments stay (emptying it is Zap's). A read-only open reaches the
    // companions too, so that reading a table never writes to it.
    if (!m_memos->Open(readOnly, false))
        return Fail(m_memos->GetMessage());
    if (!m_attachments->Open(readOnly, false)) {
        m_memos->Close();
        return Fail(m_attachments->GetMessage());
    }
    if (!CDBTextTable::Open(readOnly, false)) {
        m_memos->Close();
        m_attachments->Close();
        return false;
    }
    return true;
}

bool CDBPoint::Rebuild()
{
    PlaceCompanions();
    const bool memos = m_memos->Rebuild();
    const bool attachments = m_attachments->Rebuild();
    const bool own = CDBTextTable::Rebuild();
    return memos && attachments && own;
}

bool CDBPoint::DeleteRecord()
{
    if (!IsOpen())
        return false;
    const long id = GetId();
    const long recNo = GetRecNo();
    if (!m_attachments->DeleteOwner(id) || !m_memos->DeleteOwner(id))
        return false;
    return GoRecord(recNo) && CDBTextTable::DeleteRecord();
}

bool CDBPoint::DeleteAll()
{
    if (!IsOpen())
        return false;
    SelectUniqueTag();
    while (GoTop()) {
        if (!DeleteRecord())
            return false;
    }
    return FlushIfOpen() && m_memos->FlushIfOpen() && m_attachments->FlushIfOpen();
}

bool CDBPoint::Pack()
{
    return m_memos->Pack() && m_attachments->Pack() && CDBTextTable::Pack();
}

bool CDBPoint::DeleteFiles()
{
    if (IsReadOnly())
        return false;
    PlaceCompanions();
    const bool companions = m_memos->DeleteFiles() && m_attachments->DeleteFiles() &&
                            platform::RemoveTree(CompanionFolder());
    const bool own = CDBTextTable::DeleteFiles();
    return companions && own;
}

bool CDBPoint::CopyTo(const std::string& path)
{
    const std::string target = WithoutExtension(path);
    if (SamePath(target, GetFilePath()))
        return true;
    // The memos and attachments go whole or not at all with the table: a copy
    // onto an older save that fails leaves that save as it was.
    return CopyWithCompanions(
        target,
        [this](const std::filesystem::path& folder) {
            return m_memos->CopyTo((folder / "MEMOS").string()) &&
                   m_attachments->CopyTo((folder / "ATTCHMTS").string());
        },
        [this, &target] { return CDBTextTable::CopyTo(target); });
}

bool CDBPoint::Close()
{
    const bool memos = m_memos->Close();
    const bool attachments = m_attachments->Close();
    const bool own = CDBTextTable::Close();
    return memos && attachments && own;
}

bool CDBPoint::ResetCache()
{
    const bool companions = m_memos->ResetCache() && m_attachments->ResetCache();
    return CDBTextTable::ResetCache() && companions;
}

}   // namespace db

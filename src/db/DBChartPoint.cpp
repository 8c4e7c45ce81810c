#include "db/DBChartPoint.h"
#include "platform/Ascii.h"

#include "db/ImportStaging.h"
#include "db/OlderTable.h"

#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace db {

namespace {

bool SameExtension(const std::string& ext, const char* want)
{
    if (ext.size() != 3)
        return false;
    for (size_t i = 0; i < 3; ++i)
        if (platform::AsciiLower(ext[i]) != want[i])
            return false;
    return true;
}

// The older file beside the table with `ext`, found without case.
std::string OlderFile(const std::string& base, const std::string& ext)
{
    return ResolveNoCase(base + "." + ext).string();
}

}   // namespace

CDBChartPoint::CDBChartPoint()
{
    for (const char* field : {"LAT", "LNG", "ALT", "DSHIFT", "AREA", "GROUP", "ZONE"})
        m_tagList.Add(std::string("T_") + field, field, ".NOT. DELETED()");
}

void CDBChartPoint::SetName(const std::string& name)
{
    const std::string ext = ExtensionOf(name);
    if (SameExtension(ext, "ipt")) {
        m_pendingConversion = kIpt;
        m_olderExtension = ext;
    } else if (SameExtension(ext, "wpt")) {
        m_pendingConversion = kWpt;
        m_olderExtension = ext;
    }
    CDBPoint::SetName(name);
}

bool CDBChartPoint::Open(bool readOnly, bool recreate)
{
    if (IsOpen())
        return true;
    Conversion kind = Conversion(m_pendingConversion);
    m_pendingConversion = kNone;
    m_importNote.clear();
    std::error_code ec;
    if (kind != kNone) {
        // Without the older file there is nothing to take over.
        FindFilesNoCase();
        const std::string ext =
            m_olderExtension.empty() ? (kind == kIpt ? "ipt" : "wpt") : m_olderExtension;
        if (!fs::exists(ResolveNoCase(GetFilePath() + "." + ext), ec))
            kind = kNone;
    }
    if (kind != kNone) {
        // An open or import that fails keeps the import pending: the next
        // open tries again rather than opening an empty table in its place.
        if (fs::exists(GetFilePath() + ".dbf", ec)) {
            if (!CDBPoint::Open(readOnly, recreate)) {
                m_pendingConversion = kind;
                return false;
            }
            if (!IsEmpty()) {
                // Taken over before: the table's own records stand, and the
                // older file stays due for a table that is emptied later.
                m_pendingConversion = kind;
                return true;
            }
            Close();
        }
        if (!Import(kind)) {
            m_pendingConversion = kind;
            return false;
        }
        const std::string note = m_importNote;   // rows left behind, damage found
        if (!CDBPoint::Open(readOnly, recreate))
            return false;
        m_importNote = note;
        if (!note.empty())
            m_message = note + (m_message.empty() ? "" : " " + m_message);
        return true;
    }
    return CDBPoint::Open(readOnly, recreate);
}

bool CDBChartPoint::ImportIpt()
{
    return Import(kIpt);
}

bool CDBChartPoint::ImportWpt()
{
    return Import(kWpt);
}

bool CDBChartPoint::Import(Conversion kind)
{
    m_badRows.clear();
    m_importNote.clear();
    if (IsOpen())
        return Fail("The table " + GetFilePath() +
                    " is open; close it before taking older files over.");
    const std::string base = GetFilePath();
    const std::string dataPath = OlderFile(
        base, m_olderExtension.empty() ? (kind == kIpt ? "ipt" : "wpt") : m_olderExtension);
    std::string memoPath;
    if (kind == kIpt) {
        std::string memoExt = m_olderExtension.empty() ? "ipt" : m_olderExtension;
        memoExt.back() = std::isupper(static_cast<unsigned char>(memoExt.back())) ? 'M' : 'm';
        memoPath = OlderFile(base, memoExt);
    }
    COlderTable older;
    if (!older.Open(dataPath, memoPath))
        return Fail(older.GetMessage());
    for (const char* field : {"NAME", "LAT", "LNG"})
        if (!older.HasField(field))
            return Fail("The file " + dataPath + " cannot be taken over: it has no field " + field +
                        ".");

    CImportStaging staging(GetFolder(), GetName());
    if (!staging.IsReady())
        return Fail("No room for a new table could be made in " + GetFolder() + ".");
    CDBChartPoint staged;
    staged.SetFilePath(staging.TablePath());
    if (!staged.Open())
        return Fail(staged.GetMessage());
    for (int r = 0; r < older.RecordCount(); ++r) {
        if (older.Deleted(r))
            continue;
        // A point with no place on the earth would be listed and drawn where
        // it is not; its row is left behind and named to the user.
        if (!staged.TakeOver(older, r, kind == kIpt)) {
            m_badRows.push_back(r + 1);
            continue;
        }
        if (!staged.AppendNew())
            return Fail("Row " + std::to_string(r + 1) + " of " + dataPath +
                        " could not be taken over: " + staged.GetMessage());
    }
    if (!staged.FlushIfOpen() || !staged.Close())
        return Fail("The new table " + base + " could not be written.");
    std::string error;
    if (!staging.Commit(&error))
        return Fail("The new table " + base + " could not take its place: " + error);
    std::string note;
    if (!m_badRows.empty()) {
        std::string rows;
        for (int r : m_badRows)
            rows += (rows.empty() ? "" : ", ") + std::to_string(r);
        note = (m_badRows.size() == 1 ? "Row " : "Rows ") + rows + " of " + dataPath +
               (m_badRows.size() == 1 ? " was" : " were") +
               " not taken over: the position is out of range.";
    }
    if (!older.GetWarning().empty())
        note += (note.empty() ? "" : " ") + older.GetWarning();
    m_message = note;
    m_importNote = note;
    return true;
}

}   // namespace db

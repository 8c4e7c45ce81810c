#include "db/DBLog.h"
#include "platform/Ascii.h"

#include "db/ImportStaging.h"
#include "db/OlderTable.h"
#include "engines/dbase/DbaseTable.h"
#include "geo/DatumInfo.h"
#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace db {

namespace {

int Digits(const std::string& text, size_t at, size_t count)
{
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// An older log's date ("dd/mm/yy", or "YYYYMMDD" from a date field) and time
// ("hh:mm" or "hh:mm:ss"). Two-digit years below 95 are 20xx, as everywhere
// in the system.
app::CDateTimeEx OlderDateTime(const std::string& date, const std::string& time)
{
    int day, month, year;
    if (date.size() == 8 && Digits(date, 0, 8) >= 0) {
        year = Digits(date, 0, 4);
        month = Digits(date, 4, 2);
        day = Digits(date, 6, 2);
    } else {
        day = Digits(date, 0, 2);
        month = Digits(date, 3, 2);
        year = Digits(date, 6, 2);
        if (year >= 0)
            year += year < 95 ? 2000 : 1900;
    }
    const bool packed = time.size() == 6 && Digits(time, 0, 6) >= 0;   // "HHMMSS"
    const int hour = Digits(time, 0, 2);
    const int minute = Digits(time, packed ? 2 : 3, 2);
    const int second = packed ? Digits(time, 4, 2) : time.size() >= 8 ? Digits(time, 6, 2) : 0;
    app::CDateTimeEx value;
    if (day < 0 || month < 0 || year < 0 || hour < 0 || minute < 0 || second < 0 ||
        !value.SetDateTime(year, month, day, hour, minute, second))
        value.SetStatus(app::CDateTimeEx::invalid);
    return value;
}

}   // namespace

// A data file shorter than the header it announces (or than any header):
// what a kill leaves while the table is being made. Only a header begun as
// this program writes one (a dBASE version byte, no row counted yet) counts:
// any other is a damaged file, which is kept with its notes for the user.
bool IsCutShortHeader(const std::string& dataPath)
{
    std::error_code ec;
    const auto size = fs::file_size(dataPath, ec);
    if (ec)
        return false;
    if (size < 32)
        return true;
    std::ifstream in(dataPath, std::ios::binary);
    unsigned char header[10] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return true;
    if ((header[0] != 0x03 && header[0] != 0x8B) ||
        (header[4] | header[5] | header[6] | header[7]) != 0)
        return false;
    const std::uintmax_t headerLength = header[8] | (unsigned(header[9]) << 8);
    return size < headerLength;
}

// The older logs have nine fields or seven. A data file with eleven, the
// count of this program's own log, is no older log and nothing of it is
// taken over: read as an older one it would lose its ALT, DSHIFT and TYPE.
bool HasOwnLogFieldCount(const std::string& dataPath)
{
    std::vector<std::pair<std::string, char>> fields;
    return COlderTable::ReadFields(dataPath, fields) && fields.size() == 11;
}

LogLayout LogLayoutOf(const std::string& dataPath)
{
    std::error_code ec;
    if (!fs::exists(dataPath, ec))
        return LogLayout::Missing;
    // Only the field descriptions are read: a log may be years long.
    std::vector<std::pair<std::string, char>> fields;
    if (!COlderTable::ReadFields(dataPath, fields))
        return LogLayout::Other;
    auto has = [&](const char* name) {
        return std::any_of(fields.begin(), fields.end(),
                           [&](const auto& f) { return f.first == name; });
    };
    if (has("DATE") && has("TIME") && has("LAT") && has("LNG")) {
        if (has("DSHIFT") && has("ALT"))
            return LogLayout::Current;
        if (has("DTM"))
            return LogLayout::NineField;
        if (has("COG") && has("SOG"))
            return LogLayout::OldLog;
    }
    return LogLayout::Other;
}

CDBLog::CDBLog(std::shared_ptr<dbase::CDbaseEngine> engine) : CDBTextTable(std::move(engine))
{
    m_fieldList.Add("DATE", 'D', 8, 0);
    m_fieldList.Add("TIME", 'C', 6, 0);
    m_fieldList.Add("LAT", 'F', 10, 5);
    m_fieldList.Add("LNG", 'F', 10, 5);
    m_fieldList.Add("ALT", 'F', 10, 2);
    m_fieldList.Add("DSHIFT", 'N', 3, 0);
    m_fieldList.Add("COG", 'F', 6, 2);
    m_fieldList.Add("SOG", 'F', 6, 2);
    m_fieldList.Add("TYPE", 'N', 3, 0);
    m_fieldList.Add("NOTE", 'M', 10, 0);
    m_tagList.Add("T_DT_TM", "DTOS( DATE ) + TIME", ".NOT. DELETED()");
    m_tagList.Add("T_TYPE", "TYPE", ".NOT. DELETED()");
    ClearRecord();
}

CDBLog::~CDBLog()
{
    Close();
}

void CDBLog::ClearRecord()
{
    m_time = app::CDateTimeEx();
    m_time.SetStatus(app::CDateTimeEx::invalid);
    m_position = geo::CPosition(0.0, 0.0, 0.0, -1);
    m_positionKnown = true;
    m_cog = m_sog = 0;
    m_type = 0;
    m_note.clear();
}

bool CDBLog::LoadRecord()
{
    CDBInterface::LoadRecord();
    m_time = DateTime("DATE", "TIME");
    const double lat = Number("LAT"), lng = Number("LNG"), alt = Number("ALT");
    const auto datum = std::uint16_t(std::int16_t(Integer("DSHIFT")));
    m_positionKnown = !Field("LAT").Trimmed().empty() || !Field("LNG").Trimmed().empty();
    if (!m_positionKnown) {
        m_position = geo::CPosition(0.0, 0.0, 0.0, -1);
        m_position.Invalidate();
    } else if (!m_position.Set(lat, lng, alt, datum)) {
        m_position = geo::CPosition(lat, lng, alt, std::int16_t(datum));
        m_position.Invalidate();
    }
    m_cog = Number("COG");
    m_sog = Number("SOG");
    m_type = int(Integer("TYPE") & 0xFF);
    m_note = Text("NOTE");
    return true;
}

bool CDBLog::StoreRecord()
{
    const std::uint16_t datum = m_position.GetDatum();
    const bool placed = m_positionKnown
                            ? PutDouble("LAT", m_position.GetLatitude(), 10, 5) &&
                                  PutDouble("LNG", m_position.GetLongitude(), 10, 5) &&
                                  PutDouble("ALT", m_position.GetAltitude(), 10, 2)
                            : PutText("LAT", {}) && PutText("LNG", {}) && PutText("ALT", {});
    return CDBInterface::StoreRecord() && PutDateTime("DATE", "TIME", m_time) && placed &&
           PutInteger("DSHIFT", datum == geo::DatumIndexWGS84() ? -1 : std::int16_t(datum), 3) &&
           PutDouble("COG", m_cog, 6, 2) && PutDouble("SOG", m_sog, 6, 2) &&
           PutInteger("TYPE", m_type, 3) && PutText("NOTE", m_note);
}

void CDBLog::SetName(const std::string& name)
{
    const std::string ext = ExtensionOf(name);
    if (platform::EqualNoCaseAscii(ext, "log")) {
        m_importKind = kLogFile;
        m_olderExtension = ext;
    }
    CDBTextTable::SetName(name);
}

int CDBLog::TypeFromText(std::string_view text)
{
    static const std::pair<const char*, int> kTypes[] = {
        {"VF", 1},      {"Radar", 2},  {"Astro", 3},  {"EPFS", 4},    {"USER DR", 5},
        {"USER EP", 6}, {"SYS DR", 7}, {"SYS EP", 8}, {"Manual", 11},
    };
    for (const auto& [name, code] : kTypes)
        if (platform::EqualNoCaseAscii(text, name))
            return code;
    return 0;
}

// The file's own count, records marked deleted included until the table is
// packed: read from the header at once, however long the log has grown. Rows
// are found by record number (row n is record n), which this count matches.
long CDBLog::GetRecordCount()
{
    return Table() ? long(Table()->RecordCount()) : 0;
}

bool CDBLog::DeleteRecord()
{
    return CDBTextTable::DeleteRecord() && FlushIfOpen();
}

bool CDBLog::DeleteFiles()
{
    if (IsReadOnly())
        return false;
    bool ok = true;
    for (const char* ext : {"dbf", "dbt", "mdx"}) {
        const std::string path = GetFilePath() + "." + ext;
        std::error_code ec;
        fs::remove(path, ec);
        ok = ok && !fs::exists(path, ec);
    }
    return ok;
}

bool CDBLog::Open(bool readOnly, bool recreate)
{
    if (IsOpen())
        return true;
    const int kind = m_importKind;
    m_importKind = kNone;
    m_badRows.clear();
    FindFilesNoCase();
    const std::string dbf = GetFilePath() + ".dbf";
    const LogLayout layout = LogLayoutOf(dbf);
    if (layout == LogLayout::NineField || layout == LogLayout::OldLog) {
        // An older log under the log's own name: taken over, its files kept.
        if (!Import(dbf, ResolveNoCase(GetFilePath() + ".dbt").string(), true))
            return false;
    } else if (layout == LogLayout::Other && !readOnly && IsCutShortHeader(dbf)) {
        // A log whose making was killed before its header was whole holds no
        // row: it is made again.
        DeleteFiles();
    } else if (layout == LogLayout::Other) {
        return Fail("The file " + dbf + " is not a position log.");
    } else if (kind == kLogFile) {
        bool empty = true;
        if (layout == LogLayout::Current) {
            if (!CDBTextTable::Open(readOnly, recreate))
                return false;
            empty = IsEmpty();
            Close();
        }
        if (empty) {
            std::string ext = m_olderExtension.empty() ? "log" : m_olderExtension;
            const std::string data = ResolveNoCase(GetFilePath() + "." + ext).string();
            ext.back() = std::isupper(static_cast<unsigned char>(ext.back())) ? 'M' : 'm';
            std::error_code ec;
            if (fs::exists(data, ec) && !HasOwnLogFieldCount(data) &&
                !Import(data, ResolveNoCase(GetFilePath() + "." + ext).string(), false))
                return false;
        }
    }
    const std::string note = m_message;
    if (!CDBTextTable::Open(readOnly, recreate))
        return false;
    if (!note.empty())   // what an import said, before what the open found
        m_message = note + (m_message.empty() ? "" : " " + m_message);
    return true;
}

bool CDBLog::TakeOverFrom(const std::string& dataPath, const std::string& memoPath)
{
    m_badRows.clear();
    return HasOwnLogFieldCount(dataPath) || Import(dataPath, memoPath, false);
}

bool CDBLog::TakeOver(const COlderTable& older, int row, bool nineField)
{
    ClearRecord();
    m_time = OlderDateTime(older.Text(row, "DATE"), older.Text(row, "TIME"));
    const double lat = NumberFromText(older.Text(row, "LAT"));
    const double lng = NumberFromText(older.Text(row, "LNG"));
    const auto datum =
        nineField ? std::uint16_t(std::int16_t(NumberFromText(older.Text(row, "DTM")))) : 0xFFFF;
    bool valid = m_position.Set(lat, lng, 0.0, datum);
    if (!valid) {
        m_position = geo::CPosition(lat, lng, 0.0, std::int16_t(datum));
        m_position.Invalidate();
    }
    m_cog = NumberFromText(older.Text(row, "COG"));
    m_sog = NumberFromText(older.Text(row, "SOG"));
    m_type = nineField ? TypeFromText(Decode(older.Text(row, "TYPE"))) : 0;
    m_note = Decode(older.Text(row, "NOTE"));
    return valid;
}

bool CDBLog::Import(const std::string& dataPath, const std::string& memoPath, bool keepBackup)
{
    COlderTable older;
    if (!older.Open(dataPath, memoPath))
        return Fail(older.GetMessage());
    for (const char* field : {"DATE", "TIME", "LAT", "LNG"})
        if (!older.HasField(field))
            return Fail("The file " + dataPath + " cannot be taken over: it has no field " + field +
                        ".");
    const bool nineField = older.HasField("DTM");

    CImportStaging staging(GetFolder(), GetName());
    if (!staging.IsReady())
        return Fail("No room for a new log could be made in " + GetFolder() + ".");
    {
        CDBLog staged;
        staged.SetFilePath(staging.TablePath());
        if (!staged.Open())
            return Fail(staged.GetMessage());
        for (int r = 0; r < older.RecordCount(); ++r) {
            if (older.Deleted(r))
                continue;
            if (!staged.TakeOver(older, r, nineField))
                m_badRows.push_back(r + 1);
            if (!staged.AppendNew())
                return Fail("Row " + std::to_string(r + 1) + " of " + dataPath +
                            " could not be taken over: " + staged.GetMessage());
        }
        if (!staged.FlushIfOpen() || !staged.Close())
            return Fail("The new log " + GetFilePath() + " could not be written.");
    }
    if (keepBackup) {
        // The older files stand under the log's own name: a copy of them stays.
        const fs::path backup =
            fs::path(GetFolder().empty() ? "." : GetFolder()) / "~OldLogs.Backup";
        std::error_code ec;
        fs::create_directories(backup, ec);
        for (const std::string& file : {dataPath, memoPath}) {
            if (file.empty() || !fs::exists(file, ec))
                continue;
            std::string error;
            if (!platform::CopyTree(file, backup / fs::path(file).filename(), &error))
                return Fail("The older log " + file + " could not be backed up: " + error);
        }
    }
    std::string error;
    if (!staging.Commit(&error))
        return Fail("The new log " + GetFilePath() + " could not take its place: " + error);
    if (!m_badRows.empty()) {
        std::string rows;
        for (int r : m_badRows)
            rows += (rows.empty() ? "" : ", ") + std::to_string(r);
        m_message = "Positions out of range in " + dataPath + " (rows " + rows +
                    ") were taken over as not valid.";
    }
    if (!older.GetWarning().empty())
        m_message += (m_message.empty() ? "" : " ") + older.GetWarning();
    return true;
}

}   // namespace db

#include "db/DBVesselLog.h"
#include "platform/Ascii.h"

#include "app/StringUtils.h"
#include "db/DBLog.h"
#include "db/ImportStaging.h"
#include "db/OlderTable.h"
#include "engines/dbase/DbaseTable.h"
#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace db {

namespace {

constexpr unsigned kCannotConvertId = 32873;
constexpr unsigned kOverwriteId = 44333;

std::string StringOr(unsigned id, const char* fallback)
{
    std::string text = app::LoadResString(id);
    return text.empty() ? fallback : text;
}

bool IsIndexLayout(const std::string& dataPath)
{
    std::vector<std::pair<std::string, char>> fields;
    if (!COlderTable::ReadFields(dataPath, fields))
        return false;
    for (const char* name : {"VSLTYPE", "VOYAGEID", "VSLID", "APPENDNO", "STARTDATE", "ENDDATE"})
        if (std::none_of(fields.begin(), fields.end(),
                         [&](const auto& f) { return f.first == name; }))
            return false;
    return true;
}

}   // namespace

std::string CDBVesselLog::RefusalFor(const std::string& dataPath)
{
    std::error_code ec;
    if (!fs::exists(dataPath, ec) || IsIndexLayout(dataPath) ||
        LogLayoutOf(dataPath) != LogLayout::Other)
        return {};
    return "The file " + dataPath + " is neither a vessel log nor a position log.";
}

CDBVesselLog::CDBVesselLog(std::shared_ptr<dbase::CDbaseEngine> engine)
    : CDBTextTable(std::move(engine))
{
    m_fieldList.Add("VSLTYPE", 'N', 3, 0);
    m_fieldList.Add("VOYAGEID", 'C', 20, 0);
    m_fieldList.Add("OOWNAME", 'C', 20, 0);
    m_fieldList.Add("TARGETNO", 'N', 2, 0);
    m_fieldList.Add("TARGETNAME", 'C', 32, 0);
    m_fieldList.Add("VSLID", 'N', 8, 0);
    m_fieldList.Add("APPENDNO", 'N', 8, 0);
    m_fieldList.Add("STARTDATE", 'D', 8, 0);
    m_fieldList.Add("STARTTIME", 'C', 6, 0);
    m_fieldList.Add("ENDDATE", 'D', 8, 0);
    m_fieldList.Add("ENDTIME", 'C', 6, 0);
    m_tagList.Add("T_VOYAGEID", "VOYAGEID", ".NOT. DELETED()");
    m_tagList.Add("T_VSLTYPE", "VSLTYPE", ".NOT. DELETED()");
    m_tagList.Add("T_VSLAPDNO", "STR( VSLID, 8, 0 ) + STR( APPENDNO, 8, 0 )", ".NOT. DELETED()");
    m_tagList.Add("T_STARTDATE", "DTOS( STARTDATE ) + STARTTIME", ".NOT. DELETED()");
    m_tagList.Add("T_ENDDATE", "DTOS( ENDDATE ) + ENDTIME", ".NOT. DELETED()");
    ClearRecord();
}

CDBVesselLog::~CDBVesselLog()
{
    Close();
}

void CDBVesselLog::ListTexts(std::vector<TextMember>& out) const
{
    out.push_back({"VOYAGEID", &m_voyageId});
    out.push_back({"OOWNAME", &m_oowName});
    out.push_back({"TARGETNAME", &m_targetName});
}

void CDBVesselLog::ClearRecord()
{
    m_vesselType = 0;
    m_targetNo = 0;
    m_vesselId = 0;
    m_appendNo = 0;
    m_voyageId.clear();
    m_oowName.clear();
    m_targetName.clear();
    m_start = m_end = app::CDateTimeEx();
    m_start.SetStatus(app::CDateTimeEx::invalid);
    m_end.SetStatus(app::CDateTimeEx::invalid);
}

bool CDBVesselLog::LoadRecord()
{
    CDBInterface::LoadRecord();
    m_vesselType = int(Integer("VSLTYPE"));
    m_voyageId = Text("VOYAGEID");
    m_oowName = Text("OOWNAME");
    m_targetNo = std::uint8_t(Integer("TARGETNO"));
    m_targetName = Text("TARGETNAME");
    m_vesselId = std::uint32_t(Number("VSLID"));
    m_appendNo = std::uint32_t(Number("APPENDNO"));
    m_start = DateTime("STARTDATE", "STARTTIME");
    m_end = DateTime("ENDDATE", "ENDTIME");
    return true;
}

bool CDBVesselLog::StoreRecord()
{
    return CDBInterface::StoreRecord() && PutInteger("VSLTYPE", m_vesselType, 3) &&
           PutText("VOYAGEID", m_voyageId) && PutText("OOWNAME", m_oowName) &&
           PutInteger("TARGETNO", m_targetNo, 2) && PutText("TARGETNAME", m_targetName) &&
           PutInteger("VSLID", m_vesselId, 8) && PutInteger("APPENDNO", m_appendNo, 8) &&
           PutDateTime("STARTDATE", "STARTTIME", m_start) &&
           PutDateTime("ENDDATE", "ENDTIME", m_end);
}

void CDBVesselLog::SetName(const std::string& name)
{
    std::string ext = ExtensionOf(name);
    std::string lower = ext;
    for (char& c : lower)
        c = platform::AsciiLower(c);
    m_importKind = lower == "log" ? kLogFile : kNone;
    if (m_importKind == kLogFile)
        m_olderExtension = ext;
    CDBTextTable::SetName(name);
}

std::string CDBVesselLog::GetVesselTypeText() const
{
    switch (m_vesselType) {
    case 1: return "Own Vessel";
    case 2: return "ARPA Target";
    case 3: return "Tracked Vessel";
    default: return "Unknown";
    }
}

bool CDBVesselLog::OpenIndex()
{
    ClearRecord();
    return CDBTextTable::Open(false, false);
}

bool CDBVesselLog::IsCurrentFormat()
{
    FindFilesNoCase();
    const std::string dbf = GetFilePath() + ".dbf";
    std::error_code ec;
    if (!fs::exists(dbf, ec))
        return false;
    if (!IsIndexLayout(dbf)) {
        m_importKind = kSingleLog;
        return false;
    }
    return m_importKind == kNone;
}

std::uint32_t CDBVesselLog::GetNextAppendNo(std::uint32_t vesselId)
{
    if (!Table() || !FlushIfOpen())
        return 1;
    dbase::CDbaseTag* tag = Table()->Tag("T_VSLAPDNO");
    if (!tag)
        return 1;
    const std::string prefix = IdKey(long(vesselId));
    std::uint32_t largest = 0;
    for (const auto& [key, recNo] : tag->Keys())
        if (key.compare(0, 8, prefix) == 0 && key.size() >= 16)
            largest = std::max(largest, std::uint32_t(NumberFromText(key.substr(8, 8))));
    return largest + 1;
}

bool CDBVesselLog::BackupOldLogs()
{
    const fs::path backup = fs::path(GetFolder().empty() ? "." : GetFolder()) / "~OldLogs.Backup";
    std::error_code ec;
    fs::create_directories(backup, ec);
    if (!fs::is_directory(backup, ec))
        return Fail("The backup folder " + backup.string() + " could not be made.");
    for (const char* ext : {"dbf", "dbt", "mdx", "trc"}) {
        const fs::path file = ResolveNoCase(GetFilePath() + "." + ext);
        if (!fs::exists(file, ec))
            continue;
        std::string error;
        if (!platform::CopyTree(file, backup / file.filename(), &error))
            return Fail("The log " + file.string() + " could not be backed up: " + error);
    }
    return true;
}

bool CDBVesselLog::Zap()
{
    if (IsReadOnly())
        return Fail("The vessel log " + GetFilePath() + " is read-only.");
    // A step that fails raises the program's error exception: the caller
    // stops what it was doing; the message names the step.
    if (!Close()) {
        Fail("The vessel log " + GetFilePath() + " could not be closed.");
        app::ThrowError();
    }
    std::string error;
    if (!platform::RemoveTree(CompanionFolder(), &error) || !DeleteFiles()) {
        Fail("The vessel log " + GetFilePath() + " could not be emptied: " + error);
        app::ThrowError();
    }
    if (!OpenIndex()) {
        Fail("The emptied vessel log " + GetFilePath() + " could not be opened.");
        app::ThrowError();
    }
    return true;
}

bool CDBVesselLog::Open(bool readOnly, bool recreate)
{
    if (IsOpen())
        return true;
    m_converted = false;
    const int kind = m_importKind;
    m_importKind = kNone;
    FindFilesNoCase();
    const std::string dbf = GetFilePath() + ".dbf";
    std::error_code ec;
    const bool exists = fs::exists(dbf, ec);
    if (kind == kLogFile && fs::exists(ResolveNoCase(GetFilePath() + "." + m_olderExtension), ec)) {
        std::string ext = m_olderExtension.empty() ? "log" : m_olderExtension;
        const std::string older = ResolveNoCase(GetFilePath() + "." + ext).string();
        ext.back() = std::isupper(static_cast<unsigned char>(ext.back())) ? 'M' : 'm';
        const std::string olderMemo = ResolveNoCase(GetFilePath() + "." + ext).string();
        if (exists) {
            const std::string question =
                StringOr(kCannotConvertId,
                         "Cannot convert log database.  A database with the name:") +
                "\n" + dbf +
                StringOr(kOverwriteId, " already exists.\nDo you want to overwrite it?");
            const bool yes = m_prompt && m_prompt->Ask(question, "", platform::PromptIcon::Question,
                                                       platform::PromptButtons::YesNo) ==
                                             platform::PromptAnswer::Yes;
            if (!yes)
                return Fail("The log " + older + " was not converted; " + dbf + " is kept.");
        }
        m_converted = Convert(older, olderMemo, false);
        return m_converted;
    }
    if (exists && !IsIndexLayout(dbf)) {
        if (const std::string refusal = RefusalFor(dbf); !refusal.empty())
            return Fail(refusal);
        m_converted = Convert(dbf, ResolveNoCase(GetFilePath() + ".dbt").string(), true);
        return m_converted;
    }
    if (exists && !readOnly && !MoveUpNestedLogs())
        return false;
    ClearRecord();
    return CDBTextTable::Open(readOnly, recreate);
}

// An index converted by an earlier version kept its first vessel's logbook
// one folder deeper (N.X/00000001.X/00000001). Each such logbook moves up
// beside its track (N.X/00000001), all or nothing: a name already taken
// up there, or a move that fails, leaves every file where it was.
bool CDBVesselLog::MoveUpNestedLogs()
{
    std::error_code ec;
    const fs::path companion = CompanionFolder();
    if (!fs::is_directory(companion, ec))
        return true;
    std::vector<std::pair<fs::path, fs::path>> moves;
    std::vector<fs::path> nested;
    for (const auto& entry : fs::directory_iterator(companion, ec)) {
        const fs::path& folder = entry.path();
        const std::string stem = folder.stem().string();
        if (!entry.is_directory(ec) ||
            !platform::EqualNoCaseAscii(folder.extension().string(), ".X") || stem.size() != 8 ||
            !std::all_of(stem.begin(), stem.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        for (const auto& file : fs::directory_iterator(folder, ec)) {
            if (!file.is_regular_file(ec) ||
                !platform::EqualNoCaseAscii(file.path().stem().string(), stem))
                continue;
            const fs::path to = companion / file.path().filename();
            if (fs::exists(ResolveNoCase(to), ec))
                return Fail("The vessel log " + GetFilePath() + " holds both " +
                            file.path().string() + " and " + to.string() + "; neither was moved.");
            moves.emplace_back(file.path(), to);
        }
        nested.push_back(folder);
    }
    std::vector<std::pair<fs::path, fs::path>> done;
    for (const auto& [from, to] : moves) {
        std::string error;
        if (!platform::RenamePath(from, to, &error)) {
            for (auto it = done.rbegin(); it != done.rend(); ++it)
                platform::RenamePath(it->second, it->first);
            return Fail("The logbooks of " + GetFilePath() +
                        " could not be moved beside their tracks: " + error);
        }
        done.emplace_back(from, to);
    }
    for (const fs::path& folder : nested)
        fs::remove(folder, ec);   // only when nothing else is left in it
    if (!done.empty())
        platform::SyncFolder(companion);
    return true;
}

bool CDBVesselLog::Convert(const std::string& olderData, const std::string& olderMemo,
                           bool fromIndexName)
{
    std::error_code ec;
    const bool replacing = fs::exists(GetFilePath() + ".dbf", ec);
    CImportStaging staging(GetFolder(), GetName());
    if (!staging.IsReady())
        return Fail("No room for a new vessel log could be made in " + GetFolder() + ".");
    const std::string logFolder = staging.TablePath() + ".X";
    fs::create_directories(logFolder, ec);
    CDBLog log;
    log.SetFilePath(logFolder + "/" + IdName(1));
    if (fromIndexName && LogLayoutOf(olderData) == LogLayout::Current) {
        // A log of the current layout goes across whole.
        CDBLog current;
        current.SetFilePath(WithoutExtension(olderData));
        if (!current.Open(true) || !current.CopyTo(log.GetFilePath()))
            return Fail("The log " + olderData + " could not be copied.");
    } else if (!log.TakeOverFrom(olderData, olderMemo)) {
        return Fail(log.GetMessage());
    }
    const std::string note = log.GetMessage();
    if (!log.Open())
        return Fail(log.GetMessage());

    CDBVesselLog index;
    index.SetFilePath(staging.TablePath());
    if (!index.OpenIndex())
        return Fail(index.GetMessage());
    index.ClearRecord();
    index.m_vesselType = 1;
    index.m_vesselId = 1;
    index.m_appendNo = 1;
    log.SelectUniqueTag();
    if (log.GoTop())
        index.m_start = log.m_time;
    if (log.GoBottom())
        index.m_end = log.m_time;
    log.Close();
    if (!index.AppendNew() || !index.FlushIfOpen() || !index.Close())
        return Fail("The new vessel log " + GetFilePath() + " could not be written.");

    if (replacing && !BackupOldLogs())
        return false;
    std::string error;
    if (!staging.Commit(&error))
        return Fail("The new vessel log " + GetFilePath() + " could not take its place: " + error);
    // A memo file of the replaced log has no place beside the index (it is in the backup).
    if (replacing)
        fs::remove(GetFilePath() + ".dbt", ec);
    if (!OpenIndex())
        return false;
    m_message = note;
    return true;
}

}   // namespace db

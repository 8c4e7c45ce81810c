#include "navigator/VesselLogbook.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "app/SystemUtils.h"
#include "db/CompanionCopy.h"
#include "navigator/LogbookRows.h"
#include "navigator/VesselFiles.h"
#include "nmea/NMEAData.h"
#include "platform/Ascii.h"
#include "platform/Files.h"

namespace navigator {

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

constexpr std::size_t kConvertBatch = 4096;
// Kept points beyond this are dropped oldest first (hours of a second each).
constexpr std::size_t kMostKept = 20000;
// Rows passed over, newest first, looking for the last place a log holds.
constexpr int kRowsWithoutPlace = 1000;

app::CDateTimeEx UtcFields(sys_seconds t)
{
    const sys_days day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> hms{t - day};
    app::CDateTimeEx value;
    if (!value.SetDateTime(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())),
                           int(hms.hours().count()), int(hms.minutes().count()),
                           int(hms.seconds().count())))
        value.SetStatus(app::CDateTimeEx::invalid);
    return value;
}

std::optional<sys_seconds> FromUtcFields(const app::CDateTimeEx& value)
{
    if (!value.IsValid())
        return std::nullopt;
    const auto f = value.GetFields();
    const year_month_day ymd{year{f.year}, month{unsigned(f.month)}, day{unsigned(f.day)}};
    if (!ymd.ok())
        return std::nullopt;
    return sys_days{ymd} + hours(f.hour) + minutes(f.minute) + seconds(f.second);
}

double Stored(double value)
{
    return value == nmea::kNoValue ? kUnsetTrackValue : value;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return platform::AsciiLower(x) == platform::AsciiLower(y);
           });
}

// The path as the file system resolves it, for comparing two names of one log.
std::string Resolved(const std::string& path)
{
    std::error_code ec;
    const fs::path p = db::ResolveNoCase(path);
    const fs::path canonical = fs::weakly_canonical(p, ec);
    return ec ? p.string() : canonical.string();
}

class CTableLock final : public CVesselLogIndexLock {
public:
    explicit CTableLock(CDBInterface& table) : m_table(table) { }
    bool TryLock() override { return m_table.Lock(); }
    std::string IndexName() const override { return m_table.GetFilePath() + ".dbf"; }

private:
    CDBInterface& m_table;
};

std::optional<std::uint32_t> UnsignedDecimal(std::string_view text)
{
    std::uint32_t value = 0;
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())))
        return std::nullopt;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}   // namespace

std::optional<CVesselNumber> ParseVesselNumber(std::string_view text)
{
    const auto comma = text.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    const auto vesselId = UnsignedDecimal(text.substr(0, comma));
    const auto appendNo = UnsignedDecimal(text.substr(comma + 1));
    if (!vesselId || !appendNo || *vesselId == 0)
        return std::nullopt;
    return CVesselNumber{*vesselId, *appendNo};
}

std::string VesselNumberText(const CVesselNumber& number)
{
    return std::to_string(number.vesselId) + "," + std::to_string(number.appendNo);
}

CVesselLogbook::CVesselLogbook(const platform::CClock& clock, CVesselLogServices services)
    : m_clock(clock), m_services(std::move(services))
{ }

CVesselLogbook::~CVesselLogbook()
{
    // Nothing is deleted here: a log still open when its owner goes (the
    // program ending without closing it) stays, and the next start offers
    // to continue it.
    for (auto& vessel : m_vessels) {
        WriteKeptRows(*vessel);
        WriteKeptPoints(*vessel);
    }
}

// ---- Names --------------------------------------------------------------------------------

bool CVesselLogbook::IsTemporaryName(const std::string& path)
{
    const std::string name = fs::path(path).filename().string();
    return name.size() >= 2 && name[0] == '~' && platform::AsciiLower(name[1]) == 'd';
}

bool CVesselLogbook::IsTemporary() const
{
    return IsOpen() && IsTemporaryName(LogPath());
}

std::string CVesselLogbook::LogTitle() const
{
    return IsOpen() ? fs::path(LogPath()).filename().string() : std::string();
}

fs::path CVesselLogbook::VesselFile(long unique, const char* extension) const
{
    return fs::path(LogPath() + ".X") / (db::IdName(unique) + "." + extension);
}

std::string CVesselLogbook::NewTemporaryPath()
{
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    // The ".tmp" file reserves the name while the log lives; it is deleted
    // with the log, by its own name.
    std::string base;
    return m_temporary.Make(m_folder.string(), base) ? base : std::string();
}

void CVesselLogbook::RemoveLeftoverLogs(const std::string& opening) const
{
    // A log holds something once a logbook holds a row or a track a point.
    // A target's row has an index row but no logbook of its own: an index
    // with more rows than the folder has logbooks is kept as well (so is
    // one whose logbook was still being made when the program was killed).
    const auto holdsRecords = [&opening](const std::string& base) {
        if (!opening.empty() && db::SamePath(base, opening))
            return true;
        std::uint64_t logbooks = 0;
        std::error_code ec;
        const fs::path folder = base + ".X";
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path& file = it->path();
            const std::string ext = file.extension().string();
            if (EqualNoCase(ext, ".dbf")) {
                ++logbooks;
                const auto rows = db::COwnTemporaryTable::RecordCount(
                    (file.parent_path() / file.stem()).string());
                if (!rows || *rows > 0)
                    return true;
            } else if (EqualNoCase(ext, ".trc")) {
                std::error_code sizeError;
                if (fs::file_size(file, sizeError) >= kTrackRecordSize || sizeError)
                    return true;
            }
        }
        if (ec && ec != std::errc::no_such_file_or_directory)
            return true;
        const auto indexRows = db::COwnTemporaryTable::RecordCount(base);
        return !indexRows || *indexRows > logbooks;
    };
    db::COwnTemporaryTable::RemoveLeftovers(m_folder.string(), holdsRecords);
    // So are the part copies of a Save As killed in this folder.
    db::RemoveDeadCopies(m_folder);
}

void CVesselLogbook::DeleteLogFiles(const std::string& path)
{
    std::error_code ec;
    platform::RemoveTree(path + ".X");
    for (const char* ext : {".dbf", ".dbt", ".mdx"})
        fs::remove(path + ext, ec);
    // The ".tmp" file that reserved a temporary log's name goes last; held
    // by this log, its lock goes with it.
    if (m_temporary.IsAt(path))
        m_temporary.Release();
    else
        fs::remove(path + ".tmp", ec);
}

void CVesselLogbook::Warn(const std::string& message)
{
    if (m_services.warn)
        m_services.warn(message);
}

void CVesselLogbook::Stop(const std::string& message)
{
    if (m_services.prompt)
        m_services.prompt->Ask(message, "", platform::PromptIcon::Stop,
                               platform::PromptButtons::Ok);
    else
        Warn(message);
}

std::string CVesselLogbook::TrackOpenMessage(const fs::path& path)
{
    return "Unable to open Track File:\n\n" + path.string();
}

void CVesselLogbook::Changed()
{
    if (m_services.logChanged)
        m_services.logChanged();
}

void CVesselLogbook::ChooseVessel(std::uint32_t vesselId, std::uint32_t appendNo)
{
    m_chosen.vesselId = vesselId;
    m_chosen.appendNo = appendNo;
    m_chosen.valid = true;
}

void CVesselLogbook::SetVesselNumber(const CVesselNumber& number)
{
    m_ownVesselId = number.vesselId;
    ChooseVessel(number.vesselId, number.appendNo);
}

CVesselNumber CVesselLogbook::VesselNumber() const
{
    CVesselNumber number{m_ownVesselId, 0};
    const CLogVessel* only = nullptr;
    int owns = 0;
    for (const auto& vessel : m_vessels)
        if (vessel->kind == kVesselOwn) {
            only = vessel.get();
            ++owns;
        }
    if (owns == 1)
        number.appendNo = only->appendNo;
    return number;
}

// ---- Opening and closing ------------------------------------------------------------------

bool CVesselLogbook::Open(const std::string& requested)
{
    m_error.clear();
    // A file that is no log at all is refused before the open log closes:
    // the navigator keeps the log (and the logging) that was going on.
    if (!requested.empty()) {
        std::string dbf = requested;
        if (!(db::ExtensionOf(dbf).size() == 3 && EqualNoCase(db::ExtensionOf(dbf), "dbf")))
            dbf += ".dbf";
        m_error = db::CDBVesselLog::RefusalFor(db::ResolveNoCase(dbf).string());
        if (!m_error.empty()) {
            Warn(m_error);
            return false;
        }
    }
    const bool wasLogging = m_logging;
    m_logging = false;
    if (!Close(false)) {
        m_logging = wasLogging;
        return false;
    }
    m_eventType = m_fixType = 0;
    std::string path = requested;
    if (path.empty() && !m_initialLog.empty()) {
        // The last log, opened again at start: the own vessel goes on in it
        // (a new append of the same vessel), its earlier tracks still drawn.
        path = (m_folder / m_initialLog).string();
        m_initialLog.clear();
        m_appendToExisting = true;
    }
    if (db::ExtensionOf(path).size() == 3 && EqualNoCase(db::ExtensionOf(path), "dbf"))
        path = db::WithoutExtension(path);
    // Empty temporary logs of programs that were killed would otherwise
    // stay in the log folder for good.
    RemoveLeftoverLogs(path);
    if (path.empty())
        path = NewTemporaryPath();
    m_index.SetFilePath(path);
    std::error_code ec;
    if (IsTemporaryName(path) && fs::exists(db::ResolveNoCase(path + ".dbf"), ec)) {
        // The question follows the file name without a separator.
        const std::string question = "The last log file used was " + path +
                                     ".dbfDo you want to continue to use this log?\n\n"
                                     "Selecting No will start a new log.";
        const bool yes =
            m_services.prompt &&
            m_services.prompt->Ask(question, "", platform::PromptIcon::Question,
                                   platform::PromptButtons::YesNo) == platform::PromptAnswer::Yes;
        m_appendToExisting = yes;
        if (yes)
            m_chosen.valid = false;
        else
            DeleteLogFiles(path);
    }
    // An older log taken over a second time asks before its converted
    // index is overwritten.
    m_index.SetPrompt(m_services.prompt);
    if (!m_index.Open()) {
        // The index's own file: an older ".log" names its index without that extension.
        m_error = "Unable to Open Log database : " + m_index.GetFilePath() + ".dbf";
        if (!m_index.GetMessage().empty())
            m_error += "\n" + m_index.GetMessage();
        Stop(m_error);
        const std::string fallback = IsTemporaryName(path) ? std::string() : NewTemporaryPath();
        m_index.SetFilePath(fallback);
        if (fallback.empty() || !m_index.Open()) {
            if (!fallback.empty())
                DeleteLogFiles(fallback);
            m_logging = wasLogging;
            return false;
        }
    }
    // A temporary log opened again (one a killed program left) is held as
    // one made here is; when another running program holds it, it stays
    // theirs.
    if (IsTemporaryName(LogPath()))
        m_temporary.Hold(LogPath());
    ConvertLegacyTrack(m_index.WasConverted());
    RemoveLeftoverTemps();
    LoadVessels();
    m_logging = wasLogging;
    RestorePositions();
    Changed();
    return true;
}

bool CVesselLogbook::ConvertLegacyTrack(bool converted)
{
    // A log taken over from an older layout brings its older track archive
    // beside it; it becomes the first vessel's track. The track is made
    // under a name of its own and put in place whole, so a kill part way
    // leaves no track; a log whose first vessel has no track yet is given
    // it at the next open.
    const fs::path archive = db::ResolveNoCase(LogPath() + ".log");
    std::error_code ec;
    if (!fs::exists(archive, ec) || db::LogLayoutOf(archive.string()) != db::LogLayout::Other)
        return false;
    const fs::path target = VesselFile(1, "trc");
    if (!converted) {
        const std::vector<long> ids = IndexIds();
        if (fs::exists(db::ResolveNoCase(target), ec) ||
            std::find(ids.begin(), ids.end(), 1L) == ids.end())
            return false;
    }
    const fs::path staged = target.parent_path() / ("~new-" + target.filename().string());
    fs::remove(staged, ec);
    CTrackFile track;
    std::string error;
    if (!track.Open(staged, &error)) {
        Stop(TrackOpenMessage(target));
        return false;
    }
    std::vector<CTrackFix> batch;
    bool written = true;
    const auto flush = [&] {
        if (written && !batch.empty() && !track.Append(batch).Written())
            written = false;
        batch.clear();
    };
    const bool read = ReadLegacyTrack(archive, [&](const CTrackFix& fix) {
        batch.push_back(fix);
        if (batch.size() == kConvertBatch)
            flush();
    });
    flush();
    track.Close();
    if (!read) {
        fs::remove(staged, ec);
        Stop("Unable to open old Track file:\n\n" + archive.string());
        return false;
    }
    if (!written || !platform::RenamePath(staged, target, &error)) {
        fs::remove(staged, ec);
        Warn("The older track " + archive.string() + " could not be written to " + target.string() +
             ". " + error);
        return false;
    }
    platform::SyncFolder(target.parent_path());
    return true;
}

// A new vessel's logbook is made under a name of its own and put in place
// with its data file last, so a kill while it is made leaves either no
// logbook (made again next time) or a whole one, never a torn table.
void CVesselLogbook::MakeLogbook(const fs::path& dbf)
{
    std::error_code ec;
    const fs::path folder = dbf.parent_path();
    fs::create_directories(folder, ec);
    const std::string stem = "~new-" + dbf.stem().string();
    // What an earlier try left half made goes first.
    for (const char* ext : {".dbf", ".dbt", ".mdx"})
        fs::remove(folder / (stem + ext), ec);
    {
        db::CDBLog made;
        made.SetFilePath((folder / stem).string());
        if (!made.Open() || !made.Close())
            return;   // the ordinary open below says what went wrong
    }
    for (const char* ext : {".dbt", ".mdx", ".dbf"}) {
        const fs::path from = folder / (stem + ext);
        if (fs::exists(from, ec))
            platform::RenamePath(from, fs::path(dbf).replace_extension(ext));
    }
    platform::SyncFolder(folder);
}

bool CVesselLogbook::OpenVesselFiles(CLogVessel& vessel)
{
    vessel.rows = std::make_unique<db::CDBLog>();
    // A target's row is an index row only: its fixes live with the target,
    // and a log of many targets would otherwise open two files for each.
    if (vessel.kind == kVesselArpa || vessel.kind == kVesselTender)
        return true;
    const fs::path dbf = VesselFile(vessel.unique, "dbf");
    std::error_code ec;
    if (!fs::exists(db::ResolveNoCase(dbf), ec))
        MakeLogbook(dbf);
    vessel.rows->SetFilePath(fs::path(dbf).replace_extension().string());
    bool ok = vessel.rows->Open();
    const auto size = fs::file_size(dbf, ec);
    // A logbook whose making was cut short (the program killed while it was
    // being created) is shorter than its own header: it holds no row, and is
    // made again rather than leaving the vessel without a logbook.
    const std::uintmax_t header = 32 * (vessel.rows->Fields().Entries().size() + 1) + 1;
    if (!ok && !ec && size < header) {
        Warn("The logbook " + dbf.string() + " was left unfinished and is made again.");
        for (const char* ext : {".dbf", ".dbt", ".mdx"})
            fs::remove(fs::path(dbf).replace_extension(ext), ec);
        ok = vessel.rows->Open();
    }
    if (!ok)
        Warn("The logbook " + dbf.string() + " could not be opened. " + vessel.rows->GetMessage());
    else if (!vessel.rows->GetMessage().empty())
        Warn(vessel.rows->GetMessage());   // what opening found wrong: rows missing or kept
    std::string error;
    vessel.track.SetLockWait(m_trackLockWait);
    if (!vessel.track.Open(VesselFile(vessel.unique, "trc"), &error)) {
        Stop(TrackOpenMessage(VesselFile(vessel.unique, "trc")));
        ok = false;
    }
    return ok;
}

void CVesselLogbook::RemoveLeftoverTemps() const
{
    // A particulars write, or the making of a new logbook, cut short (the
    // program killed in it) leaves its temp file beside the log's vessel
    // files; nothing else would remove it.
    platform::RemoveLeftoverTempFiles(LogPath() + ".X", [](std::string_view target) {
        return (target.size() > 4 &&
                EqualNoCase(std::string(target.substr(target.size() - 4)), ".hdr")) ||
               target.starts_with("~new-");
    });
}

void CVesselLogbook::WriteParticulars(const CLogVessel& vessel)
{
    const std::optional<COwnVessel> particulars =
        m_services.particulars ? m_services.particulars() : std::nullopt;
    if (!particulars)
        return;
    RemoveLeftoverTemps();
    std::string reason;
    if (!WriteVesselHeader(VesselFile(vessel.unique, "hdr"), *particulars, "hdr", &reason))
        Warn("The vessel's particulars could not be written to the log. " + reason);
}

void CVesselLogbook::LoadVessels()
{
    m_vessels.clear();
    m_own = nullptr;
    m_index.SelectTag("T_VSLAPDNO");
    for (bool ok = m_index.GoTop(); ok; ok = m_index.SkipForward()) {
        if (m_chosen.valid && (m_index.m_vesselId != m_chosen.vesselId ||
                               (m_chosen.appendNo != 0 && m_index.m_appendNo != m_chosen.appendNo)))
            continue;
        if (m_index.m_vesselType == kVesselIgnored)
            continue;
        auto vessel = std::make_unique<CLogVessel>();
        vessel->kind = m_index.m_vesselType == kVesselArpa || m_index.m_vesselType == kVesselTender
                           ? m_index.m_vesselType
                           : kVesselOwn;
        vessel->vesselId = m_index.m_vesselId;
        vessel->appendNo = m_index.m_appendNo;
        vessel->unique = m_index.GetId();
        vessel->recNo = m_index.GetRecNo();
        vessel->voyageId = m_index.m_voyageId;
        vessel->watchOfficer = m_index.m_oowName;
        OpenVesselFiles(*vessel);
        if (vessel->kind == kVesselOwn)
            m_ownVesselId = vessel->vesselId;
        m_vessels.push_back(std::move(vessel));
    }
    m_index.SelectUniqueTag();
    m_index.GoTop();
    m_chosen.valid = false;
}

void CVesselLogbook::RestorePositions()
{
    m_restored.reset();
    for (auto& vessel : m_vessels) {
        std::optional<CTrackFix> best = vessel->track.ReadLast();
        db::CDBLog& rows = *vessel->rows;
        if (rows.IsOpen()) {
            rows.SelectTag("T_DT_TM");
            // The newest row with a place: rows written before any position
            // was known (a few event rows at most) are passed over.
            bool found = rows.GoBottom();
            for (int back = 0; found && !rows.m_positionKnown && back < kRowsWithoutPlace; ++back)
                found = rows.SkipBack();
            if (found && rows.m_positionKnown) {
                if (const auto t = FromUtcFields(rows.m_time); t && (!best || *t > best->utc)) {
                    CTrackFix fix;
                    fix.latitude = rows.m_position.GetLatitude();
                    fix.longitude = rows.m_position.GetLongitude();
                    fix.altitude = rows.m_position.GetAltitude();
                    fix.datum = rows.m_position.GetDatum();
                    fix.cog = rows.m_cog;
                    fix.sog = rows.m_sog;
                    fix.utc = *t;
                    fix.fixType = rows.m_type;
                    best = fix;
                }
            }
        }
        vessel->lastFix = best;
        if (vessel->kind == kVesselOwn && best && (!m_restored || best->utc > m_restored->utc))
            m_restored = best;
    }
}

bool CVesselLogbook::Close(bool skipSave)
{
    if (!m_index.IsOpen())
        return true;
    if (!skipSave) {
        const LogSaveResult saved = OfferSaveBeforeClose();
        if (saved == LogSaveResult::Cancelled || saved == LogSaveResult::Failed)
            return false;
    }
    EndLog(false);
    return true;
}

void CVesselLogbook::CloseKeepingRows()
{
    if (!m_index.IsOpen())
        return;
    // Only a temporary log with rows would have been offered for saving.
    EndLog(IsTemporary() && !m_index.IsEmpty());
}

void CVesselLogbook::EndLog(bool keep)
{
    // Targets end their own rows with their last report; the rest end now.
    if (m_services.resetTargets)
        m_services.resetTargets();
    const sys_seconds now = NavigationTime(nullptr);
    for (auto& vessel : m_vessels) {
        WriteKeptRows(*vessel);
        WriteKeptPoints(*vessel);
        if (vessel->rowOpen)
            CloseVesselRow(*vessel, now);
    }
    m_vessels.clear();
    m_own = nullptr;
    m_voyageRunning = false;
    const std::string path = LogPath();
    const bool temporary = IsTemporaryName(path);
    m_index.Close();
    if (temporary && keep) {
        m_temporary.LeaveForNextStart();
    } else if (temporary) {
        DeleteLogFiles(path);
    }
    Changed();
}

// ---- Saving and copying -------------------------------------------------------------------

LogSaveResult CVesselLogbook::SaveAs(bool ask)
{
    if (!IsOpen())
        return LogSaveResult::Failed;
    // The navigation cycle runs on while the question and the save dialog
    // wait for the user: what it reports meanwhile is held, not lost.
    ++m_questionsOpen;
    const LogSaveResult result = AskAndSave(ask);
    --m_questionsOpen;
    if (m_questionsOpen == 0)
        WriteHeldEvents(!m_startingVoyage);
    return result;
}

void CVesselLogbook::WriteHeldEvents(bool dropRest)
{
    if (m_logging && IsOpen()) {
        std::vector<CHeldEvent> held = std::move(m_heldEvents);
        m_heldEvents.clear();
        for (const CHeldEvent& e : held)
            WriteEventRow(e.note, e.eventType, e.snapshot, e.raised);
    }
    if (dropRest)
        m_heldEvents.clear();
}

LogSaveResult CVesselLogbook::AskAndSave(bool ask)
{
    const bool wasLogging = m_logging;
    m_logging = false;
    LogSaveResult result = LogSaveResult::Cancelled;
    if (ask) {
        // Return answers Cancel: the log stays open as it is.
        const auto answer =
            m_services.prompt
                ? m_services.prompt->AskWithDefault(
                      "Save Log file?", "", platform::PromptIcon::Question,
                      platform::PromptButtons::YesNoCancel, platform::PromptAnswer::Cancel)
                : platform::PromptAnswer::Cancel;
        if (answer != platform::PromptAnswer::Yes) {
            m_logging = wasLogging;
            return answer == platform::PromptAnswer::No ? LogSaveResult::NotSaved
                                                        : LogSaveResult::Cancelled;
        }
    }
    const auto chosen =
        m_services.chooseSavePath
            ? m_services.chooseSavePath(m_folder.string(),
                                        IsTemporary() ? std::string() : LogTitle() + ".dbf")
            : std::nullopt;
    if (chosen && !chosen->empty())
        result = CopyTo(*chosen) ? LogSaveResult::Saved : LogSaveResult::Failed;
    m_logging = wasLogging;
    return result;
}

LogSaveResult CVesselLogbook::OfferSaveBeforeClose()
{
    if (!m_index.IsOpen() || !IsTemporary() || m_index.IsEmpty())
        return LogSaveResult::NotSaved;
    const LogSaveResult saved = SaveAs(true);
    if (saved == LogSaveResult::Failed && m_services.prompt)
        m_services.prompt->Ask(m_error + "\nThe log stays open, so none of its rows are lost.", "",
                               platform::PromptIcon::Exclamation, platform::PromptButtons::Ok);
    return saved;
}

bool CVesselLogbook::CopyTo(const std::string& requested)
{
    m_error.clear();
    if (!IsOpen())
        return false;
    std::string target = requested;
    if (EqualNoCase(db::ExtensionOf(target), "dbf"))
        target = db::WithoutExtension(target);
    const std::string source = LogPath();
    // Onto its own name: everything is already there.
    if (EqualNoCase(Resolved(target + ".dbf"), Resolved(source + ".dbf"))) {
        m_index.FlushIfOpen();
        for (auto& vessel : m_vessels)
            if (vessel->rows)
                vessel->rows->FlushIfOpen();
        return true;
    }
    const bool wasLogging = m_logging;
    m_logging = false;
    for (auto& vessel : m_vessels) {
        WriteKeptRows(*vessel);
        WriteKeptPoints(*vessel);
    }
    // The own row carries the time of the copy as its end so far.
    if (m_own && m_own->rowOpen && m_index.GoRecord(m_own->recNo)) {
        m_index.m_end = UtcFields(NavigationTime(nullptr));
        m_index.Update();
    }
    m_index.FlushIfOpen();
    std::error_code ec;
    std::string error;
    // The companion folder is copied whole under a name of its own, then the
    // index, then the folder steps into place (a log of that name stepping
    // aside): a copy that fails part way (a full disk) leaves a log of that
    // name as it was, and nothing of the copy. The open log stays as it is.
    // Every index row's files, those of vessels not loaded (another vessel
    // or append than the one chosen, a log started afresh) too.
    const auto copyFolder = [&](const fs::path& staged) {
        bool copied = true;
        for (const long unique : IndexIds()) {
            const std::string name = db::IdName(unique);
            const auto loaded =
                std::find_if(m_vessels.begin(), m_vessels.end(), [&](const auto& v) {
                    return v->unique == unique && v->rows && v->rows->IsOpen();
                });
            const bool tableCopied = loaded != m_vessels.end();
            if (tableCopied)
                copied = (*loaded)->rows->FlushIfOpen() &&
                         (*loaded)->rows->CopyTo((staged / name).string());
            for (const char* ext : {".dbf", ".dbt", ".mdx", ".trc", ".hdr"}) {
                if (tableCopied && std::string_view(ext) != ".trc" &&
                    std::string_view(ext) != ".hdr")
                    continue;
                const fs::path from = db::ResolveNoCase(source + ".X/" + name + ext);
                if (copied && fs::exists(from, ec))
                    copied = platform::CopyTree(from, staged / (name + ext), &error);
            }
            if (!copied)
                return false;
        }
        return true;
    };
    bool ok = db::CopyWithCompanions(
        target, copyFolder, [&] { return m_index.CopyTo(target); }, &error);
    if (!ok) {
        m_error = "The log could not be copied to " + target + ".dbf" +
                  (error.empty() ? std::string() : ": " + error);
        Warn(m_error);
        m_logging = wasLogging;
        return false;
    }
    // Go on in the copy.
    const bool wasTemporary = IsTemporaryName(source);
    m_index.Close();
    m_index.SetFilePath(target);
    ok = m_index.Open();
    for (auto& vessel : m_vessels) {
        vessel->track.Close();
        vessel->rows.reset();
        OpenVesselFiles(*vessel);
    }
    if (wasTemporary)
        DeleteLogFiles(source);
    m_logging = wasLogging;
    Changed();
    return ok;
}

std::vector<long> CVesselLogbook::IndexIds()
{
    std::vector<long> ids;
    m_index.SelectUniqueTag();
    for (bool more = m_index.GoTop(); more; more = m_index.SkipForward())
        ids.push_back(m_index.GetId());
    m_index.GoTop();
    return ids;
}

// ---- Vessels and rows ---------------------------------------------------------------------

CLogVessel* CVesselLogbook::FindVessel(std::uint32_t vesselId, std::uint32_t appendNo) const
{
    for (const auto& vessel : m_vessels)
        if (vessel->vesselId == vesselId && vessel->appendNo == appendNo)
            return vessel.get();
    return nullptr;
}

const CLogVessel* CVesselLogbook::VoyageRowVessel() const
{
    if (m_own)
        return m_own;
    for (const auto& vessel : m_vessels)
        if (vessel->kind == kVesselOwn)
            return vessel.get();
    return nullptr;
}

CLogVessel* CVesselLogbook::OwnTrackVessel() const
{
    if (m_own)
        return m_own;
    for (auto it = m_vessels.rbegin(); it != m_vessels.rend(); ++it)
        if ((*it)->kind == kVesselOwn)
            return it->get();
    return nullptr;
}

bool CVesselLogbook::LockIndex(const std::string& what)
{
    CTableLock lock(m_index);
    std::string message;
    if (LockVesselLogIndex(lock, what, m_lockPolicy, message))
        return true;
    Warn(message + (m_lastHolder.empty() ? std::string() : " (last heard: " + m_lastHolder + ")"));
    return false;
}

CLogVessel* CVesselLogbook::GetOrCreateOwnVessel(const std::string& voyageId,
                                                 const std::string& watchOfficer)
{
    if (!IsOpen() && !Open(std::string()))
        return nullptr;
    CLogVessel* previous = nullptr;
    for (const auto& vessel : m_vessels)
        if (vessel->kind == kVesselOwn)
            previous = vessel.get();
    const bool continuing = m_appendToExisting && previous != nullptr;
    if (!LockIndex("The new log row"))
        return nullptr;
    m_index.ClearRecord();
    m_index.m_vesselType = kVesselOwn;
    m_index.m_voyageId = voyageId;
    m_index.m_oowName = watchOfficer;
    // The row names the vessel as its particulars do.
    if (m_services.particulars)
        if (const std::optional<COwnVessel> particulars = m_services.particulars())
            m_index.m_targetName = particulars->name;
    m_index.m_start = UtcFields(NavigationTime(nullptr));
    if (continuing) {
        m_index.m_vesselId = previous->vesselId;
        m_index.m_appendNo = m_index.GetNextAppendNo(previous->vesselId);
    }
    if (!AppendIndexRow(!continuing, "a new row"))
        return nullptr;
    if (!continuing) {
        // A new log for the own vessel: earlier logs' vessels are not followed.
        std::erase_if(m_vessels, [](const auto& v) { return v->kind == kVesselOwn; });
    }
    auto vessel = VesselOfNewRow(kVesselOwn);
    vessel->voyageId = voyageId;
    vessel->watchOfficer = watchOfficer;
    OpenVesselFiles(*vessel);
    WriteParticulars(*vessel);
    m_ownVesselId = vessel->vesselId;
    m_own = vessel.get();
    m_vessels.push_back(std::move(vessel));
    Changed();
    return m_own;
}

bool CVesselLogbook::AppendIndexRow(bool newVessel, const char* what)
{
    bool ok = m_index.AppendNew();
    // A new vessel is named by its row's id, first append.
    if (ok && newVessel) {
        m_index.m_vesselId = std::uint32_t(m_index.GetId());
        m_index.m_appendNo = 1;
        ok = m_index.Update();
    }
    m_index.FlushAndUnlock();
    if (!ok)
        Warn("The vessel log " + LogPath() + ".dbf could not take " + what + ". " +
             m_index.GetMessage());
    return ok;
}

std::unique_ptr<CLogVessel> CVesselLogbook::VesselOfNewRow(int kind) const
{
    auto vessel = std::make_unique<CLogVessel>();
    vessel->kind = kind;
    vessel->vesselId = m_index.m_vesselId;
    vessel->appendNo = m_index.m_appendNo;
    vessel->unique = m_index.GetId();
    vessel->recNo = m_index.GetRecNo();
    vessel->rowOpen = true;
    return vessel;
}

std::optional<CVesselLogbook::CTargetRow> CVesselLogbook::StartTargetRow(int kind, int targetNumber,
                                                                         const std::string& name)
{
    if (!IsOpen() || !LockIndex("The target's log row"))
        return std::nullopt;
    const sys_seconds start = NavigationTime(nullptr);
    m_index.ClearRecord();
    m_index.m_vesselType = kind;
    m_index.m_targetNo = static_cast<std::uint8_t>(targetNumber);
    m_index.m_targetName = name;
    m_index.m_start = UtcFields(start);
    if (!AppendIndexRow(true, "a target's row"))
        return std::nullopt;
    auto vessel = VesselOfNewRow(kind);
    OpenVesselFiles(*vessel);
    const CTargetRow row{vessel->recNo, start};
    m_vessels.push_back(std::move(vessel));
    Changed();
    return row;
}

void CVesselLogbook::EndTargetRow(long recNo, sys_seconds end)
{
    for (auto& vessel : m_vessels)
        if (vessel->recNo == recNo && vessel->kind != kVesselOwn) {
            CloseVesselRow(*vessel, end);
            return;
        }
}

void CVesselLogbook::CloseVesselRow(CLogVessel& vessel, sys_seconds end)
{
    if (!vessel.rowOpen)
        return;
    if (LockIndex("The end of the log row")) {
        if (m_index.GoRecord(vessel.recNo)) {
            m_index.m_end = UtcFields(end);
            m_index.Update();
        }
        m_index.FlushAndUnlock();
    }
    vessel.rowOpen = false;
    if (&vessel == m_own)
        m_own = nullptr;
}

sys_seconds CVesselLogbook::NavigationTime(const CNavSnapshot* snapshot) const
{
    std::shared_ptr<const CNavSnapshot> current;
    if (!snapshot && m_services.currentSnapshot) {
        current = m_services.currentSnapshot();
        snapshot = current.get();
    }
    return floor<seconds>(NavigationUtc(snapshot, m_clock.UtcNow()));
}

int CVesselLogbook::GetRecordFixType(int code) const
{
    if (m_eventType == kFixManual)
        return kFixManual;
    const bool dr = m_services.deadReckoning && m_services.deadReckoning();
    if (!dr)
        return kFixEpfs;
    if (code != 0)
        return code;
    const double drift = m_services.drift ? m_services.drift() : 0.0;
    return drift == 0.0 ? kFixSystemDr : kFixSystemEp;
}

void CVesselLogbook::LogEvent(const std::string& note, int eventType)
{
    // An event row stands where the vessel is: the newest snapshot once a
    // position is known, else nowhere.
    std::shared_ptr<const CNavSnapshot> current;
    if (m_services.currentSnapshot)
        current = m_services.currentSnapshot();
    if (m_questionsOpen > 0) {
        m_heldEvents.push_back(
            {note, eventType, std::move(current), floor<seconds>(m_clock.UtcNow())});
        return;
    }
    WriteEventRow(note, eventType, current);
}

void CVesselLogbook::WriteEventRow(const std::string& note, int eventType,
                                   const std::shared_ptr<const CNavSnapshot>& current,
                                   std::optional<sys_seconds> raised)
{
    m_pendingNote = note;
    if (eventType >= 0)
        m_eventType = eventType;
    if (current && current->positionAvailable && current->position.IsValid())
        WriteRow(*current, true, raised);
    else
        WriteRow(CNavSnapshot{}, false, raised);
}

bool CVesselLogbook::WriteLogRecord(const CNavSnapshot& snapshot)
{
    return WriteRow(snapshot, true);
}

bool CVesselLogbook::WriteRow(const CNavSnapshot& snapshot, bool positionKnown,
                              std::optional<sys_seconds> at)
{
    CLogVessel* vessel = m_own ? m_own : GetOrCreateOwnVessel("", "");
    if (!vessel)
        return false;
    CLogRow row;
    // A logbook row is dated by the computer's clock, as the officer's
    // entries are; track points and the index's times take the navigation time.
    row.utc = at.value_or(floor<seconds>(m_clock.UtcNow()));
    row.position = snapshot.position;
    row.positionKnown = positionKnown;
    row.cog = Stored(snapshot.cog);
    row.sog = Stored(snapshot.sog);
    row.note = std::move(m_pendingNote);
    m_pendingNote.clear();
    // A row the table refuses stays queued for the next try, holding up every
    // row behind it: a note the log cannot hold is written with "?" for what
    // it cannot, so the row and those after it go in.
    if (const std::string lost = CharactersTheLogCannotHold(row.note); !lost.empty()) {
        Warn("The log cannot hold the characters " + lost + " of the note \"" + row.note +
             "\"; they are written as \"?\".");
        row.note = TextTheLogCanHold(row.note);
    }
    row.type = GetRecordFixType(m_eventType);
    m_eventType = 0;
    vessel->keptRows.push_back(std::move(row));
    WriteKeptRows(*vessel);
    return true;
}

void CVesselLogbook::WriteKeptRows(CLogVessel& vessel)
{
    if (vessel.keptRows.empty() || !vessel.rows || !vessel.rows->IsOpen())
        return;
    db::CDBLog& rows = *vessel.rows;
    CTableLock lock(rows);
    std::string message;
    if (!LockVesselLogIndex(lock, "The logbook row", m_lockPolicy, message)) {
        Warn(message +
             (m_lastHolder.empty() ? std::string() : " (last heard: " + m_lastHolder + ")"));
        return;
    }
    std::size_t written = 0;
    for (const CLogRow& row : vessel.keptRows) {
        rows.ClearRecord();
        rows.m_time = UtcFields(row.utc);
        rows.m_position = row.position;
        rows.m_positionKnown = row.positionKnown;
        rows.m_cog = row.cog;
        rows.m_sog = row.sog;
        rows.m_type = row.type;
        rows.m_note = row.note;
        if (!rows.AppendNew())
            break;
        ++written;
    }
    const bool flushed = rows.FlushAndUnlock();
    if (written < vessel.keptRows.size())
        Warn("The logbook row could not be written to " + rows.GetFilePath() + ".dbf. " +
             rows.GetMessage());
    vessel.keptRows.erase(vessel.keptRows.begin(), vessel.keptRows.begin() + long(written));
    if (written == 0 || !flushed)
        return;
    if (m_services.rowAdded)
        for (std::size_t i = 0; i < written; ++i)
            m_services.rowAdded(vessel);
    SendNotice(kNoticeLogRow, vessel);
}

bool CVesselLogbook::WriteTrackPoint(const CNavSnapshot& snapshot)
{
    if (!m_logging)
        return false;
    CLogVessel* vessel = m_own ? m_own : GetOrCreateOwnVessel("", "");
    if (!vessel)
        return false;
    CTrackFix fix;
    fix.latitude = snapshot.position.GetLatitude();
    fix.longitude = snapshot.position.GetLongitude();
    fix.altitude = snapshot.position.GetAltitude();
    fix.datum = snapshot.position.GetDatum();
    fix.cog = Stored(snapshot.cog);
    fix.sog = Stored(snapshot.sog);
    fix.heading = Stored(snapshot.heading);
    fix.speed = Stored(snapshot.speedThroughWater);
    fix.depth = Stored(snapshot.depthMetres);
    fix.utc = NavigationTime(&snapshot);
    fix.fixType = GetRecordFixType(m_fixType);
    m_fixType = 0;
    vessel->lastFix = fix;
    vessel->keptPoints.push_back(fix);
    if (vessel->keptPoints.size() > kMostKept)
        vessel->keptPoints.erase(vessel->keptPoints.begin());
    WriteKeptPoints(*vessel);
    return true;
}

void CVesselLogbook::WriteKeptPoints(CLogVessel& vessel)
{
    if (vessel.keptPoints.empty())
        return;
    if (!vessel.track.IsOpen()) {
        // A track that could not be opened (its folder away for a moment) is
        // tried again with each point; the box was shown when it first failed.
        if (vessel.kind != kVesselOwn || !IsOpen())
            return;
        const fs::path path = VesselFile(vessel.unique, "trc");
        vessel.track.SetLockWait(m_trackLockWait);
        if (!vessel.track.Open(path)) {
            Warn(TrackOpenMessage(path));
            return;
        }
    }
    const CTrackAppendResult result = vessel.track.Append(vessel.keptPoints);
    if (result.fragmentReplaced && !m_fragmentWarned) {
        m_fragmentWarned = true;
        Warn("The track file " + vessel.track.Path().string() +
             " ended in part of a record (an earlier write was cut short); it was replaced.");
    }
    if (!result.Written()) {
        Warn(result.message +
             (m_lastHolder.empty() ? std::string() : " (last heard: " + m_lastHolder + ")"));
        return;
    }
    vessel.keptPoints.clear();
    if (m_services.trackAdded)
        m_services.trackAdded(vessel);
    SendNotice(kNoticeTrackPoint, vessel);
}

void CVesselLogbook::WriteKept()
{
    for (auto& vessel : m_vessels) {
        WriteKeptRows(*vessel);
        WriteKeptPoints(*vessel);
    }
}

std::size_t CVesselLogbook::KeptCount() const
{
    std::size_t n = 0;
    for (const auto& vessel : m_vessels)
        n += vessel->keptRows.size() + vessel->keptPoints.size();
    return n;
}

void CVesselLogbook::SendNotice(int type, const CLogVessel& vessel)
{
    if (!m_services.sendNotice)
        return;
    std::string payload(1, kNoticeMarker);
    payload += std::to_string(vessel.vesselId) + ":" + std::to_string(vessel.appendNo) + ":" +
               fs::path(LogPath()).filename().string();
    m_services.sendNotice(type, payload);
}

void CVesselLogbook::ProcessNotice(int type, const std::string& payload, const std::string& sender)
{
    if ((type != kNoticeLogRow && type != kNoticeTrackPoint) || payload.size() < 2 ||
        payload[0] != kNoticeMarker || !IsOpen())
        return;
    std::string text = payload.substr(1);
    // A station that ends the text with its terminating zero byte names the same table.
    if (text.back() == '\0')
        text.pop_back();
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos)
        return;
    if (!EqualNoCase(text.substr(second + 1), fs::path(LogPath()).filename().string()))
        return;
    const auto number = [](const std::string& s) -> std::optional<std::uint32_t> {
        if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c));
            }))
            return std::nullopt;
        return std::uint32_t(std::stoul(s));
    };
    const auto vesselId = number(text.substr(0, first));
    const auto appendNo = number(text.substr(first + 1, second - first - 1));
    if (!vesselId || !appendNo)
        return;
    if (!sender.empty())
        m_lastHolder = sender;
    CLogVessel* vessel = FindVessel(*vesselId, *appendNo);
    if (!vessel) {
        // Another station started this append after the log was opened here.
        m_index.FlushIfOpen();
        m_index.ResetCache();
        m_index.SelectTag("T_VSLAPDNO");
        for (bool ok = m_index.GoTop(); ok; ok = m_index.SkipForward()) {
            if (m_index.m_vesselId != *vesselId || m_index.m_appendNo != *appendNo)
                continue;
            auto added = std::make_unique<CLogVessel>();
            added->kind =
                m_index.m_vesselType == kVesselArpa || m_index.m_vesselType == kVesselTender
                    ? m_index.m_vesselType
                    : kVesselOwn;
            added->vesselId = *vesselId;
            added->appendNo = *appendNo;
            added->unique = m_index.GetId();
            added->recNo = m_index.GetRecNo();
            added->voyageId = m_index.m_voyageId;
            added->watchOfficer = m_index.m_oowName;
            OpenVesselFiles(*added);
            vessel = added.get();
            m_vessels.push_back(std::move(added));
            break;
        }
        m_index.SelectUniqueTag();
        if (!vessel)
            return;
        Changed();
    }
    if (type == kNoticeTrackPoint) {
        vessel->lastFix = vessel->track.ReadLast();
        if (m_services.trackAdded)
            m_services.trackAdded(*vessel);
    } else {
        if (vessel->rows)
            vessel->rows->ResetCache();
        if (m_services.rowAdded)
            m_services.rowAdded(*vessel);
    }
}

// ---- Voyages ------------------------------------------------------------------------------

bool CVesselLogbook::StartVoyage(const std::string& voyageId, const std::string& watchOfficer)
{
    for (const auto& [text, what] :
         {std::pair{&voyageId, "voyage ID"}, std::pair{&watchOfficer, "watch officer"}}) {
        if (const std::string why = WhyTheLogCannotHold(*text, what); !why.empty()) {
            Warn("The voyage was not started. " + why);
            return false;
        }
    }
    m_startingVoyage = true;
    const bool cancelled = IsTemporary() && SaveAs(true) == LogSaveResult::Cancelled;
    m_startingVoyage = false;
    // What happened while the question was open goes in before the voyage
    // while the log was logging, else into the voyage's first rows.
    WriteHeldEvents(cancelled);
    if (cancelled)
        return false;
    const sys_seconds now = NavigationTime(nullptr);
    if (m_own)
        CloseVesselRow(*m_own, now);
    const bool started = BeginVoyageRow(voyageId, watchOfficer);
    WriteHeldEvents(true);
    return started;
}

// A voyage runs, and logs, only once its row is in the log: a row the log
// could not take leaves both as they were.
bool CVesselLogbook::BeginVoyageRow(const std::string& voyageId, const std::string& watchOfficer)
{
    const bool wasRunning = m_voyageRunning, wasLogging = m_logging;
    m_voyageRunning = true;
    m_logging = true;
    if (GetOrCreateOwnVessel(voyageId, watchOfficer) != nullptr)
        return true;
    m_voyageRunning = wasRunning;
    m_logging = wasLogging;
    return false;
}

bool CVesselLogbook::ContinueVoyage(const std::string& voyageId, const std::string& watchOfficer)
{
    if (!IsOpen())
        return false;
    if (m_own)
        CloseVesselRow(*m_own, NavigationTime(nullptr));
    return BeginVoyageRow(voyageId, watchOfficer);
}

void CVesselLogbook::EndOwnRow()
{
    if (!m_own)
        return;
    WriteKeptRows(*m_own);
    WriteKeptPoints(*m_own);
    CloseVesselRow(*m_own, NavigationTime(nullptr));
    Changed();
}

bool CVesselLogbook::EndVoyage()
{
    if (IsTemporary() && SaveAs(true) == LogSaveResult::Cancelled)
        return false;
    m_voyageRunning = false;
    m_logging = false;
    WriteKept();
    if (m_own)
        CloseVesselRow(*m_own, NavigationTime(nullptr));
    Changed();
    return true;
}

// ---- Rebuilding a track from the logbook --------------------------------------------------

bool CVesselLogbook::CanConvertLogToTrack()
{
    bool any = false;
    for (const auto& vessel : m_vessels) {
        if (vessel->kind != kVesselOwn)
            continue;
        if (!vessel->rows || !vessel->rows->IsOpen() || vessel->rows->GetRecordCount() <= 0 ||
            vessel->track.RecordCount() != 0)
            return false;
        any = true;
    }
    return any;
}

bool CVesselLogbook::ConvertLogToTrack()
{
    if (!CanConvertLogToTrack())
        return false;
    bool ok = true;
    for (const auto& vessel : m_vessels) {
        if (vessel->kind != kVesselOwn)
            continue;
        db::CDBLog& rows = *vessel->rows;
        rows.SelectTag("T_DT_TM");
        std::vector<CTrackFix> batch;
        auto flush = [&] {
            // One lock and one flush per batch; the records are those one
            // append at a time would write.
            if (!batch.empty() && !vessel->track.Append(batch).Written())
                ok = false;
            batch.clear();
        };
        for (bool more = rows.GoTop(); more && ok; more = rows.SkipForward()) {
            const auto t = FromUtcFields(rows.m_time);
            if (!t || !rows.m_positionKnown)
                continue;   // a row without a time or a place is no track point
            CTrackFix fix;
            fix.latitude = rows.m_position.GetLatitude();
            fix.longitude = rows.m_position.GetLongitude();
            fix.altitude = rows.m_position.GetAltitude();
            fix.datum = rows.m_position.GetDatum();
            fix.cog = rows.m_cog;
            fix.sog = rows.m_sog;
            fix.utc = *t;
            fix.fixType = rows.m_type;
            batch.push_back(fix);
            if (batch.size() == kConvertBatch)
                flush();
        }
        flush();
        vessel->lastFix = vessel->track.ReadLast();
    }
    Changed();
    return ok;
}

}   // namespace navigator

#pragma once
// The vessel log: logbook rows and track points of the own vessel and of
// every tracked vessel, grouped into one log that the user continues or
// starts afresh, saves under a name, and other stations follow.
//
// A log named N in the log folder is the index table N.dbf (one row per
// vessel and append) and the companion folder N.X holding, per index row,
// the logbook table and the track file named by the row's UNIQUE id in
// eight digits (00000001.dbf, 00000001.trc), and for an own vessel's row
// the vessel's particulars as they were when the row began (00000001.hdr).
// A log whose name begins with "~d" is temporary: made when no name is
// known, offered for saving at close and deleted when closed unsaved (its
// own files only, by its base name; the folder may hold others' logs).
// Its ".tmp" placeholder is held locked while the log is open, so the
// temporary logs a killed program left are told from live ones: the next
// open removes those with no logbook row and no track point.
//
// Every time here is UTC. Track points and the index's start and end take
// the navigation time: the instrument's while its fix is current, else the
// computer's. Logbook rows take the computer's time.
// Writes never block the navigation cycle: a table or track lock another
// station holds is waited for a bounded time, then the row or point is kept
// for the next try and the message bar says so.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/DBLog.h"
#include "db/DBVesselLog.h"
#include "db/OwnTemporaryTable.h"
#include "geo/Position.h"
#include "navigator/ChartVessel.h"
#include "navigator/NavInterfaces.h"
#include "navigator/OwnVessel.h"
#include "navigator/TrackFile.h"
#include "navigator/VesselLogLock.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"

namespace navigator {

// Station message types of the log's notices.
inline constexpr int kNoticeLogRow = 5;
inline constexpr int kNoticeTrackPoint = 12;
inline constexpr char kNoticeMarker = 18;

// One logbook row as the vessel log writes it.
struct CLogRow {
    std::chrono::sys_seconds utc{};
    geo::CPosition position;
    bool positionKnown = true;   // false: written before any position was known
    double cog = kUnsetTrackValue;
    double sog = kUnsetTrackValue;
    int type = 0;
    std::string note;
};

// One vessel of the open log: an index row with its logbook and track.
struct CLogVessel {
    int kind = kVesselOwn;
    std::uint32_t vesselId = 0;
    std::uint32_t appendNo = 0;
    long unique = 0;   // the index row's id, which names its files
    long recNo = 0;   // the index row's record number
    bool rowOpen = false;   // started this session; its end time is still to be written
    std::string voyageId;
    std::string watchOfficer;
    std::unique_ptr<db::CDBLog> rows;
    CTrackFile track;
    std::vector<CLogRow> keptRows;   // not yet written (the table was locked)
    std::vector<CTrackFix> keptPoints;
    std::optional<CTrackFix> lastFix;   // the newest known position
};

enum class LogSaveResult { Saved, NotSaved, Cancelled, Failed };

// Which vessel of the last log the program goes on with: the own vessel's
// id and the append it was in (0: all its appends). Kept in the settings
// as "vessel id,append number", both unsigned decimal.
struct CVesselNumber {
    std::uint32_t vesselId = 1;
    std::uint32_t appendNo = 0;
};
// None for a text that is not two unsigned decimals around a comma, or
// that names vessel 0 (no row has that id).
std::optional<CVesselNumber> ParseVesselNumber(std::string_view text);
std::string VesselNumberText(const CVesselNumber& number);

// What the log needs of the program; every hook may be left empty.
struct CVesselLogServices {
    platform::CPrompt* prompt = nullptr;
    // The "Save Log Database" dialog: the chosen path, none on Cancel.
    std::function<std::optional<std::string>(const std::string& folder,
                                             const std::string& proposedName)>
        chooseSavePath;
    // A message for the message bar (a lock held elsewhere, a repaired file).
    std::function<void(const std::string&)> warn;
    // A notice to the other stations; empty while stations are not networked.
    std::function<void(int type, const std::string& payload)> sendNotice;
    std::function<void(const CLogVessel&)> rowAdded;
    std::function<void(const CLogVessel&)> trackAdded;
    // The log was opened, closed, renamed or its vessels changed.
    std::function<void()> logChanged;
    // The newest navigation snapshot: its fix time stamps the index's start and
    // end while that cycle took its fix (the wall clock otherwise), and event
    // rows take its position, course and speed once a position is available.
    std::function<std::shared_ptr<const CNavSnapshot>()> currentSnapshot;
    // Dead reckoning on, and its drift, for the fix type of a record.
    std::function<bool()> deadReckoning;
    std::function<double()> drift;
    // The own vessel's particulars, written as the "hdr" file of each own
    // vessel row the log starts; none when they are not known.
    std::function<std::optional<COwnVessel>()> particulars;
    // Drops every radar target and tender as the log closes, while the log
    // can still take their rows' end times.
    std::function<void()> resetTargets;
};

class CVesselLogbook final : public CVesselLog {
public:
    CVesselLogbook(const platform::CClock& clock, CVesselLogServices services);
    ~CVesselLogbook() override;

    CVesselLogServices& Services() { return m_services; }

    // ---- Settings ---------------------------------------------------------------------------
    void SetFolder(const std::filesystem::path& folder) { m_folder = folder; }
    const std::filesystem::path& Folder() const { return m_folder; }
    // The log opened by Open("") (file title, no extension); emptied when used.
    void SetInitialLog(const std::string& name) { m_initialLog = name; }
    // The name to remember for the next start: the open log's title.
    std::string LogTitle() const;
    void SetLogging(bool on) { m_logging = on; }
    void SetAppendToExisting(bool on) { m_appendToExisting = on; }
    bool AppendToExisting() const { return m_appendToExisting; }
    // The chooser's pick: open only this vessel's rows (append 0 = all its appends).
    void ChooseVessel(std::uint32_t vesselId, std::uint32_t appendNo);
    // The stored vessel number, read at start: the own vessel's id, and the
    // next open takes only that vessel's rows (that append when not 0).
    void SetVesselNumber(const CVesselNumber& number);
    // The vessel number to store: the own vessel's id, with the append of
    // the own vessel when the log holds exactly one own vessel, else 0.
    CVesselNumber VesselNumber() const;
    void SetLockPolicy(const CLockRetryPolicy& policy) { m_lockPolicy = policy; }
    void SetTrackLockWait(std::chrono::milliseconds wait) { m_trackLockWait = wait; }

    // ---- The log ----------------------------------------------------------------------------
    // Opens (continuing or creating) the log at `path` (with or without
    // ".dbf"); empty = the initial log, else a new temporary one.
    bool Open(const std::string& path);
    // Ends the log; false when the user cancelled saving a temporary log.
    bool Close(bool skipSave);
    // Ends the log without a question, as the program does when it is told
    // to end (a logout or a shutdown): every row written and the files
    // closed; a temporary log with rows stays where it is, so the next start
    // offers to go on in it.
    void CloseKeepingRows();
    bool IsOpen() const { return m_index.IsOpen(); }
    // The log's path without extension.
    std::string LogPath() const { return m_index.GetFilePath(); }
    bool IsTemporary() const;
    static bool IsTemporaryName(const std::string& path);
    // Offers to save the log under a name (ask: "Save Log file?" first).
    LogSaveResult SaveAs(bool ask);
    // What closing asks of a temporary log with rows: "Save Log file?", and a
    // copy that fails is told and counts as not closable (its rows exist
    // nowhere else). A named or empty log answers NotSaved without asking.
    LogSaveResult OfferSaveBeforeClose();
    // Copies the whole log to `path` and goes on there. Onto its own name
    // (resolved, any case) it only flushes.
    bool CopyTo(const std::string& path);
    const std::string& LastError() const { return m_error; }

    // ---- Voyages ----------------------------------------------------------------------------
    bool IsVoyageRunning() const { return m_voyageRunning; }
    // Start: a new append row with these texts, logging on. End: the own
    // row's end time, logging off. False when a temporary log's save was
    // cancelled, when a text is one the log cannot hold (said through the
    // warning) or when the log could not take the row; nothing starts then.
    bool StartVoyage(const std::string& voyageId, const std::string& watchOfficer);
    // A voyage under way goes on in this log (after a restart, or in a log
    // opened to be appended to): a new append row carrying its voyage id and
    // watch officer, logging on. Nothing is offered for saving.
    bool ContinueVoyage(const std::string& voyageId, const std::string& watchOfficer);
    bool EndVoyage();

    // ---- Vessels ----------------------------------------------------------------------------
    const std::vector<std::unique_ptr<CLogVessel>>& Vessels() const { return m_vessels; }
    CLogVessel* OwnVessel() const { return m_own; }
    // The own vessel, made with its row in the log's index (no voyage id, no
    // watch officer, started at the navigation time) when there is none yet.
    CLogVessel* EnsureOwnVessel() { return m_own ? m_own : GetOrCreateOwnVessel("", ""); }
    // The own vessel of the open log (its current append, else the last loaded).
    CLogVessel* OwnTrackVessel() const;
    CLogVessel* FindVessel(std::uint32_t vesselId, std::uint32_t appendNo) const;
    // The row whose voyage id and watch officer the voyage dialog shows:
    // the own vessel's current append, else the first own vessel of the log.
    const CLogVessel* VoyageRowVessel() const;
    // The newest own position found when the log opened.
    const std::optional<CTrackFix>& RestoredPosition() const { return m_restored; }

    // ---- Targets ----------------------------------------------------------------------------
    // A tracked target's index row: its kind (kVesselArpa, kVesselTender), number and name,
    // started at the navigation time. The row's record number and start; none while no log
    // is open or when it could not take the row.
    struct CTargetRow {
        long recNo = 0;
        std::chrono::sys_seconds start{};
    };
    std::optional<CTargetRow> StartTargetRow(int kind, int targetNumber, const std::string& name);
    // Ends a target's row with its last report; a row of another log (or none) is left alone.
    void EndTargetRow(long recNo, std::chrono::sys_seconds end);

    // ---- Records ----------------------------------------------------------------------------
    int GetRecordFixType(int code) const;
    bool IsLogging() const override { return m_logging; }
    bool IsHoldingEvents() const override { return m_questionsOpen > 0; }
    // While a question about the log is open the event waits, with the time and
    // place it was raised at, and is written once the question is answered.
    void LogEvent(const std::string& note, int eventType) override;
    void SetNextFixType(int fixType) override { m_fixType = fixType; }
    bool WriteLogRecord(const CNavSnapshot& snapshot) override;
    bool WriteTrackPoint(const CNavSnapshot& snapshot) override;
    void WriteKept() override;
    bool HasOwnRow() const override { return m_own != nullptr; }
    bool HasOwnTrack() const override { return m_own && m_own->track.RecordCount() > 0; }
    void EndOwnRow() override;
    // Rows and points kept for a later try, over all vessels.
    std::size_t KeptCount() const;

    // Rebuilds each own vessel's empty track from its logbook rows.
    bool CanConvertLogToTrack();
    bool ConvertLogToTrack();

    // A notice from another station (types 5 and 12); `sender` names it.
    void ProcessNotice(int type, const std::string& payload, const std::string& sender = {});

private:
    struct CHeldEvent {
        std::string note;
        int eventType = 0;
        std::shared_ptr<const CNavSnapshot> snapshot;
        std::chrono::sys_seconds raised{};   // the clock's time when it was raised
    };
    // The save question and the save dialog; events raised meanwhile are held.
    LogSaveResult AskAndSave(bool ask);
    // An event row at the place of `snapshot` (none without a position),
    // dated `raised`, or now when not given.
    void WriteEventRow(const std::string& note, int eventType,
                       const std::shared_ptr<const CNavSnapshot>& snapshot,
                       std::optional<std::chrono::sys_seconds> raised = std::nullopt);
    // The events held during a question go into the log now open while it logs;
    // `dropRest`: those it cannot take now are let go (logging was off).
    void WriteHeldEvents(bool dropRest);
    std::chrono::sys_seconds NavigationTime(const CNavSnapshot* snapshot) const;
    // Queues the row (with the pending note and event type) and writes what is
    // queued; the row is dated `at`, or by the clock now when not given.
    bool WriteRow(const CNavSnapshot& snapshot, bool positionKnown,
                  std::optional<std::chrono::sys_seconds> at = std::nullopt);
    std::filesystem::path VesselFile(long unique, const char* extension) const;
    // Temp files of writes cut short in the log's vessel folder.
    void RemoveLeftoverTemps() const;
    // The UNIQUE id of every row of the index, whichever vessels are loaded.
    std::vector<long> IndexIds();
    bool OpenVesselFiles(CLogVessel& vessel);
    void WriteParticulars(const CLogVessel& vessel);
    void MakeLogbook(const std::filesystem::path& dbf);
    void LoadVessels();
    void RestorePositions();
    CLogVessel* GetOrCreateOwnVessel(const std::string& voyageId, const std::string& watchOfficer);
    bool BeginVoyageRow(const std::string& voyageId, const std::string& watchOfficer);
    void CloseVesselRow(CLogVessel& vessel, std::chrono::sys_seconds end);
    // Appends the index's record (a new vessel: its id and append 1) and
    // flushes; false, with a warning naming `what`, when the log refused it.
    bool AppendIndexRow(bool newVessel, const char* what);
    // The vessel of the row just appended, its row open.
    std::unique_ptr<CLogVessel> VesselOfNewRow(int kind) const;
    void WriteKeptRows(CLogVessel& vessel);
    void WriteKeptPoints(CLogVessel& vessel);
    void SendNotice(int type, const CLogVessel& vessel);
    void Warn(const std::string& message);
    // A failure the user must see before going on: a message box with the
    // stop icon (the message bar when there is no prompt).
    void Stop(const std::string& message);
    static std::string TrackOpenMessage(const std::filesystem::path& path);
    void Changed();
    bool LockIndex(const std::string& what);
    void DeleteLogFiles(const std::string& path);
    // Writes what is kept, ends the open rows and closes the files; a
    // temporary log is deleted unless `keep`, then left for the next start.
    void EndLog(bool keep);
    std::string NewTemporaryPath();
    // Removes the temporary logs of the log folder that programs killed or
    // crashed left with nothing in them; `opening` is never touched.
    void RemoveLeftoverLogs(const std::string& opening) const;
    // Turns the older track archive beside a converted log into the first
    // vessel's track; again at a later open while that track is missing.
    bool ConvertLegacyTrack(bool converted);

    const platform::CClock& m_clock;
    CVesselLogServices m_services;
    db::CDBVesselLog m_index;
    std::filesystem::path m_folder;
    std::string m_initialLog;
    // The temporary log's reserved name, held while the log is open here.
    db::COwnTemporaryTable m_temporary;
    std::vector<std::unique_ptr<CLogVessel>> m_vessels;
    CLogVessel* m_own = nullptr;
    // The id of the own vessel of the log last open (the stored one until then).
    std::uint32_t m_ownVesselId = 1;
    std::optional<CTrackFix> m_restored;
    bool m_logging = false;
    bool m_appendToExisting = false;
    bool m_voyageRunning = false;
    struct {
        std::uint32_t vesselId = 0;
        std::uint32_t appendNo = 0;
        bool valid = false;
    } m_chosen;
    std::string m_pendingNote;
    int m_eventType = 0;
    int m_questionsOpen = 0;
    // Starting a voyage keeps the held events past its save question, for the
    // voyage's first rows when logging was off before.
    bool m_startingVoyage = false;
    std::vector<CHeldEvent> m_heldEvents;
    int m_fixType = 0;
    CLockRetryPolicy m_lockPolicy{3, std::chrono::milliseconds(50)};
    std::chrono::milliseconds m_trackLockWait = CTrackFile::kDefaultLockWait;
    std::string m_lastHolder;   // the station last heard from, named when it holds a lock
    bool m_fragmentWarned = false;
    std::string m_error;
};

}   // namespace navigator

#pragma once
// CRouteModule: the user's routes. Owns the route database, the current
// route and waypoint (CRouteState, read by the navigator, autopilot and
// chart through CRouteViews), who holds the route in use, the lock between
// stations with its timer-driven retries, and the settings records. Editing
// is allowed only while the database is open, no other station holds it and
// nothing uses the route.

#include "app/Module.h"
#include "chartpoints/ChartpointServices.h"
#include "db/DBRoute.h"
#include "db/OwnTemporaryTable.h"
#include "platform/Prompt.h"
#include "routes/RouteLegs.h"
#include "routes/RouteLock.h"
#include "routes/RouteRepair.h"
#include "routes/RouteServices.h"
#include "routes/RouteUpload.h"
#include "routes/RouteViews.h"

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace app {
struct CCmdUIState;
}

namespace routes {

// The route with its legs reversed: the waypoints last to first, each leg
// keeping its type, the new last waypoint's leg rhumb, IDs 1..n.
std::vector<CWaypoint> ReversedWaypoints(const std::vector<CWaypoint>& points);

// The route record's texts as the panel shows them: name, start,
// destination, memo and the four attachment names (three pictures, then the
// video; empty for a slot not used).
struct CRouteTexts {
    std::string name, from, to, note;
    std::array<std::string, 4> attachments;
};

class CRouteModule : public app::CModeModule {
public:
    // Station message type and the notice bytes about our database.
    static constexpr std::uint8_t kStationMessageType = 3;
    static constexpr std::uint8_t kNoticeLocked = 13;
    static constexpr std::uint8_t kNoticeUnlocked = 14;
    static constexpr std::uint8_t kNoticeChanged = 15;

    // Routes and attachments live in "Routes" and "Attach" under `dataRoot`
    // (the user's data folder: the program folder may be read-only).
    CRouteModule(app::CSettingsHome& settings, platform::CPrompt& prompt,
                 std::filesystem::path dataRoot);
    ~CRouteModule() override;

    bool Initialise() override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;
    // A new workspace: a 2-pixel route line; arrival circles, perpendiculars
    // and limits of deviation drawn; automatic advance, arrival circle entry
    // and the limit of deviation on (the route is then held from the start).
    void SetWorkspaceDefaults() override;
    void OnTimer(app::TimerCadence cadence) override;
    // View > Refresh: the current route read again at the same route and waypoint, so what
    // another station stored shows. A temporary database keeps no position: it goes back to
    // its first route, unless the route is held. The other stations are told.
    void OnRefresh() override;

    void SetStationLink(chartpoints::CStationLink* link) { m_station = link; }
    // Station messaging runs: files are shared and never overwritten.
    bool IsStationNetworkOn() const { return m_station && m_station->IsRunning(); }

    // ---- Database
    // Opens the database at `path` (without extension); an empty path takes
    // the initial database of the data folder when one is set.
    bool OpenDatabase(const std::string& path);
    // Closes the database; unless quiet, a temporary one with routes in it
    // asks to be saved first (Cancel keeps it open: false).
    bool CloseDatabase(bool quiet = true);
    // The workspace's windows restored: the database the settings name opens
    // (once; the name is then forgotten), or a new temporary one; one still
    // open is kept.
    bool OpenInitialDatabase();
    // Save As: with `ask` the question "Save Route database?" first. A
    // temporary database moves to the chosen name; a permanent one is copied
    // there and the copy opened. Yes when saved, No or Cancel otherwise.
    platform::PromptAnswer QuerySaveDatabase(bool ask);
    bool IsTempDatabase() const;
    // File > New, Open and Save As for the route database.
    bool OnNewDatabase();
    bool OnOpenDatabase();
    bool OnSaveDatabaseAs();
    platform::PromptAnswer QueryClose(platform::CPrompt& prompt) override;
    void PrepareUnattendedClose() override { m_keepTemporary = true; }
    // The file dialogs, plugged in by the windows (tests script them):
    // a path chosen in `folder`, or nothing on Cancel.
    using PathQuestion = std::function<std::optional<std::string>(const std::string& folder,
                                                                  const std::string& proposed)>;
    void SetFileDialogs(PathQuestion open, PathQuestion saveAs)
    {
        m_askOpenPath = std::move(open);
        m_askSavePath = std::move(saveAs);
    }
    bool IsDatabaseOpen() const { return m_db->IsOpen(); }
    // Reads the current route's waypoints in ORDER into the state; links to
    // missing waypoints are left out and named in RepairMessages().
    bool ReadCurrentRoute();
    const std::vector<std::string>& RepairMessages() const { return m_repairMessages; }

    // ---- Editing and enable rules
    bool CanEdit() const;
    // Clears the locked-elsewhere flag when the table's lock is free again
    // (its holder ended without a notice).
    void RecheckLockHolder();
    // Route > Edit: leaves edit mode, or starts taking the lock (at once or
    // from the timer; a refusal names the holder).
    void OnEdit();
    bool IsEditMode() const { return m_state.editMode; }
    bool IsLockedElsewhere() const { return m_lockedElsewhere; }
    std::string LockHolder() const { return m_lock.HolderText(); }
    // The monitor's Auto switch: lock first, then hold or release the route.
    bool SetAutoAdvance(bool on);
    // Lock (or unlock) the database and tell the other stations.
    bool LockDatabase(bool lock);
    // A station message of our type from `sender` (its address). Kind 4
    // carries only change notices (17 to 19), as a station of another kind sends them.
    static constexpr std::uint8_t kChangeMessageType = 4;
    void OnNetworkMessage(const std::string& payload, const std::string& sender,
                          std::uint8_t kind = kStationMessageType);

    // ---- Editing (every change is stored, then read back; each refuses
    // unless the route is editable: edit mode, a route, nothing holding it)
    bool IsRouteAvailable() const;
    bool IsFree() const;
    bool CanChangeRoute() const;
    // A waypoint (by value) into a new record, linked last and then moved to
    // ordinal n when n is within the links there were.
    bool InsertWaypoint(const CWaypoint& wp, long n);
    // "Add New Waypoint": before the current waypoint, or last after a new
    // route or an add at the end (the new one is then current).
    bool AddWaypointAt(const geo::CPosition& position);
    // "Insert New Waypoint": after the current waypoint.
    bool InsertWaypointAfterCurrent(const geo::CPosition& position);
    // A whole waypoint after the current one (a chartpoint added to the
    // route keeps its name, ID and the rest).
    bool InsertWaypointAfterCurrent(const CWaypoint& wp);
    // Where the own vessel is, none while its position is unknown (the
    // navigator's); without it the own position cannot be inserted.
    void SetOwnPosition(std::function<std::optional<geo::CPosition>()> own)
    {
        m_ownPosition = std::move(own);
    }
    std::optional<geo::CPosition> OwnPosition() const
    {
        return m_ownPosition ? m_ownPosition() : std::nullopt;
    }
    // The panel's Nav: a waypoint at the own vessel's position after the
    // current one. Allowed while the route is editable and the position known.
    bool CanInsertOwnPosition() const;
    bool InsertOwnPosition();
    // A double-click on a route waypoint: a copy of it appended as the new
    // last waypoint; the current waypoint stays current.
    bool AppendCopyOfWaypoint(int index);
    bool DeleteCurrentWaypoint();
    // A waypoint dragged on the chart, written on release.
    bool MoveWaypoint(int index, const geo::CPosition& position);
    bool SelectWaypoint(int index);
    bool SelectRoute(int n);
    int RouteCount();
    // The current route's place in the table (from 1), 0 for none.
    int RouteOrdinal();
    bool NewRoute();
    // Route > Copy, or Reverse with `reverse`: a new route with its own
    // copies of the waypoints.
    bool CopyRoute(bool reverse);
    bool DeleteRoute();
    // The panel's Apply: name, start and destination, each at most 25 characters.
    bool SaveRouteTexts(const std::string& name, const std::string& from, const std::string& to);
    // The panel's Apply with the memo and the attachment names too.
    bool SaveRoute(const CRouteTexts& texts);
    // A file chosen for an attachment copied into the attachments folder;
    // its stored name, or empty with `message` on failure.
    std::string ImportAttachment(const std::string& chosenPath, std::string* message = nullptr);
    CRouteTexts RouteTexts() const;
    // The leg from waypoint `index` to the next; not computed for the last.
    CLegResult LegFrom(int index) const;
    // The same leg as a list shows it: a calculation's message reaches the user.
    CLegResult LegFromShown(int index);
    // The great-circle page applied: a change of its settings gives every leg
    // a new range and bearing, so the plan and the waypoint lists start again;
    // the chart views draw again either way.
    void ApplyGreatCircle(const CGreatCircleRecord& page);
    // The current waypoint's leg: 0 rhumb, 1 great circle, 2 great circle
    // replaced by intermediate waypoints. False when refused.
    bool SetLegType(std::uint32_t type);
    bool AreWaypointsLocked() const { return m_waypointsLocked; }
    void SetWaypointsLocked(bool locked) { m_waypointsLocked = locked; }

    // ---- Commands of the Route menu
    static const std::vector<unsigned>& CommandIds();
    app::CCmdUIState CommandState(unsigned id);
    void Execute(unsigned id);

    // ---- Change notices to the panel and the chart views
    void AddListener(CRouteListener* listener);
    void RemoveListener(CRouteListener* listener);

    // ---- Upload: planned whole, fed from the timer; the route is held in
    // use until the last sentence has left or the port failed.
    bool StartUpload(const CUploadChoice& choice, CRouteTransmitter& tx);
    bool IsUploading() const { return m_upload != nullptr; }
    // "k of n sent" of the upload running or last run.
    const std::string& UploadProgress() const { return m_uploadProgress; }
    // The last upload sent every sentence (false while one runs or after a failure).
    bool LastUploadSent() const { return m_lastUploadSent; }

    // ---- State and views
    CRouteState& State() { return m_state; }
    CRouteViews& Views() { return m_views; }
    db::CDBRoute& Database() { return *m_db; }
    const std::string& InitialDatabase() const { return m_initialDatabase; }
    void SetInitialDatabase(std::string name) { m_initialDatabase = std::move(name); }
    const std::string& AttachmentsFolder() const { return m_attachmentsFolder; }
    void SetAttachmentsFolder(std::string folder) { m_attachmentsFolder = std::move(folder); }
    // After an options page changed how the route is drawn or sailed: the
    // chart's copies follow the records and every view draws again.
    void DisplayChanged()
    {
        m_views.Refresh();
        Notify(kHintDisplay);
    }

    // Injected for tests: the time the lock retries measure.
    void SetClock(std::function<CRouteLockAttempt::Clock::time_point()> now)
    {
        m_now = std::move(now);
    }

private:
    // The waypoint symbols with the route's pen and the three monitoring pens.
    std::vector<chart::CPointProperties*> OverlayProperties();
    void Post(std::uint8_t notice);
    // The windows are told; a change of the database or of the current route
    // (every hint but a waypoint selected and the display-only ones) is also
    // sent to the other stations.
    void Notify(int hint);
    void TellListeners(int hint);
    // After a stored change: the other stations read the route again, then
    // the windows are told.
    void Stored(int hint);
    void RewriteLinks(const CLinkRepair& repair);
    void TellRepairs();
    // Another station's notice that it stored a change to our database.
    void ReadOtherStationsChange();
    // The route record and its waypoints read afresh at the same route and waypoint.
    void ReadAgainInPlace();
    bool GoToLink(int ordinal);
    // Reads the route again with waypoint `active` current (kept within it).
    void Reread(int active);
    void WriteWaypoint(const CWaypoint& wp);
    bool WriteNewRoute(const std::string& name, const std::string& from, const std::string& to,
                       const std::vector<CWaypoint>& points);

    void Tell(const std::string& text, platform::PromptIcon icon = platform::PromptIcon::Stop);

    platform::CPrompt& m_prompt;
    std::filesystem::path m_dataRoot;
    std::unique_ptr<db::CDBRoute> m_db;
    CRouteState m_state;
    CRouteViews m_views{m_state};
    CRouteLockAttempt m_lock;
    bool m_lockedElsewhere = false;
    std::string m_attachmentsFolder;
    std::string m_initialDatabase;
    long m_initialRecord = 1;
    long m_initialWaypoint = 1;
    std::vector<std::string> m_repairMessages;
    std::unique_ptr<CRouteUpload> m_upload;
    bool m_lastUploadSent = false;
    CRouteTransmitter* m_uploadTx = nullptr;
    std::string m_uploadProgress;
    void FeedUpload();
    chartpoints::CStationLink* m_station = nullptr;
    std::vector<CRouteListener*> m_listeners;
    bool m_appendNext = false;   // the next added waypoint goes last
    bool m_waypointsLocked = true;   // waypoints are not dragged
    PathQuestion m_askOpenPath;
    PathQuestion m_askSavePath;
    std::function<std::optional<geo::CPosition>()> m_ownPosition;
    db::COwnTemporaryTable m_ownTemporary;
    // The program ends unattended: a temporary database with records stays.
    bool m_keepTemporary = false;
    std::function<CRouteLockAttempt::Clock::time_point()> m_now = [] {
        return CRouteLockAttempt::Clock::now();
    };
};

}   // namespace routes

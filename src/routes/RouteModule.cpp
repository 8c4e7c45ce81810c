#include "routes/RouteModule.h"

#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "db/CompanionCopy.h"
#include "geo/DatumInfo.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace fs = std::filesystem;

namespace routes {

namespace {

fs::path MakeFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec) ? folder : fs::path();
}

bool SameNameNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
           });
}

}   // namespace

CRouteModule::CRouteModule(app::CSettingsHome& settings, platform::CPrompt& prompt,
                           fs::path dataRoot)
    : app::CModeModule(settings), m_prompt(prompt), m_dataRoot(std::move(dataRoot)),
      m_db(std::make_unique<db::CDBRoute>()), m_lock([this] { return m_db->Lock(); })
{
    SetModuleName("Route");
    m_views.SetSelectionListener([this] { Notify(kHintSelected); });
    // The waypoint symbols with the route's pen are stored under the
    // module's own key, each monitoring pen under its kind's name there
    // (they share value names such as "LineWidth").
    m_views.Properties().SetBaseKey(GetModuleName());
    for (chart::CLineProperties* line :
         {&m_state.overlays.arrivalLine, &m_state.overlays.perpendicularLine,
          &m_state.overlays.limitLine})
        line->SetBaseKey(GetModuleName() + "\\" + line->GetKeyName());
}

std::vector<chart::CPointProperties*> CRouteModule::OverlayProperties()
{
    // The pens in the order the workspace keeps them: deviation limits,
    // arrival circles, perpendiculars.
    return {&m_views.Properties(), &m_state.overlays.limitLine, &m_state.overlays.arrivalLine,
            &m_state.overlays.perpendicularLine};
}

CRouteModule::~CRouteModule() = default;

bool CRouteModule::Initialise()
{
    const fs::path data = MakeFolder(m_dataRoot / "Routes");
    const fs::path attach = MakeFolder(m_dataRoot / "Attach");
    if (data.empty() || attach.empty())
        return false;
    SetDataFolder(data.string());
    m_attachmentsFolder = attach.string();
    return true;
}

bool CRouteModule::Terminate()
{
    CloseDatabase();
    return true;
}

void CRouteModule::LoadSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, false)) {
        std::string text;
        if (reg.ReadString("DatabaseFolder", text) && !text.empty() && !MakeFolder(text).empty())
            SetDataFolder(text);
        if (reg.ReadString("AttachmentsFolder", text) && !text.empty() && !MakeFolder(text).empty())
            m_attachmentsFolder = text;
        reg.ReadString("InitialDatabase", m_initialDatabase);
        reg.ReadLong("InitialRecord", m_initialRecord);
        reg.ReadLong("InitialWaypointRecord", m_initialWaypoint);
        reg.ReadBool("DrawLegArrow", m_state.draw.drawLegArrow);
        reg.ReadBool("DrawCourseAndSMG", m_state.draw.drawCourseAndSMG);
        reg.ReadBool("DrawDistanceToRun", m_state.draw.drawDistanceToRun);
        reg.ReadBool("ApplyToEntireRoute", m_state.draw.applyToEntireRoute);
        double interval = 0;
        if (reg.ReadDouble("DistanceToRunInterval", interval) && interval > 0)
            m_state.draw.distanceToRunInterval = interval;
        reg.ReadBool("DrawDeviationLimits", m_state.overlays.deviationLimits);
        reg.ReadBool("DrawWaypointArrivalCircles", m_state.overlays.arrivalCircles);
        reg.ReadBool("DrawWaypointPerpendiculars", m_state.overlays.perpendiculars);
    }
    for (chart::CPointProperties* p : OverlayProperties())
        p->Load(Settings());
    app::CRegistry monitoring(Settings().GetStore());
    if (OpenSettings(monitoring, false, "Monitoring"))
        m_state.monitoring.Load(monitoring);
    app::CRegistry greatCircle(Settings().GetStore());
    if (OpenSettings(greatCircle, false, "GreatCircle"))
        m_state.greatCircle.Load(greatCircle);
    m_views.Refresh();
    // Automatic advance holds the route from the start; the autopilot and an
    // upload keep the holds they have (a reload must not drop them).
    if (m_state.monitoring.autoAdvance)
        m_state.inUse.Take(RouteHolder::Advance);
    else
        m_state.inUse.Give(RouteHolder::Advance);
    // The database the settings name opens with the workspace's windows
    // (OpenInitialDatabase), after the start-up disclaimer.
}

bool CRouteModule::OpenInitialDatabase()
{
    // A temporary database kept through a workspace change stays.
    if (m_db->IsOpen())
        return true;
    return OpenDatabase({});
}

void CRouteModule::SetWorkspaceDefaults()
{
    m_views.Properties().Line().SetWidth(2);
    m_state.overlays.deviationLimits = true;
    m_state.overlays.arrivalCircles = true;
    m_state.overlays.perpendiculars = true;
    m_state.monitoring.autoAdvance = true;
    m_state.monitoring.arrivalCircleOn = true;
    m_state.monitoring.deviationLimitOn = true;
    m_state.inUse.Take(RouteHolder::Advance);
}

void CRouteModule::SaveSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, true)) {
        const bool open = m_db->IsOpen();
        const std::string name = open ? m_db->GetName() : "";
        // A temporary database, "~d" in either case, is never reopened.
        const bool temp = open && IsTempDatabase();
        reg.WriteString("DatabaseFolder", GetDataFolder());
        reg.WriteString("AttachmentsFolder", m_attachmentsFolder);
        reg.WriteString("InitialDatabase",
                        open ? (temp ? std::string() : name) : m_initialDatabase);
        reg.WriteLong("InitialRecord", temp ? 1 : (open ? std::max(1L, m_db->GetOrdinal()) : 1));
        reg.WriteLong("InitialWaypointRecord", temp ? 1 : std::max(1, m_state.activeIndex));
        reg.WriteBool("DrawLegArrow", m_state.draw.drawLegArrow);
        reg.WriteBool("DrawCourseAndSMG", m_state.draw.drawCourseAndSMG);
        reg.WriteBool("DrawDistanceToRun", m_state.draw.drawDistanceToRun);
        reg.WriteBool("ApplyToEntireRoute", m_state.draw.applyToEntireRoute);
        reg.WriteDouble("DistanceToRunInterval", m_state.draw.distanceToRunInterval);
        reg.WriteBool("DrawDeviationLimits", m_state.overlays.deviationLimits);
        reg.WriteBool("DrawWaypointArrivalCircles", m_state.overlays.arrivalCircles);
        reg.WriteBool("DrawWaypointPerpendiculars", m_state.overlays.perpendiculars);
    }
    for (const chart::CPointProperties* p : OverlayProperties())
        p->Save(Settings());
    app::CRegistry monitoring(Settings().GetStore());
    if (OpenSettings(monitoring, true, "Monitoring"))
        m_state.monitoring.Save(monitoring);
    app::CRegistry greatCircle(Settings().GetStore());
    if (OpenSettings(greatCircle, true, "GreatCircle"))
        m_state.greatCircle.Save(greatCircle);
}

bool CRouteModule::StartUpload(const CUploadChoice& choice, CRouteTransmitter& tx)
{
    if (m_upload)
        return false;
    // A route without waypoints has nothing to send: the upload is done at
    // once, whatever the port, and the dialog closes as after any other.
    if (!m_state.hasRoute || m_state.waypoints.empty()) {
        m_uploadProgress = "0 of 0 sent";
        m_lastUploadSent = true;
        return true;
    }
    // Positions go out as they are stored: the user confirms any not in WGS 84.
    const bool otherDatum =
        std::any_of(m_state.waypoints.begin(), m_state.waypoints.end(), [](const CWaypoint& wp) {
            const std::uint16_t datum = wp.m_position.GetDatum();
            return datum != geo::kNoDatumIndex && datum != geo::DatumIndexWGS84();
        });
    if (otherDatum &&
        m_prompt.Ask("One or more route waypoints selected for upload are in a different\n"
                     "datum than WGS84. Proceed with upload ?\"",
                     "Route", platform::PromptIcon::Question,
                     platform::PromptButtons::YesNo) != platform::PromptAnswer::Yes)
        return false;
    if (!tx.CanTransmit()) {
        Tell("The GPS port is not open for output: nothing was sent.");
        return false;
    }
    m_lastUploadSent = false;
    m_upload = std::make_unique<CRouteUpload>(choice, m_state.name, m_state.waypoints);
    m_uploadTx = &tx;
    m_state.inUse.Take(RouteHolder::Upload);
    FeedUpload();
    return true;
}

void CRouteModule::FeedUpload()
{
    const CRouteUpload::State state = m_upload->Feed(*m_uploadTx);
    m_uploadProgress = m_upload->Progress();
    if (state == CRouteUpload::State::Sending)
        return;
    m_lastUploadSent = state == CRouteUpload::State::Done;
    m_upload.reset();
    m_uploadTx = nullptr;
    m_state.inUse.Give(RouteHolder::Upload);
    if (state == CRouteUpload::State::Failed)
        Tell("Route upload stopped: the GPS port closed, " + m_uploadProgress + ".");
}

void CRouteModule::OnTimer(app::TimerCadence cadence)
{
    if (cadence == app::TimerCadence::EveryPass && m_upload)
        FeedUpload();
    if (cadence != app::TimerCadence::EveryPass ||
        m_lock.GetState() != CRouteLockAttempt::State::Pending)
        return;
    switch (m_lock.Poll(m_now())) {
    case CRouteLockAttempt::State::Taken:
        m_lock.Cancel();
        m_state.editMode = true;
        Post(kNoticeLocked);
        Notify(kHintDisplay);
        break;
    case CRouteLockAttempt::State::Refused:
        m_lock.Cancel();
        Tell(m_lock.RefusalText());
        break;
    default: break;
    }
}

bool CRouteModule::IsTempDatabase() const
{
    const std::string name = m_db->GetName();
    return name.size() >= 2 && name[0] == '~' && (name[1] == 'd' || name[1] == 'D');
}

bool CRouteModule::OpenDatabase(const std::string& path)
{
    if (!CloseDatabase(false))
        return false;
    // Temporary databases of a program that was killed or crashed would
    // otherwise stay in the data folder for good.
    db::COwnTemporaryTable::RemoveLeftovers(GetDataFolder());
    db::RemoveDeadCopies(GetDataFolder());   // and part copies of a killed Save As
    std::string target = path;
    if (target.empty() && !m_initialDatabase.empty()) {
        target = (fs::path(GetDataFolder()) / m_initialDatabase).string();
        m_initialDatabase.clear();
    }
    if (target.empty() && !m_ownTemporary.Make(GetDataFolder(), target)) {
        Tell("Unable to create a temporary Route database in " + GetDataFolder());
        return false;
    }
    m_db->SetFilePath(target);
    // The table makes its companion folder as it opens; one made for a file
    // that then fails to open is taken away again.
    std::error_code ec;
    const bool hadCompanions = fs::exists(m_db->CompanionFolder(), ec);
    bool opened = m_db->Open();
    if (!opened) {
        if (!hadCompanions)
            fs::remove_all(m_db->CompanionFolder(), ec);
        const bool failedWasOurs = m_ownTemporary.IsAt(target);
        std::string text =
            "Unable to open Route database : " + db::WithoutExtension(target) + ".dbf";
        if (!m_db->GetMessage().empty())
            text += "\n" + m_db->GetMessage();
        Tell(text);
        m_db->Close();
        if (!failedWasOurs && m_ownTemporary.Make(GetDataFolder(), target)) {
            m_db->SetFilePath(target);
            opened = m_db->Open();
        }
        if (!opened) {
            m_db->Close();
            m_ownTemporary.Delete();
            return false;
        }
    }
    m_lockedElsewhere = m_db->IsLockedElsewhere();
    if (m_db->IsEmpty() || !m_db->GoOrdinal(std::max(1L, m_initialRecord)))
        m_db->GoTop();
    m_initialRecord = 1;
    const bool read = ReadCurrentRoute();
    if (read && m_initialWaypoint >= 1 && m_initialWaypoint <= long(m_state.waypoints.size()))
        m_state.activeIndex = int(m_initialWaypoint);
    m_initialWaypoint = 1;
    m_appendNext = false;
    // An older database taken over: the waypoint rows left behind for a
    // position out of range and the waypoint files that could not be read,
    // by file and row.
    if (!m_db->ImportNote().empty())
        Tell(m_db->ImportNote(), platform::PromptIcon::Exclamation);
    TellRepairs();
    Notify(kHintRoute);
    return true;
}

bool CRouteModule::CloseDatabase(bool quiet)
{
    if (!m_db->IsOpen()) {
        m_ownTemporary.Delete();
        return true;
    }
    if (!quiet && IsTempDatabase() && !m_db->IsEmpty() &&
        QuerySaveDatabase(true) == platform::PromptAnswer::Cancel)
        return false;
    if (m_state.editMode || m_db->IsLockHeld()) {
        m_db->FlushAndUnlock();
        Post(kNoticeUnlocked);
    }
    m_state.editMode = false;
    m_lock.Cancel();
    const bool keep = m_keepTemporary && IsTempDatabase() && !m_db->IsEmpty();
    m_db->Close();
    if (keep)
        m_ownTemporary.LeaveForNextStart();
    else
        m_ownTemporary.Delete();
    m_state.hasRoute = false;
    m_state.waypoints.clear();
    m_state.activeIndex = 0;
    m_state.name.clear();
    // A quiet close (the program ending) tells the other stations nothing.
    if (quiet)
        TellListeners(kHintClosed);
    else
        Notify(kHintClosed);
    return true;
}

platform::PromptAnswer CRouteModule::QueryClose(platform::CPrompt& /*prompt*/)
{
    if (m_db->IsOpen() && IsTempDatabase() && !m_db->IsEmpty() &&
        QuerySaveDatabase(true) == platform::PromptAnswer::Cancel)
        return platform::PromptAnswer::Cancel;
    return platform::PromptAnswer::Ok;
}

platform::PromptAnswer CRouteModule::QuerySaveDatabase(bool ask)
{
    using platform::PromptAnswer;
    if (!m_db->IsOpen())
        return PromptAnswer::No;
    if (ask) {
        // Return answers Cancel: the route database stays open as it is.
        const PromptAnswer a =
            m_prompt.AskWithDefault("Save Route database?", "Route", platform::PromptIcon::Question,
                                    platform::PromptButtons::YesNoCancel, PromptAnswer::Cancel);
        if (a != PromptAnswer::Yes)
            return a;
    }
    const bool temp = IsTempDatabase();
    const std::optional<std::string> chosen =
        m_askSavePath
            ? m_askSavePath(GetDataFolder(), temp ? std::string() : m_db->GetName() + ".dbf")
            : std::nullopt;
    if (!chosen || chosen->empty())
        return PromptAnswer::Cancel;
    const std::string target = db::WithoutExtension(*chosen);
    const long route = m_db->GetOrdinal();
    const int active = m_state.activeIndex;
    bool saved = false;
    if (db::SamePath(target, m_db->GetFilePath())) {
        // Onto itself: what is there is flushed; nothing to copy.
        saved = m_db->FlushIfOpen();
    } else if (temp) {
        saved = m_db->MoveTo(target);
        if (saved)
            m_ownTemporary.Release();
    } else {
        saved = m_db->CopyTo(target);
        if (saved) {
            if (m_state.editMode || m_db->IsLockHeld()) {
                m_db->FlushAndUnlock();
                Post(kNoticeUnlocked);
                m_state.editMode = false;
            }
            m_db->Close();
            m_db->SetFilePath(target);
            saved = m_db->Open();
            m_lockedElsewhere = saved && m_db->IsLockedElsewhere();
        }
    }
    if (!saved) {
        Tell("Unable to save Route database as " + target + ".dbf" +
             (m_db->GetMessage().empty() ? "" : "\n" + m_db->GetMessage()));
        return PromptAnswer::Cancel;
    }
    if (route > 0)
        m_db->GoOrdinal(route);
    Reread(active);
    Notify(kHintRoute);
    return PromptAnswer::Yes;
}

bool CRouteModule::OnNewDatabase()
{
    if (m_state.inUse.InUse())
        return false;
    return OpenDatabase({});
}

bool CRouteModule::OnOpenDatabase()
{
    if (m_state.inUse.InUse() || !m_askOpenPath)
        return false;
    const std::optional<std::string> chosen = m_askOpenPath(GetDataFolder(), {});
    return chosen && !chosen->empty() && OpenDatabase(*chosen);
}

bool CRouteModule::OnSaveDatabaseAs()
{
    return QuerySaveDatabase(false) == platform::PromptAnswer::Yes;
}

bool CRouteModule::ReadCurrentRoute()
{
    m_state.waypoints.clear();
    m_state.activeIndex = 0;
    m_repairMessages.clear();
    m_state.hasRoute = m_db->IsOpen() && !m_db->IsEmpty();
    if (!m_state.hasRoute) {
        m_state.name.clear();
        return false;
    }
    m_state.name = m_db->m_name;
    db::CDBRoutePoints& links = m_db->Points();
    if (!links.IsOpen() && !m_db->OpenRoutePoints())
        return false;
    links.SelectTag("T_ORDER");
    std::vector<CLinkRow> rows;
    std::vector<std::pair<long, CWaypoint>> found;
    std::set<long> existing;
    // Walked by count, not by the move results: a move onto a link whose
    // waypoint is missing reports false but still lands on that link.
    const long count = links.IsEmpty() ? 0 : links.GetRecordCount();
    if (count > 0)
        links.GoTop();
    for (long n = 0; n < count; ++n) {
        rows.push_back({links.GetRecNo(), links.m_order, links.m_pointId});
        db::CDBWaypoint& w = links.Waypoints();
        if (w.GetId() == links.m_pointId) {
            existing.insert(links.m_pointId);
            CWaypoint wp(w.m_position);
            wp.m_name = w.m_name;
            wp.m_id = w.m_ident;
            wp.m_area = w.m_area;
            wp.m_type = w.m_group;
            wp.m_zoneTime = std::to_string(int(w.m_zone));
            // The memo goes with the waypoint: the plan prints it beside its row.
            wp.m_memo = w.m_memo[0];
            for (int i = 0; i < CWaypoint::kAttachments; ++i)
                wp.m_attachments[i] = w.m_attachment[i];
            wp.m_legType = WaypointLegFromLink(links.m_link);
            found.emplace_back(links.GetRecNo(), wp);
        }
        if (links.IsLast())
            break;
        links.SkipForward();
    }
    const CLinkRepair repair = PlanLinkRepair(rows, existing);
    if (repair.needed)
        RewriteLinks(repair);
    for (long recNo : repair.keptInOrder) {
        for (const auto& [rec, wp] : found)
            if (rec == recNo)
                m_state.waypoints.push_back(wp);
    }
    m_repairMessages = repair.Messages();
    m_state.activeIndex = m_state.waypoints.empty() ? 0 : 1;
    return true;
}

bool CRouteModule::CanEdit() const
{
    return m_db->IsOpen() && !m_lockedElsewhere && !m_state.inUse.InUse();
}

void CRouteModule::RecheckLockHolder()
{
    // A station killed while holding the lock sends no notice: the lock
    // itself says whether it is still held.
    if (m_lockedElsewhere && m_db->IsOpen() && !m_db->IsLockedElsewhere()) {
        m_lockedElsewhere = false;
        m_lock.Released();
    }
}

void CRouteModule::OnEdit()
{
    RecheckLockHolder();
    if (m_state.editMode) {
        LockDatabase(false);
        m_state.editMode = false;
        Notify(kHintDisplay);
        return;
    }
    if (!CanEdit()) {
        if (m_lockedElsewhere)
            Tell(m_lock.RefusalText());
        return;
    }
    if (m_lock.Start(m_now()) == CRouteLockAttempt::State::Taken) {
        m_lock.Cancel();
        m_state.editMode = true;
        Post(kNoticeLocked);
        Notify(kHintDisplay);
    }
    // Pending: the timer tries again and either enters edit mode or names
    // the holder; edit mode stays off meanwhile.
}

bool CRouteModule::LockDatabase(bool lock)
{
    // Without a database there is nothing to lock, and nothing held to free.
    if (!m_db->IsOpen())
        return !lock;
    if (lock) {
        if (!m_db->Lock())
            return false;
        Post(kNoticeLocked);
        return true;
    }
    if (!m_db->FlushAndUnlock())
        return false;
    Post(kNoticeUnlocked);
    return true;
}

bool CRouteModule::SetAutoAdvance(bool on)
{
    if (on == m_state.inUse.Holds(RouteHolder::Advance))
        return true;
    // Editing keeps its own lock: advance rides on it.
    if (!m_state.editMode && !LockDatabase(on)) {
        if (on)
            Tell(m_lock.RefusalText());
        return false;
    }
    m_state.monitoring.autoAdvance = on;
    if (on)
        m_state.inUse.Take(RouteHolder::Advance);
    else
        m_state.inUse.Give(RouteHolder::Advance);
    Notify(kHintDisplay);
    return true;
}

void CRouteModule::OnNetworkMessage(const std::string& payload, const std::string& sender,
                                    std::uint8_t kind)
{
    if (payload.size() < 2)
        return;
    const std::uint8_t notice = std::uint8_t(payload[0]);
    if (kind == kStationMessageType ? (notice < 13 || notice > 19)
                                    : (kind != kChangeMessageType || notice < 17 || notice > 19))
        return;
    // The name may come with a terminating zero byte (as stations that send
    // their text payloads as C strings do); it ends there.
    const std::string name = payload.substr(1, payload.find('\0', 1) - 1);
    if (!m_db->IsOpen() || !SameNameNoCase(name, m_db->GetName()))
        return;
    if (notice == kNoticeLocked) {
        if (m_db->IsLockedElsewhere()) {
            m_lockedElsewhere = true;
            m_lock.HeldBy(sender);
        }
    } else if (notice == kNoticeUnlocked) {
        if (!m_db->IsLockedElsewhere()) {
            m_lockedElsewhere = false;
            m_lock.Released();
        }
    } else if (notice != 16 && m_db->IsLockedElsewhere()) {
        ReadOtherStationsChange();
    }
}

void CRouteModule::ReadOtherStationsChange()
{
    // The panel, the pickers and the chart views follow as after a change
    // made here, but the stations are not told again: every station that
    // follows the holder would answer the others' answers without end.
    ReadAgainInPlace();
    TellListeners(kHintRoute);
}

void CRouteModule::OnRefresh()
{
    if (!m_db->IsOpen())
        return;
    if (IsTempDatabase() && IsFree()) {
        m_db->ResetCache();
        m_db->GoTop();
        ReadCurrentRoute();
        m_appendNext = false;
        TellRepairs();
    } else {
        ReadAgainInPlace();
    }
    Notify(kHintRoute);
}

void CRouteModule::ReadAgainInPlace()
{
    // The route record (its name, ends, memo and attachments) and its
    // waypoints.
    const int active = m_state.activeIndex;
    const long recNo = m_state.hasRoute ? m_db->GetRecNo() : 0;
    m_db->ResetCache();
    if (recNo > 0 && !m_db->GoRecord(recNo))
        m_db->GoTop();
    ReadCurrentRoute();
    if (active >= 1 && active <= int(m_state.waypoints.size()))
        m_state.activeIndex = active;
}

void CRouteModule::RewriteLinks(const CLinkRepair& repair)
{
    // Put right on disk too, so every station and every later open reads
    // the same ORDER 1..n; not while another station holds the database (it
    // writes the links itself) nor in a read-only one.
    if (m_db->IsReadOnly() || m_db->IsLockedElsewhere())
        return;
    const bool held = m_db->IsLockHeld();
    if (!held && !m_db->Lock())
        return;
    std::vector<long> dropped;
    for (const CLinkRow& row : repair.dropped)
        dropped.push_back(row.recNo);
    if (!m_db->Points().RewriteOrder(repair.keptInOrder, dropped))
        m_repairMessages.push_back("The route's links could not be written back: " +
                                   m_db->Points().GetMessage());
    if (!held)
        m_db->FlushAndUnlock();
}

void CRouteModule::TellRepairs()
{
    if (m_repairMessages.empty())
        return;
    std::string text;
    for (const std::string& line : m_repairMessages)
        text += (text.empty() ? "" : "\n") + line;
    m_prompt.Ask(text, "Route", platform::PromptIcon::Information, platform::PromptButtons::Ok);
}

void CRouteModule::AddListener(CRouteListener* listener)
{
    if (listener &&
        std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void CRouteModule::RemoveListener(CRouteListener* listener)
{
    std::erase(m_listeners, listener);
}

void CRouteModule::Notify(int hint)
{
    if (hint <= kHintDragged && hint != kHintSelected)
        Post(kNoticeChanged);
    TellListeners(hint);
}

void CRouteModule::TellListeners(int hint)
{
    // A copy: a listener may go away while being told.
    const std::vector<CRouteListener*> listeners = m_listeners;
    for (CRouteListener* l : listeners)
        l->OnRouteChange(hint);
}

CRouteTexts CRouteModule::RouteTexts() const
{
    if (!m_state.hasRoute)
        return {};
    CRouteTexts texts{m_db->m_name, m_db->m_from, m_db->m_to, m_db->m_note, {}};
    for (std::size_t i = 0; i < texts.attachments.size(); ++i)
        texts.attachments[i] = m_db->m_attachment[i];
    return texts;
}

void CRouteModule::Post(std::uint8_t notice)
{
    if (m_station && m_station->IsRunning())
        m_station->Post(kStationMessageType, std::string(1, char(notice)) + m_db->GetName());
}

void CRouteModule::Tell(const std::string& text, platform::PromptIcon icon)
{
    m_prompt.Ask(text, "Route", icon, platform::PromptButtons::Ok);
}

}   // namespace routes

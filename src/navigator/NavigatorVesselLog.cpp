// The navigator's side of the vessel log: its settings, opening it once
// every module has its settings, the voyage commands, the drawn tracks of
// the log's vessels and the notices of other stations.
#include <algorithm>
#include <system_error>
#include <utility>

#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "navigator/NavigatorModule.h"
#include "platform/Files.h"

namespace navigator {

namespace fs = std::filesystem;

namespace {

void ReadSpan(const app::CRegistry& reg, std::string_view name, std::chrono::seconds& out)
{
    app::CDateTimeSpanEx span;
    if (reg.ReadTimeSpan(name, span) && span.IsValid() && span.GetTotalSeconds() >= 0)
        out = std::chrono::seconds(span.GetTotalSeconds());
}

}   // namespace

void CNavigatorModule::CreateVesselLog()
{
    CVesselLogServices s;
    s.warn = [this](const std::string& message) { TellLog(message); };
    s.deadReckoning = [this] { return m_source.IsDrOn(); };
    s.drift = [this] { return m_source.Fix().drift; };
    s.trackAdded = [this](const CLogVessel& vessel) {
        if (CLogTrack* track = TrackOf(vessel); track && vessel.lastFix)
            track->Extend(vessel.track.RecordCount() - 1, *vessel.lastFix);
        if (m_trackListener)
            m_trackListener();
    };
    s.rowAdded = [this](const CLogVessel& vessel) {
        if (m_rowListener)
            m_rowListener(vessel);
    };
    s.logChanged = [this] {
        SyncTracks();
        if (m_logListener)
            m_logListener();
    };
    s.currentSnapshot = [this] { return m_snapshots.Get(); };
    s.resetTargets = [this] { m_vessels->ResetTargets(); };
    m_logbook = std::make_unique<CVesselLogbook>(m_clock, std::move(s));
    m_logbook->SetFolder(platform::ExecutableFolder() / "Logs");
    m_log = m_logbook.get();
    // The fix markers' properties live under the module's own key.
    m_fixProperties.SetBaseKey(GetModuleName());
}

void CNavigatorModule::SetLogServices(platform::CPrompt* prompt, SavePathChooser chooseSavePath,
                                      NoticeSender sendNotice)
{
    CVesselLogServices& s = m_logbook->Services();
    s.prompt = prompt;
    s.chooseSavePath = std::move(chooseSavePath);
    s.sendNotice = std::move(sendNotice);
}

void CNavigatorModule::TellLog(const std::string& message)
{
    if (m_bar == nullptr)
        return;
    m_bar->RemoveMessage(m_logWarning, false);
    m_bar->AddMessage(m_logWarning, message, 30000, 1, true);
    m_bar->SetMessageFlag(m_logWarning, true);
    m_bar->SetMessageTimeout(m_logWarning, std::chrono::seconds(60));
}

void CNavigatorModule::LoadLogSettings(const app::CRegistry& reg)
{
    bool on = m_logbook->IsLogging();
    if (reg.ReadBool("SaveToLogBookOn", on))
        m_logbook->SetLogging(on);
    reg.ReadBool("VoyageRunning", m_resumeVoyage);
    reg.ReadBool("DrawTimeMarks", m_trackSettings.drawTimeMarks);
    ReadSpan(reg, "TimeMarkInterval", m_trackSettings.markInterval);
    reg.ReadBool("LimitTrackDisplay", m_trackSettings.limitDisplay);
    ReadSpan(reg, "TrackTimeLimit", m_trackSettings.span);
    if (m_trackSettings.markInterval <= std::chrono::seconds(0))
        m_trackSettings.markInterval = std::chrono::minutes(10);
}

void CNavigatorModule::LoadLogFolderSettings(const app::CRegistry& reg)
{
    std::string text;
    if (reg.ReadString("DatabaseFolder", text) && !text.empty()) {
        const fs::path made = app::EnsureFolder(text, m_logbook->Folder());
        if (!made.empty())
            m_logbook->SetFolder(made);
    }
    if (reg.ReadString("InitialDatabase", text))
        m_logbook->SetInitialLog(fs::path(text).stem().string());
    // The own vessel of that log, and its append when it had only one: the
    // log opened at start loads only that vessel's rows. A text that names
    // no vessel loads them all.
    if (reg.ReadString("VesselNumber", text))
        if (const std::optional<CVesselNumber> number = ParseVesselNumber(text))
            m_logbook->SetVesselNumber(*number);
}

void CNavigatorModule::SaveLogSettings(app::CRegistry& reg, app::CRegistry& log) const
{
    reg.WriteBool("SaveToLogBookOn", m_logbook->IsLogging());
    // Written while a log is open: closing it at exit ends no voyage for
    // the next start, which takes up the voyage that was under way.
    if (m_logbook->IsOpen())
        reg.WriteBool("VoyageRunning", m_logbook->IsVoyageRunning());
    reg.WriteBool("DrawTimeMarks", m_trackSettings.drawTimeMarks);
    reg.WriteTimeSpan("TimeMarkInterval", app::CDateTimeSpanEx(static_cast<long>(
                                              m_trackSettings.markInterval.count())));
    reg.WriteBool("LimitTrackDisplay", m_trackSettings.limitDisplay);
    reg.WriteTimeSpan("TrackTimeLimit",
                      app::CDateTimeSpanEx(static_cast<long>(m_trackSettings.span.count())));
    if (log.IsOpen()) {
        log.WriteString("DatabaseFolder", m_logbook->Folder().string());
        if (m_logbook->IsOpen()) {
            log.WriteString("InitialDatabase", m_logbook->LogTitle());
            log.WriteString("VesselNumber", VesselNumberText(m_logbook->VesselNumber()));
        }
    }
}

void CNavigatorModule::SetTrackSettings(const CLogTrackSettings& settings)
{
    m_trackSettings = settings;
    m_fixProperties.Line().SetDraw(settings.visible);
    SyncTracks(true);
}

bool CNavigatorModule::OpenVesselLog(const std::string& path)
{
    m_openLogPending = false;
    // A log the user opens to append to takes over the voyage under way; one
    // opened only to be read gets nothing written into it: the voyage ends,
    // logging stops and the window that followed the vessel goes.
    std::optional<std::pair<std::string, std::string>> voyage;
    if (const CLogVessel* own = m_logbook->OwnVessel(); own && m_logbook->IsVoyageRunning())
        voyage.emplace(own->voyageId, own->watchOfficer);
    const bool resume = std::exchange(m_resumeVoyage, false) && path.empty() && !voyage;
    const bool opened = m_logbook->Open(path);
    if (opened && !path.empty()) {
        if (!m_logbook->AppendToExisting()) {
            m_logbook->SetLogging(false);
            if (voyage)
                SetAutoscrollWindow(false);
        } else if (voyage) {
            m_logbook->ContinueVoyage(voyage->first, voyage->second);
        }
    } else if (opened && resume) {
        // The voyage under way when the program last ended goes on, with
        // logging and the window that follows the vessel, as it was left.
        const CLogVessel* own = m_logbook->OwnTrackVessel();
        if (own && m_logbook->ContinueVoyage(own->voyageId, own->watchOfficer)) {
            m_openMonitorWindowPending = true;
        } else {
            // Nothing to go on with (a log started afresh): no voyage, so
            // neither logging nor the following window.
            m_logbook->SetLogging(false);
            m_openMonitorWindowPending = false;
        }
    }
    // The next tick writes a row and a point at once.
    m_lastLogRow.reset();
    m_lastTrackPoint.reset();
    if (opened)
        PlaceAtRestoredPosition();
    return opened;
}

// The own vessel stands where the log last had it (its track's newest point
// or its logbook's newest row), so a start with the GPS silent shows it and
// Go To Vessel finds it. A position this run already has (a fix, dead
// reckoning, one the user set) is newer than any log's: an older log opened
// to be read does not move the vessel back to where that log ended.
void CNavigatorModule::PlaceAtRestoredPosition()
{
    const std::optional<CTrackFix>& fix = m_logbook->RestoredPosition();
    if (!fix || m_positionAvailable)
        return;
    const geo::CPosition position(fix->latitude, fix->longitude, fix->altitude,
                                  static_cast<std::int16_t>(fix->datum));
    if (!position.IsValid())
        return;
    m_positionAvailable = true;
    PlaceOwnVessel(position);
}

bool CNavigatorModule::CanStartEndVoyage() const
{
    return m_positionAvailable && (m_source.IsDrOn() || m_gps->IsReceiving());
}

std::string CNavigatorModule::WhyNoPosition() const
{
    if (m_positionAvailable)
        return {};
    return "No vessel position yet: it comes with the first GPS fix, or type one under "
           "Navigator > Position Source (Dead Reckoning).";
}

std::string CNavigatorModule::WhyVoyageIsGrey() const
{
    if (!m_positionAvailable)
        return WhyNoPosition();
    if (!CanStartEndVoyage())
        return "A voyage needs position input: the GPS sends no fix and dead reckoning is off "
               "(Navigator > Position Source).";
    return {};
}

bool CNavigatorModule::StartVoyage(const std::string& voyageId, const std::string& watchOfficer)
{
    if (!m_logbook->IsOpen() && !OpenVesselLog(""))
        return false;
    if (!m_logbook->StartVoyage(voyageId, watchOfficer))
        return false;
    m_lastLogRow.reset();
    m_lastTrackPoint.reset();
    SetAutoscrollWindow(true);
    return true;
}

bool CNavigatorModule::EndVoyage()
{
    if (!m_logbook->EndVoyage())
        return false;
    SetAutoscrollWindow(false);
    return true;
}

void CNavigatorModule::SetLogging(bool on)
{
    m_logbook->SetLogging(on);
    m_lastLogRow.reset();
    m_lastTrackPoint.reset();
}

void CNavigatorModule::ToggleLogging()
{
    const bool on = !m_logbook->IsLogging();
    SetLogging(on);
    if (!on || m_logbook->OwnVessel() != nullptr)
        return;
    if (m_logbook->IsOpen() || OpenVesselLog(""))
        m_logbook->EnsureOwnVessel();
}

CLogTrack* CNavigatorModule::TrackOf(const CLogVessel& vessel) const
{
    for (const auto& [owner, track] : m_tracks)
        if (owner == &vessel)
            return track.get();
    return nullptr;
}

// Every vessel of the log has its drawn track; a vessel gone takes its
// track with it. `reread` reads every window again (the settings changed).
void CNavigatorModule::SyncTracks(bool reread)
{
    std::vector<std::pair<const CLogVessel*, std::unique_ptr<CLogTrack>>> kept;
    for (const auto& vessel : m_logbook->Vessels()) {
        auto it = std::find_if(m_tracks.begin(), m_tracks.end(),
                               [&](const auto& t) { return t.first == vessel.get(); });
        std::unique_ptr<CLogTrack> track;
        const bool fresh = it == m_tracks.end() || it->second->File() != vessel->track.Path();
        if (it != m_tracks.end())
            track = std::move(it->second);
        if (!track) {
            track = std::make_unique<CLogTrack>();
            track->SetReadyCallback([this] { m_panelQueue.Post(kMsgTrackReady); });
        }
        track->Settings() = m_trackSettings;
        track->SetProperties(&m_fixProperties);
        if (fresh)
            track->SetFile(vessel->track.Path());   // read when a view first draws it
        else if (reread && track->Grid().latitudeStep > 0.0)
            track->Rebuild(track->Grid());
        kept.emplace_back(vessel.get(), std::move(track));
    }
    m_tracks.swap(kept);
    if (m_trackListener)
        m_trackListener();
}

bool CNavigatorModule::SameVoyage(const CLogVessel& earlier, const CLogVessel& later)
{
    return earlier.vesselId == later.vesselId && later.appendNo == earlier.appendNo + 1 &&
           !later.voyageId.empty() && later.voyageId == earlier.voyageId;
}

void CNavigatorModule::TakeTrackResults()
{
    bool changed = false;
    for (auto& entry : m_tracks)
        changed = entry.second->TakeResult() || changed;
    if (changed && m_trackListener)
        m_trackListener();
}

void CNavigatorModule::DrawTracks(chart::CChartDoc& doc, chart::CXDC& dc)
{
    for (auto& entry : m_tracks)
        entry.second->Draw(doc, dc, true);
    // A voyage taken up again (at the next start, or in the log opened again
    // to be appended to) goes on in a new append of the own vessel with a
    // track file of its own; its line joins the append before it, so the
    // voyage is drawn as one line. The tracks follow the log's vessel and
    // append order.
    const CLogVessel* earlier = nullptr;
    const CLogTrack* earlierTrack = nullptr;
    for (const auto& [vessel, track] : m_tracks) {
        if (vessel->kind != kVesselOwn)
            continue;
        if (earlier && SameVoyage(*earlier, *vessel))
            if (const std::optional<geo::CPosition> first = track->FirstDrawnPosition())
                earlierTrack->DrawTrail(doc, dc, {*first});
        earlier = vessel;
        earlierTrack = track.get();
    }
    // The own track's line goes on to the vessel.
    if (const CLogVessel* own = m_logbook->OwnVessel())
        if (CLogTrack* track = TrackOf(*own))
            track->DrawTrail(doc, dc, m_trail);
}

std::vector<geo::CPosition> CNavigatorModule::OwnTrackPositions() const
{
    const CLogVessel* own = m_logbook->OwnTrackVessel();
    const CLogTrack* track = own ? TrackOf(*own) : nullptr;
    return track ? track->Positions() : std::vector<geo::CPosition>{};
}

std::optional<CTrackFix> CNavigatorModule::OwnFixAt(chart::CChartDoc& doc, geo::IntPoint p) const
{
    const CLogVessel* own = m_logbook->OwnTrackVessel();
    const CLogTrack* track = own ? TrackOf(*own) : nullptr;
    return track ? track->FixAt(doc, p) : std::nullopt;
}

void CNavigatorModule::ProcessLogNotice(int type, const std::string& payload,
                                        const std::string& sender)
{
    m_logbook->ProcessNotice(type, payload, sender);
}

}   // namespace navigator

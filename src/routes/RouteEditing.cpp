// The route module's editing: waypoints inserted, appended, moved and
// deleted, routes made, copied, reversed and deleted, leg types changed.
// Every change goes to the tables first and is then read back into the
// state the views draw from, so what is shown is what is stored.

#include "routes/RouteModule.h"

#include "app/Attachments.h"

#include "routes/RouteLegs.h"

#include <algorithm>
#include <charconv>

namespace routes {

using platform::PromptAnswer;
using platform::PromptButtons;
using platform::PromptIcon;

namespace {

constexpr std::size_t kRouteTextWidth = 25;

// At most the field's width in characters: the table holds one byte per
// character, while a UTF-8 text may take two or three for one.
std::string Cut(std::string text)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;   // a continuation byte of the character before
        if (chars++ == kRouteTextWidth) {
            text.resize(i);
            break;
        }
    }
    return text;
}

}   // namespace

bool CRouteModule::IsRouteAvailable() const
{
    return m_state.editMode && m_state.hasRoute;
}

bool CRouteModule::IsFree() const
{
    return !m_state.inUse.InUse();
}

bool CRouteModule::CanChangeRoute() const
{
    return IsRouteAvailable() && IsFree();
}

bool CRouteModule::GoToLink(int ordinal)
{
    db::CDBRoutePoints& links = m_db->Points();
    if (!links.IsOpen() || ordinal < 1)
        return false;
    links.SelectTag("T_ORDER");
    links.GoOrdinal(ordinal);
    return links.GetOrdinal() == ordinal;
}

void CRouteModule::Reread(int active)
{
    ReadCurrentRoute();
    const int count = int(m_state.waypoints.size());
    m_state.activeIndex = count == 0 ? 0 : std::clamp(active, 1, count);
}

void CRouteModule::Stored(int hint)
{
    Post(kNoticeChanged);
    TellListeners(hint);
}

void CRouteModule::WriteWaypoint(const CWaypoint& wp)
{
    db::CDBWaypoint& w = m_db->Points().Waypoints();
    w.m_name = wp.m_name;
    w.m_ident = wp.m_id;
    w.m_position = wp.m_position;
    w.m_area = wp.m_area;
    w.m_group = wp.m_type;
    int zone = 0;
    std::from_chars(wp.m_zoneTime.data(), wp.m_zoneTime.data() + wp.m_zoneTime.size(), zone);
    w.m_zone = std::int8_t(std::clamp(zone, -12, 14));
    // A chartpoint added to the route brings its memo and attachments.
    w.m_memo[0] = wp.m_memo;
    for (int i = 0; i < CWaypoint::kAttachments; ++i)
        w.m_attachment[i] = wp.m_attachments[i];
}

bool CRouteModule::InsertWaypoint(const CWaypoint& wp, long n)
{
    if (!CanChangeRoute())
        return false;
    db::CDBRoutePoints& links = m_db->Points();
    const long before = links.IsEmpty() ? 0 : links.GetRecordCount();
    links.Waypoints().ClearRecord();
    WriteWaypoint(wp);
    links.m_link = LinkFromWaypointLeg(wp.m_legType);
    if (!links.AppendPoint()) {
        Tell("The waypoint could not be added: " + links.GetMessage());
        return false;
    }
    if (n >= 1 && n <= before)
        links.InsertAtOrder(n);
    return true;
}

bool CRouteModule::AddWaypointAt(const geo::CPosition& position)
{
    if (!CanChangeRoute())
        return false;
    const int count = int(m_state.waypoints.size());
    const bool atEnd = m_appendNext || m_state.activeIndex < 1;
    const long at = atEnd ? count + 1 : m_state.activeIndex;
    if (!InsertWaypoint(CWaypoint(position), at))
        return false;
    // Added at the end, the new point is current and the next one follows
    // it; added before the current point, that point stays current.
    Reread(atEnd ? count + 1 : m_state.activeIndex + 1);
    Stored(kHintInserted);
    return true;
}

bool CRouteModule::InsertWaypointAfterCurrent(const geo::CPosition& position)
{
    return InsertWaypointAfterCurrent(CWaypoint(position));
}

bool CRouteModule::InsertWaypointAfterCurrent(const CWaypoint& wp)
{
    if (!CanChangeRoute())
        return false;
    const int active = std::max(0, m_state.activeIndex);
    CWaypoint inserted = wp;
    inserted.m_legType = kLegRhumb;   // the new leg starts as a rhumb line
    if (!InsertWaypoint(inserted, active + 1))
        return false;
    Reread(std::max(1, active));
    Stored(kHintInserted);
    return true;
}

bool CRouteModule::CanInsertOwnPosition() const
{
    if (!CanChangeRoute() || !m_ownPosition)
        return false;
    const std::optional<geo::CPosition> own = m_ownPosition();
    return own && own->IsValid();
}

bool CRouteModule::InsertOwnPosition()
{
    if (!CanInsertOwnPosition())
        return false;
    return InsertWaypointAfterCurrent(*m_ownPosition());
}

bool CRouteModule::AppendCopyOfWaypoint(int index)
{
    const int count = int(m_state.waypoints.size());
    if (!CanChangeRoute() || index < 1 || index > count)
        return false;
    CWaypoint copy = m_state.waypoints[std::size_t(index - 1)];
    copy.m_legType = kLegRhumb;
    const int active = m_state.activeIndex;
    if (!InsertWaypoint(copy, count + 1))
        return false;
    Reread(active);
    Stored(kHintInserted);
    return true;
}

bool CRouteModule::DeleteCurrentWaypoint()
{
    const int active = m_state.activeIndex;
    if (!CanChangeRoute() || active < 1)
        return false;
    if (m_prompt.Ask("Do you really want to delete this waypoint ", "Route", PromptIcon::Question,
                     PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    Notify(kHintDeleting);
    if (!GoToLink(active) || !m_db->Points().DeleteRecord()) {
        Tell("The waypoint could not be deleted: " + m_db->Points().GetMessage());
        Reread(active);
        return false;
    }
    // The next point takes the deleted one's place, or the new last is current.
    Reread(active);
    Stored(kHintSelected);
    return true;
}

bool CRouteModule::MoveWaypoint(int index, const geo::CPosition& position)
{
    // Only an editable, free route moves: a drag outside edit mode would
    // write a table this station has not locked.
    if (!CanChangeRoute() || !GoToLink(index))
        return false;
    db::CDBWaypoint& w = m_db->Points().Waypoints();
    w.m_position = position;
    if (!w.Update() || !w.FlushIfOpen()) {
        Tell("The waypoint could not be moved: " + w.GetMessage());
        Reread(m_state.activeIndex);
        return false;
    }
    Reread(index);
    Stored(kHintDragged);
    return true;
}

bool CRouteModule::SelectWaypoint(int index)
{
    if (index < 1 || index > int(m_state.waypoints.size()) || !IsFree())
        return false;
    m_state.activeIndex = index;
    m_appendNext = false;
    Notify(kHintSelected);
    return true;
}

int CRouteModule::RouteCount()
{
    return m_db->IsOpen() && !m_db->IsEmpty() ? int(m_db->GetRecordCount()) : 0;
}

int CRouteModule::RouteOrdinal()
{
    return m_state.hasRoute ? int(m_db->GetOrdinal()) : 0;
}

bool CRouteModule::SelectRoute(int n)
{
    if (!m_db->IsOpen() || m_db->IsEmpty() || !IsFree())
        return false;
    const int count = RouteCount();
    if (!m_db->GoOrdinal(std::clamp(n, 1, count)))
        return false;
    ReadCurrentRoute();
    m_appendNext = false;
    TellRepairs();
    Notify(kHintRoute);
    return true;
}

bool CRouteModule::NewRoute()
{
    if (!m_state.editMode || !IsFree())
        return false;
    m_db->ClearRecord();
    if (!m_db->AppendNew() || !m_db->FlushIfOpen()) {
        Tell("A new route could not be added: " + m_db->GetMessage());
        return false;
    }
    ReadCurrentRoute();
    m_appendNext = true;
    Stored(kHintAdded);
    return true;
}

bool CRouteModule::WriteNewRoute(const std::string& name, const std::string& from,
                                 const std::string& to, const std::vector<CWaypoint>& points)
{
    m_db->ClearRecord();
    m_db->m_name = Cut(name);
    m_db->m_from = from;
    m_db->m_to = to;
    if (!m_db->AppendNew())
        return false;
    db::CDBRoutePoints& links = m_db->Points();
    for (const CWaypoint& wp : points) {
        links.Waypoints().ClearRecord();
        WriteWaypoint(wp);
        links.m_link = LinkFromWaypointLeg(wp.m_legType);
        if (!links.AppendPoint())
            return false;
    }
    return m_db->FlushIfOpen();
}

bool CRouteModule::CopyRoute(bool reverse)
{
    if (!CanChangeRoute() || (reverse && m_state.waypoints.size() < 2))
        return false;
    const int active = m_state.activeIndex;
    std::vector<CWaypoint> points = m_state.waypoints;
    std::string from = m_db->m_from, to = m_db->m_to;
    if (reverse) {
        points = ReversedWaypoints(points);
        std::swap(from, to);
    }
    const std::string name = (reverse ? "Reverse of " : "Copy of ") + m_state.name;
    if (!WriteNewRoute(name, from, to, points)) {
        Tell("The route could not be copied: " + m_db->GetMessage());
        ReadCurrentRoute();
        return false;
    }
    Reread(active);
    Stored(kHintAdded);
    return true;
}

bool CRouteModule::DeleteRoute()
{
    if (!CanChangeRoute())
        return false;
    if (m_prompt.Ask("Do you want to delete the current route ", "Route", PromptIcon::Question,
                     PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    const int ordinal = RouteOrdinal();
    if (!m_db->DeleteRecord() || !m_db->FlushIfOpen()) {
        Tell("The route could not be deleted: " + m_db->GetMessage());
        return false;
    }
    const int count = RouteCount();
    if (count > 0)
        m_db->GoOrdinal(std::min(ordinal, count));
    ReadCurrentRoute();
    Stored(kHintDeleted);
    return true;
}

bool CRouteModule::SaveRouteTexts(const std::string& name, const std::string& from,
                                  const std::string& to)
{
    CRouteTexts texts = RouteTexts();
    texts.name = name;
    texts.from = from;
    texts.to = to;
    return SaveRoute(texts);
}

std::string CRouteModule::ImportAttachment(const std::string& chosenPath, std::string* message)
{
    return app::ImportAttachmentFile(chosenPath, m_attachmentsFolder, message);
}

bool CRouteModule::SaveRoute(const CRouteTexts& texts)
{
    if (!CanChangeRoute())
        return false;
    m_db->m_name = Cut(texts.name);
    m_db->m_from = Cut(texts.from);
    m_db->m_to = Cut(texts.to);
    m_db->m_note = texts.note;
    for (std::size_t i = 0; i < texts.attachments.size(); ++i)
        m_db->m_attachment[i] = texts.attachments[i];
    if (!m_db->Update() || !m_db->FlushIfOpen()) {
        Tell("The route could not be saved: " + m_db->GetMessage());
        return false;
    }
    Reread(m_state.activeIndex);
    Stored(kHintRoute);
    return true;
}

CLegResult CRouteModule::LegFrom(int index) const
{
    if (index < 1 || index >= int(m_state.waypoints.size()))
        return {};
    const CWaypoint& a = m_state.waypoints[std::size_t(index - 1)];
    const CWaypoint& b = m_state.waypoints[std::size_t(index)];
    return CalculateLeg(m_state.greatCircle, a.m_legType, a.m_position, b.m_position);
}

CLegResult CRouteModule::LegFromShown(int index)
{
    const CLegResult leg = LegFrom(index);
    if (!leg.warning.empty()) {
        // Beyond a limit is a warning; a calculation that failed is an error.
        const bool beyondLimit = leg.warning.rfind("One or more", 0) == 0;
        m_prompt.Ask(leg.warning, "Route",
                     beyondLimit ? platform::PromptIcon::Exclamation : platform::PromptIcon::Stop,
                     platform::PromptButtons::Ok);
    }
    return leg;
}

void CRouteModule::ApplyGreatCircle(const CGreatCircleRecord& page)
{
    if (page.DiffersFrom(m_state.greatCircle)) {
        // The whole record, limits included: the legs are measured with the
        // limits the page derived, not with the ones loaded before.
        m_state.greatCircle = page;
        Notify(kHintLegs);
    }
    DisplayChanged();
}

bool CRouteModule::SetLegType(std::uint32_t type)
{
    const int active = m_state.activeIndex;
    if (!CanChangeRoute() || active < 1 || active >= int(m_state.waypoints.size()))
        return false;
    const geo::CPosition start = m_state.waypoints[std::size_t(active - 1)].m_position;
    const geo::CPosition end = m_state.waypoints[std::size_t(active)].m_position;
    if (IsBeyondLimitLatitude(m_state.greatCircle, start.GetLatitude(), end.GetLatitude(), type)) {
        m_prompt.Ask("One or more points lie beyond an active limiting latitude.", "Route",
                     PromptIcon::Exclamation, PromptButtons::Ok);
        return false;
    }
    db::CDBRoutePoints& links = m_db->Points();
    if (!GoToLink(active))
        return false;
    links.m_link = LinkFromWaypointLeg(type);
    if (!links.Update() || !links.FlushIfOpen()) {
        Tell("The leg type could not be stored: " + links.GetMessage());
        return false;
    }
    if (type == kLegGreatCircleWaypoints) {
        const std::vector<geo::CPosition> points =
            GreatCircleWaypoints(m_state.greatCircle, start, end);
        long at = active + 1;
        int k = 1;
        for (const geo::CPosition& p : points) {
            CWaypoint wp(p);
            wp.m_name = "GC " + std::to_string(active) + "." + std::to_string(k++);
            if (!InsertWaypoint(wp, at++))
                break;
        }
    }
    Reread(active);
    Stored(kHintWritten);
    return true;
}

std::vector<CWaypoint> ReversedWaypoints(const std::vector<CWaypoint>& points)
{
    // Each leg keeps its type: the leg that ran from i to i + 1 now runs
    // from the reversed i + 1 to i, and starts there. IDs read 1..n.
    const std::size_t n = points.size();
    std::vector<CWaypoint> out(points.rbegin(), points.rend());
    for (std::size_t i = 0; i < n; ++i) {
        out[i].m_legType = i + 1 < n ? points[n - 2 - i].m_legType : kLegRhumb;
        out[i].m_id = std::to_string(i + 1);
    }
    return out;
}

}   // namespace routes

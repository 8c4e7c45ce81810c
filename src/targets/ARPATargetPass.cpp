#include "targets/ARPATargetPass.h"

#include <algorithm>

namespace targets {

namespace {

// A report stamped later than the navigation time comes from a radar whose
// clock runs ahead of ours: it counts as heard now. Ages are then measured
// on one clock, so a silent target still goes stale and AutoDelete still
// drops it, whatever the radar's clock says.
CARPATargetPass::Clock::time_point Heard(CARPATargetPass::Clock::time_point reported,
                                         CARPATargetPass::Clock::time_point navigationUtc)
{
    return std::min(reported, navigationUtc);
}

}   // namespace

std::chrono::seconds MarkerEvery(const CTrackedTarget& target, const CARPAOptions& options)
{
    if (!target.properties ||
        target.properties->loggingPeriod.GetStatus() != app::CDateTimeSpanEx::valid)
        return options.positionMarkerEvery;
    return std::chrono::seconds(target.properties->loggingPeriod.GetTotalSeconds());
}

CARPATargetPass::CARPATargetPass(CARPATargetStore& store) : m_store(store) { }

void CARPATargetPass::Join(std::shared_ptr<CTrackedTarget> target, Clock::time_point navigationUtc)
{
    target->lastReportTime = navigationUtc;
    target->displayOrder = static_cast<int>(m_targets.size()) + 1;
    target->record->live = true;
    m_targets.push_back(std::move(target));
}

CARPAPassOutcome CARPATargetPass::Run(Clock::time_point navigationUtc)
{
    CARPAPassOutcome outcome;
    // Tail to head, so removing the current target leaves the rest in place.
    for (std::size_t i = m_targets.size(); i-- > 0;) {
        CTrackedTarget& target = *m_targets[i];
        CTargetRecord& record = *target.record;
        if (record.IsLost()) {
            // Handled once: the live flag is cleared the first time.
            if (!record.live)
                continue;
            outcome.lost.push_back(target.record);
            EndLogRow(target, navigationUtc, outcome);
            m_store.ClearSlot(record);
            record.live = false;
            if (m_options.autoDelete) {
                outcome.removed.push_back(target.record);
                RemoveAt(i);
                continue;
            }
            record.rowSource = record.ReportedSource();
            outcome.rows.push_back(target.record);
            record.tllUpdated = false;
            record.ttmUpdated = false;
            continue;
        }
        const bool wasCurrent = record.current;
        const auto t = record.LastReportTime(navigationUtc);
        const auto heard = Heard(t, navigationUtc);
        if (record.tllUpdated || record.ttmUpdated) {
            target.lastReportTime = heard;
            record.current = m_ownFixReal;
            record.rowSource = record.ReportedSource();
            outcome.rows.push_back(target.record);
            if (record.live && t - target.lastFixTime >= MarkerEvery(target, m_options)) {
                target.lastFixTime = t;
                outcome.fixes.emplace_back(target.record, t);
            }
        } else if (m_ownFixReal &&
                   heard - target.lastReportTime >= m_options.targetDangerousInterval) {
            record.current = false;
        }
        if (m_options.warningCircles)
            UpdateWarningCircle(target);
        if (m_options.autoDelete &&
            heard - target.lastReportTime >= m_options.autoDeleteTimeLimit) {
            m_store.ClearSlot(record);
            EndLogRow(target, navigationUtc, outcome);
            outcome.removed.push_back(target.record);
            RemoveAt(i);
            continue;
        }
        record.tllUpdated = false;
        record.ttmUpdated = false;
        if (record.current != wasCurrent)
            outcome.currentChanged.push_back(target.record);
    }
    return outcome;
}

void CARPATargetPass::EndLogRow(CTrackedTarget& target, Clock::time_point navigationUtc,
                                CARPAPassOutcome& outcome)
{
    if (target.logRow == 0)
        return;
    outcome.endedRows.emplace_back(target.logRow, target.record->LastReportTime(navigationUtc));
    target.logRow = 0;
}

void CARPATargetPass::CheckTargetAges(bool ownFixReal, Clock::time_point navigationUtc)
{
    m_ownFixReal = ownFixReal;
    for (auto& target : m_targets) {
        const auto t = target->record->LastReportTime(navigationUtc);
        target->record->current =
            m_ownFixReal &&
            Heard(t, navigationUtc) - target->lastReportTime <= m_options.targetDangerousInterval;
    }
}

void CARPATargetPass::ApplyOptions()
{
    for (auto& target : m_targets)
        UpdateWarningCircle(*target);
}

void CARPATargetPass::UpdateWarningCircle(CTrackedTarget& target)
{
    const bool inside = m_options.warningCircles && target.rangeNm &&
                        *target.rangeNm <= m_options.warningCircleRadiusNm;
    if (inside != target.inside)
        m_insideCount += inside ? 1 : -1;
    target.inside = inside;
}

CTrackedTarget* CARPATargetPass::Find(const CTargetRecord& record)
{
    for (auto& target : m_targets)
        if (target->record.get() == &record)
            return target.get();
    return nullptr;
}

bool CARPATargetPass::IsShown(const CTrackedTarget& target) const
{
    return target.displayOrder <= m_options.maxTargets;
}

void CARPATargetPass::Remove(const CTargetRecord& record)
{
    for (std::size_t i = 0; i < m_targets.size(); ++i) {
        if (m_targets[i]->record.get() == &record) {
            RemoveAt(i);
            return;
        }
    }
}

void CARPATargetPass::RemoveAt(std::size_t index)
{
    // Held until the end: the pass's list may be the object's last owner.
    const TargetPtr gone = m_targets[index];
    if (gone->inside)
        --m_insideCount;
    // Later targets move up one place in the display order.
    for (auto& target : m_targets)
        if (target->displayOrder > gone->displayOrder)
            --target->displayOrder;
    gone->record->live = false;
    // Its number is free again and the navigator's list lets it go.
    m_store.Remove(*gone);
    m_targets.erase(m_targets.begin() + static_cast<std::ptrdiff_t>(index));
}

void CARPATargetPass::Reset()
{
    while (!m_targets.empty())
        RemoveAt(m_targets.size() - 1);
    m_store.Reset();
}

}   // namespace targets

#pragma once
// The ARPA targets on the user-interface thread: the list the new-target queue
// feeds, and the timer pass that ages them (stale targets lose `current`, lost
// ones free their number, AutoDelete drops silent ones), lays down track-fix
// moments and counts targets inside the warning circle.
//
// Interface for the rest of the program (all calls on the user-interface thread):
// - `AdoptNewTargets`: the navigator's pass moves queued records into the list.
// - `Run`: the timer pass; its outcome names lost, removed and fixed targets.
// - `CheckTargetAges`: after each own-vessel update (real fix or dead reckoning).
// - `ApplyOptions`, `Remove`, `Reset`: options applied, Delete, Reset.
// The caller keeps each target's range from the own vessel up to date
// (`CTrackedTarget::rangeNm`); it comes from the drawn symbol.

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "chart/overlays/OverlayProperties.h"
#include "targets/ARPATargetStore.h"
#include "targets/TargetMotion.h"
#include "targets/TargetRecord.h"
#include "targets/TargetTrack.h"

namespace targets {

struct CARPAOptions {
    bool autoDelete = false;
    std::chrono::seconds autoDeleteTimeLimit{30 * 60};
    std::chrono::seconds targetDangerousInterval{60};
    bool warningCircles = true;
    double warningCircleRadiusNm = 0.1;
    int maxTargets = 5;
    // The display properties' "Position marker every" span between track
    // fixes, for targets without their own properties.
    std::chrono::seconds positionMarkerEvery{60};
};

struct CTrackedTarget {
    using Clock = std::chrono::system_clock;

    std::shared_ptr<CTargetRecord> record;
    Clock::time_point lastReportTime{};
    Clock::time_point lastFixTime{};   // the epoch while the track is empty
    bool inside = false;   // inside the warning circle
    int displayOrder = 0;   // 1 = first; drawn while at most MaxTargets
    std::optional<double> rangeNm;   // from the own vessel, set by the caller
    // Where the target is drawn and how it moves; kept when a report gives
    // no usable position, so the target stays put.
    std::optional<CTargetFix> fix;
    std::vector<CTargetTrackFix> track;   // oldest first
    // The target's own display properties: the module's when it joined the
    // list or the options were last applied, else what its Configuration
    // page set. Null: the module's.
    std::shared_ptr<chart::CTargetProperties> properties;
    // The target's row in the vessel log (0: none, or ended) and when it started (UTC).
    long logRow = 0;
    std::optional<Clock::time_point> captured;
};

struct CARPAPassOutcome {
    // Reported lost this pass (its number is free again); rows want the last report time.
    std::vector<std::shared_ptr<CTargetRecord>> lost;
    // Taken off the list this pass (AutoDelete); rows want the last report time.
    std::vector<std::shared_ptr<CTargetRecord>> removed;
    // Vessel-log rows to end (lost or dropped targets), with the last report time.
    std::vector<std::pair<long, CTrackedTarget::Clock::time_point>> endedRows;
    // Targets that get a track fix, with the fix time.
    std::vector<std::pair<std::shared_ptr<CTargetRecord>, CTrackedTarget::Clock::time_point>> fixes;
};

// The span between a target's track fixes: its own properties' "Position
// marker every" when it has them, else the options'.
std::chrono::seconds MarkerEvery(const CTrackedTarget& target, const CARPAOptions& options);

class CARPATargetPass {
public:
    using Clock = std::chrono::system_clock;

    explicit CARPATargetPass(CARPATargetStore& store);

    void SetOptions(const CARPAOptions& options) { m_options = options; }
    const CARPAOptions& Options() const { return m_options; }

    void AdoptNewTargets(Clock::time_point navigationUtc);
    CARPAPassOutcome Run(Clock::time_point navigationUtc);
    void CheckTargetAges(bool ownFixReal, Clock::time_point navigationUtc);
    // Re-reads every target's warning-circle state under the current options.
    void ApplyOptions();
    void Remove(const CTargetRecord& record);
    void Reset();

    const std::vector<CTrackedTarget>& Targets() const { return m_targets; }
    // For the owner's positions and tracks; the list itself is the pass's.
    std::vector<CTrackedTarget>& MutableTargets() { return m_targets; }
    CTrackedTarget* Find(const CTargetRecord& record);
    bool IsShown(const CTrackedTarget& target) const;
    int InsideCount() const { return m_insideCount; }
    bool OwnFixReal() const { return m_ownFixReal; }

private:
    void UpdateWarningCircle(CTrackedTarget& target);
    static void EndLogRow(CTrackedTarget& target, Clock::time_point navigationUtc,
                          CARPAPassOutcome& outcome);
    void RemoveAt(std::size_t index);

    CARPATargetStore& m_store;
    CARPAOptions m_options;
    std::vector<CTrackedTarget> m_targets;   // list order: oldest first
    int m_insideCount = 0;
    bool m_ownFixReal = true;
};

}   // namespace targets

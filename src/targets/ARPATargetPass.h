#pragma once
// The ARPA targets on the user-interface thread, in the order they joined the
// navigator's list, and the timer pass that ages them (stale targets lose
// `current`, lost ones free their number, AutoDelete drops silent ones), lays
// down track-fix moments and counts targets inside the warning circle.
//
// Interface for the rest of the program (all calls on the user-interface thread):
// - `Join`: a target has just joined the navigator's list.
// - `Run`: the timer pass; its outcome names lost, removed and fixed targets.
// - `CheckTargetAges`: after each own-vessel update (real fix or dead reckoning).
// - `ApplyOptions`, `Remove`, `Reset`: options applied, Delete, Reset.
// The caller keeps each target's range from the own vessel up to date
// (`CTrackedTarget::rangeNm`); it comes from the drawn symbol.

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "targets/ARPATargetStore.h"
#include "targets/TrackedTarget.h"

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

struct CARPAPassOutcome {
    // Reported lost this pass (its number is free again); rows want the last report time.
    std::vector<std::shared_ptr<CTargetRecord>> lost;
    // Taken off the list this pass (AutoDelete); rows want the last report time.
    std::vector<std::shared_ptr<CTargetRecord>> removed;
    // Vessel-log rows to end (lost or dropped targets), with the last report time.
    std::vector<std::pair<long, std::chrono::system_clock::time_point>> endedRows;
    // Targets whose list rows are written again: a report came, or the
    // target was reported lost. A silent target's row keeps its last texts.
    std::vector<std::shared_ptr<CTargetRecord>> rows;
    // Targets whose `current` flag changed this pass.
    std::vector<std::shared_ptr<CTargetRecord>> currentChanged;
    // Targets that get a track fix, with the fix time.
    std::vector<std::pair<std::shared_ptr<CTargetRecord>, std::chrono::system_clock::time_point>>
        fixes;
};

// The span between a target's track fixes: its own properties' "Position
// marker every" when it has them, else the options'.
std::chrono::seconds MarkerEvery(const CTrackedTarget& target, const CARPAOptions& options);

class CARPATargetPass {
public:
    using Clock = std::chrono::system_clock;
    using TargetPtr = std::shared_ptr<CTrackedTarget>;

    explicit CARPATargetPass(CARPATargetStore& store);

    void SetOptions(const CARPAOptions& options) { m_options = options; }
    const CARPAOptions& Options() const { return m_options; }

    void Join(std::shared_ptr<CTrackedTarget> target, Clock::time_point navigationUtc);
    CARPAPassOutcome Run(Clock::time_point navigationUtc);
    void CheckTargetAges(bool ownFixReal, Clock::time_point navigationUtc);
    // Re-reads every target's warning-circle state under the current options.
    void ApplyOptions();
    void Remove(const CTargetRecord& record);
    void Reset();

    // The targets themselves, oldest first (a view of the pass's list).
    CTargetsView<const CTrackedTarget> Targets() const
    {
        return CTargetsView<const CTrackedTarget>(m_targets);
    }
    // For the owner's positions and tracks; the list itself is the pass's.
    CTargetsView<CTrackedTarget> MutableTargets()
    {
        return CTargetsView<CTrackedTarget>(m_targets);
    }
    CTrackedTarget* Find(const CTargetRecord& record);
    bool IsShown(const CTrackedTarget& target) const;
    int InsideCount() const { return m_insideCount; }
    bool OwnFixReal() const { return m_ownFixReal; }
    // Sets the own-fix state alone, leaving the targets' states as they are.
    void SetOwnFixReal(bool real) { m_ownFixReal = real; }

private:
    void UpdateWarningCircle(CTrackedTarget& target);
    static void EndLogRow(CTrackedTarget& target, Clock::time_point navigationUtc,
                          CARPAPassOutcome& outcome);
    void RemoveAt(std::size_t index);

    CARPATargetStore& m_store;
    CARPAOptions m_options;
    std::vector<TargetPtr> m_targets;   // list order: oldest first
    int m_insideCount = 0;
    bool m_ownFixReal = true;
};

}   // namespace targets

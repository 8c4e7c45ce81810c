#pragma once
// Rules of the chart view's layers that the later subsystems' sources fill:
// which targets are drawn and at what size, and how the selected route's
// overlays renumber when a waypoint is inserted or deleted.

#include <cstdint>
#include <vector>

namespace chart {

// One vessel of the navigator's list as the target layer sees it. Reader
// threads write targets, so the layer draws from a copy taken under the
// targets' lock, never from the live overlays.
struct CTargetSnapshot {
    enum Source : int { kOwnVessel = 1, kArpa = 2, kTender = 4 };
    int source = 0;
    std::int16_t sequence = 0;   // ARPA target number
    bool drawFlag = true;   // the overlay's display properties
    bool flashing = false;   // a tender in its flashing state
    int size = 0;   // the overlay's symbol size now
};

// What the target layer needs: a snapshot, and the flashing sizes written back.
class CTargetSource {
public:
    virtual ~CTargetSource() = default;
    virtual std::vector<CTargetSnapshot> Snapshot() const = 0;
};

struct CTargetToDraw {
    std::size_t index = 0;   // into the snapshot
    int size = 0;   // the symbol size to draw it at
    bool operator==(const CTargetToDraw&) const = default;
};

// Tenders always; ARPA targets numbered up to MaxTargets; others never; none
// whose overlay is switched off. ARPA targets take the ARPA size, tenders the
// tender size, and a flashing tender alternates 2 and 0 from its last size.
std::vector<CTargetToDraw> SelectTargets(const std::vector<CTargetSnapshot>& targets,
                                         std::uint8_t maxTargets, int arpaSize, int tenderSize);

// The selected route's overlay numbers, in route order. Inserting waypoint
// `number` shifts every overlay at or above it up by one and puts the new
// one in its place; deleting it takes it out and shifts the ones above down.
// Numbers out of range change nothing and return false.
bool InsertWaypointNumber(std::vector<int>& numbers, int number);
bool DeleteWaypointNumber(std::vector<int>& numbers, int number);

}   // namespace chart

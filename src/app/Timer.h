#pragma once
// Allocator of window timer ids for the whole program: the main frame's
// periodic timer, the message bar's timer, spin controls and option pages each
// take an id here and give it back when they stop.

#include <cstdint>
#include <vector>

namespace app {

class CTimer {
public:
    // The lowest free id, counting from 1, now marked in use. When every id is
    // taken the table grows by one slot.
    int AllocateID();

    // Frees an id for reuse. An id that was never handed out, is already free,
    // or lies outside the table changes nothing: a double release must not let
    // two owners share one id later.
    void ReleaseID(int id);

private:
    std::vector<std::uint8_t> m_used;   // slot i stands for id i + 1; never shrinks
};

}   // namespace app

#pragma once
// A radar target's chart object: the entry the navigator lists for one target
// record, with what the user-interface thread keeps about it (where it is
// drawn, its track, its display order and properties, its vessel-log row).
// The sentence handlers make it when a number first reports; only the
// user-interface thread touches anything but its record.

#include <chrono>
#include <cstddef>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "chart/overlays/OverlayProperties.h"
#include "navigator/ChartVessel.h"
#include "targets/TargetMotion.h"
#include "targets/TargetRecord.h"
#include "targets/TargetTrack.h"

namespace targets {

struct CTrackedTarget final : navigator::CChartVTSVessel {
    CTrackedTarget() = default;
    explicit CTrackedTarget(std::shared_ptr<CTargetRecord> r) : record(std::move(r)) { }
    const navigator::CVessel& Vessel() const override { return *record; }

    std::shared_ptr<CTargetRecord> record;
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

// A list of shared target objects seen as the objects themselves (T is
// `CTrackedTarget` or `const CTrackedTarget`); valid while the list lives.
template <class T>
class CTargetsView {
public:
    using List = std::vector<std::shared_ptr<CTrackedTarget>>;

    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CTrackedTarget;
        using difference_type = std::ptrdiff_t;
        using pointer = T*;
        using reference = T&;

        iterator() = default;
        explicit iterator(typename List::const_iterator at) : m_at(at) { }
        T& operator*() const { return **m_at; }
        T* operator->() const { return m_at->get(); }
        iterator& operator++()
        {
            ++m_at;
            return *this;
        }
        iterator operator++(int)
        {
            iterator before = *this;
            ++m_at;
            return before;
        }
        bool operator==(const iterator&) const = default;

    private:
        typename List::const_iterator m_at{};
    };

    explicit CTargetsView(const List& list) : m_list(&list) { }
    iterator begin() const { return iterator(m_list->begin()); }
    iterator end() const { return iterator(m_list->end()); }
    std::size_t size() const { return m_list->size(); }
    bool empty() const { return m_list->empty(); }
    T& operator[](std::size_t i) const { return *(*m_list)[i]; }
    T& front() const { return *m_list->front(); }
    T& back() const { return *m_list->back(); }

private:
    const List* m_list;
};

}   // namespace targets

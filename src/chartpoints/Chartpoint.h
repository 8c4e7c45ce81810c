#pragma once
// CChartpoint: one named point on the chart as the program holds it: a
// position with its datum, name, ID, area, type, zone time (decimal text, "0"
// for none), three picture attachments and one video, and a memo. The
// chartpoint module keeps one as its current chartpoint, mirroring the
// table's current record; a route's waypoint derives from it.

#include "geo/Position.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace chartpoints {

class CChartpoint {
public:
    static constexpr int kAttachments = 4;   // slots 1-3 pictures, slot 4 a video
    static constexpr int kVideoSlot = 3;

    CChartpoint() { Clear(); }
    explicit CChartpoint(const geo::CPosition& position)
    {
        Clear();
        m_position = position;
    }
    virtual ~CChartpoint() = default;
    CChartpoint(const CChartpoint&) = default;
    CChartpoint& operator=(const CChartpoint&) = default;

    // Empties every text, sets the zone time to "0" and the position to 0, 0,
    // 0 in the default datum.
    virtual void Clear();
    // True when no text differs from a cleared record; the position is not
    // considered, and the zone time must be exactly "0".
    virtual bool IsEmpty() const;

    geo::CPosition m_position;
    std::string m_name;
    std::string m_id;
    std::string m_area;
    std::string m_type;
    std::string m_zoneTime;
    std::array<std::string, kAttachments> m_attachments;
    std::string m_memo;
};

// Zone times the chartpoints take: whole hours from -11 to +12.
inline constexpr int kMinZone = -11;
inline constexpr int kMaxZone = 12;

// The zone time text as a whole number of hours: decimal, or hexadecimal when
// it holds 'x'; blanks around it are allowed and an empty text is 0. None for
// text that is not a number or lies outside -11..+12.
std::optional<int> ParseZoneTime(std::string_view text);
// A stored zone as the record's text: the signed value in decimal.
std::string ZoneTimeText(int zone);

}   // namespace chartpoints

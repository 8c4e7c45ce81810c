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

// The lowest zone the table's ZONE field (three characters) holds.
inline constexpr int kMinStoredZone = -99;

// The zone time text as the table's signed 8-bit ZONE value: a whole number,
// decimal, or hexadecimal when it holds 'x' or 'X' (then 0x80 to 0xFF are
// the byte's negative values); blanks around it are allowed and an empty
// text is 0. None for text that is not wholly a number, and for a number the
// byte and the field's three characters cannot hold (below -99, above 127):
// storing only its low 8 bits would put another number in the table.
std::optional<int> ParseZoneTime(std::string_view text);
// A stored zone as the record's text: the signed value in decimal.
std::string ZoneTimeText(int zone);

}   // namespace chartpoints

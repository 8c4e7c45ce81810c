#include "chartpoints/Chartpoint.h"

#include "geo/DatumInfo.h"

#include <charconv>

namespace chartpoints {

void CChartpoint::Clear()
{
    m_position = geo::CPosition(0.0, 0.0, 0.0, geo::kNoDatumIndex);
    m_name.clear();
    m_id.clear();
    m_area.clear();
    m_type.clear();
    m_zoneTime = "0";
    for (std::string& a : m_attachments)
        a.clear();
    m_memo.clear();
}

bool CChartpoint::IsEmpty() const
{
    if (!m_name.empty() || !m_id.empty() || !m_area.empty() || !m_type.empty() ||
        m_zoneTime != "0" || !m_memo.empty())
        return false;
    for (const std::string& a : m_attachments)
        if (!a.empty())
            return false;
    return true;
}

std::optional<int> ParseZoneTime(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty())
        return 0;
    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const bool hex = text.find_first_of("xX") != std::string_view::npos;
    if (hex) {
        if (text.size() < 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
            return std::nullopt;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    long value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, hex ? 16 : 10);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    // The table keeps the low 8 bits: only a number they give back unchanged
    // is stored, or a hexadecimal byte.
    const auto kept = static_cast<std::int8_t>(static_cast<std::uint8_t>(value & 0xFF));
    if (value != kept && !(hex && value >= 0 && value <= 0xFF))
        return std::nullopt;
    if (kept < kMinStoredZone)
        return std::nullopt;
    return int(kept);
}

std::string ZoneTimeText(int zone)
{
    return std::to_string(zone);
}

}   // namespace chartpoints

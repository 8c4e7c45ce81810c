#include "engines/vector/ChartInfoBlock.h"

#include <algorithm>

namespace vengine {

std::uint16_t CChartInfoBlock::U16(std::size_t at) const
{
    return std::uint16_t(bytes[at] | bytes[at + 1] << 8);
}

std::int32_t CChartInfoBlock::I32(std::size_t at) const
{
    std::uint32_t v = std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
                      std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
    return std::int32_t(v);
}

std::string CChartInfoBlock::Text(std::size_t at, std::size_t width) const
{
    const auto* begin = bytes.data() + at;
    const auto* end = std::find(begin, begin + width, std::uint8_t(0));
    return std::string(begin, end);
}

void CChartInfoBlock::SetU16(std::size_t at, std::uint16_t value)
{
    bytes[at] = std::uint8_t(value);
    bytes[at + 1] = std::uint8_t(value >> 8);
}

void CChartInfoBlock::SetI32(std::size_t at, std::int32_t value)
{
    auto v = std::uint32_t(value);
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = std::uint8_t(v >> (8 * i));
}

void CChartInfoBlock::SetText(std::size_t at, std::size_t width, std::string_view text)
{
    std::fill(bytes.begin() + at, bytes.begin() + at + width, std::uint8_t(0));
    std::copy_n(text.begin(), std::min(width, text.size()), bytes.begin() + at);
}

}   // namespace vengine

#include "nmea/StationRecord.h"

namespace nmea {

std::string EncodeStationRecord(std::uint8_t type, std::string_view payload)
{
    const auto count = static_cast<std::uint32_t>(payload.size() + 1);
    std::string bytes;
    bytes.reserve(4 + count);
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((count >> shift) & 0xFF));
    bytes.push_back(static_cast<char>(type));
    bytes.append(payload);
    return bytes;
}

}   // namespace nmea

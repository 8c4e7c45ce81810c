#pragma once
// The record stations exchange over TCP: a 32-bit little-endian count N of
// the bytes that follow, the type byte, and N - 1 payload bytes; 500 bytes at
// most in all. The deframer trusts nothing it receives: a count below 1 or
// above 496, or a join or leave whose payload is not an address, ends the
// connection instead of being acted on.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nmea {

constexpr std::size_t kMaxRecord = 500;
constexpr std::size_t kMaxRecordCount = kMaxRecord - 4;   // N
constexpr std::size_t kMaxPayload = kMaxRecordCount - 1;   // 495

enum StationMessageType : std::uint8_t {
    kStationJoin = 0,
    kStationLeave = 1,
    kStationChartpoints = 2,
    kStationRoutes = 3,
    kStationRoutesOther = 4,
    kStationLogRow = 5,
    kStationSentence = 7,
    kStationTrackPoint = 12,
};

struct CStationMessage {
    std::uint8_t type = 0;
    std::string payload;   // bytes
    // The address of the station it came from (all zero when not known).
    std::array<std::uint8_t, 4> sender{};
};

// The bytes on the wire; the payload must not exceed kMaxPayload.
std::string EncodeStationRecord(std::uint8_t type, std::string_view payload);

class CStationDeframer {
public:
    enum class State { Ok, Broken };

    // Feeds received bytes; calls `onRecord(const CStationMessage&)` for each
    // whole record. After a violation it answers Broken and ignores the rest:
    // the caller drops the connection.
    template <class OnRecord>
    State Feed(std::span<const char> bytes, OnRecord&& onRecord)
    {
        if (m_state == State::Broken)
            return m_state;
        m_buffer.append(bytes.data(), bytes.size());
        std::size_t used = 0;
        while (m_buffer.size() - used >= 4) {
            const auto* p = reinterpret_cast<const unsigned char*>(m_buffer.data() + used);
            const std::uint32_t count =
                p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
            if (count < 1 || count > kMaxRecordCount) {
                m_state = State::Broken;
                break;
            }
            if (m_buffer.size() - used < 4 + count)
                break;
            m_message.type = static_cast<std::uint8_t>(p[4]);
            if ((m_message.type == kStationJoin || m_message.type == kStationLeave) && count != 5) {
                m_state = State::Broken;
                break;
            }
            m_message.payload.assign(m_buffer, used + 5, count - 1);
            used += 4 + count;
            onRecord(static_cast<const CStationMessage&>(m_message));
        }
        m_buffer.erase(0, used);
        return m_state;
    }

    std::size_t Pending() const { return m_buffer.size(); }

private:
    State m_state = State::Ok;
    std::string m_buffer;   // never above one record: the count is checked first
    CStationMessage m_message;
};

}   // namespace nmea

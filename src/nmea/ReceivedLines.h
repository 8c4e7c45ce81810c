#pragma once
// The sentences other stations relayed (station messages of type 7), waiting
// for the network port's reader: at most 500, the oldest dropped first. The
// navigator adds them as it dispatches station messages; the network port's
// reader waits here without spinning.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string>

namespace nmea {

class CReceivedLines {
public:
    static constexpr std::size_t kLimit = 500;

    void Add(std::string line);
    // The oldest line; waits for one until the stop is requested (then false).
    bool TakeOldest(std::stop_token stop, std::string& line);
    std::size_t Size() const;

private:
    mutable std::mutex m_lock;
    std::condition_variable_any m_added;
    std::deque<std::string> m_lines;   // newest at the head
};

}   // namespace nmea

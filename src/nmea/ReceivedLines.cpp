#include "nmea/ReceivedLines.h"

namespace nmea {

void CReceivedLines::Add(std::string line)
{
    {
        std::lock_guard lock(m_lock);
        m_lines.push_front(std::move(line));
        if (m_lines.size() > kLimit)
            m_lines.pop_back();
    }
    m_added.notify_all();
}

bool CReceivedLines::TakeOldest(std::stop_token stop, std::string& line)
{
    std::unique_lock lock(m_lock);
    m_added.wait(lock, stop, [&] { return !m_lines.empty(); });
    if (stop.stop_requested() || m_lines.empty())
        return false;
    line = std::move(m_lines.back());
    m_lines.pop_back();
    return true;
}

std::size_t CReceivedLines::Size() const
{
    std::lock_guard lock(m_lock);
    return m_lines.size();
}

}   // namespace nmea

#include "app/PostedMessageQueue.h"

namespace app {

void CPostedMessageQueue::SetWaker(Waker waker)
{
    std::lock_guard lock(m_mutex);
    m_waker = std::move(waker);
    if (!m_queue.empty()) {
        m_wakePending = false;   // whatever waker was asked before may be gone
        WakeLocked();
    }
}

bool CPostedMessageQueue::Post(const CPostedMessage& message)
{
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return false;
    m_queue.push_back(message);
    WakeLocked();
    return true;
}

void CPostedMessageQueue::WakeLocked()
{
    if (m_wakePending || !m_waker)
        return;
    m_wakePending = true;
    m_waker();
}

std::size_t CPostedMessageQueue::Drain(const Handler& handler)
{
    std::size_t batch = 0;
    {
        std::lock_guard lock(m_mutex);
        batch = m_queue.size();
        m_wakePending = false;   // a post from here on asks for the next drain
    }
    std::size_t delivered = 0;
    for (; delivered < batch; ++delivered) {
        CPostedMessage message;
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty())   // closed meanwhile
                break;
            message = m_queue.front();
            m_queue.pop_front();
        }
        try {
            handler(message);
        } catch (...) {
            std::lock_guard lock(m_mutex);
            if (!m_queue.empty())
                WakeLocked();
            throw;
        }
    }
    return delivered;
}

void CPostedMessageQueue::Close()
{
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_queue.clear();
    m_waker = nullptr;
}

std::size_t CPostedMessageQueue::Pending() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

}   // namespace app

#include "navigator/TrackWorker.h"

#include <algorithm>

namespace navigator {

CTrackWorker::~CTrackWorker()
{
    {
        std::lock_guard lock(m_lock);
        m_jobs.clear();
    }
    m_thread.request_stop();
    m_wake.notify_all();
    m_thread = {};
}

void CTrackWorker::Post(const void* owner, std::function<void()> job)
{
    {
        std::lock_guard lock(m_lock);
        if (std::any_of(m_jobs.begin(), m_jobs.end(),
                        [owner](const auto& waiting) { return waiting.first == owner; }))
            return;
        m_jobs.emplace_back(owner, std::move(job));
        if (!m_thread.joinable())
            m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
    }
    m_wake.notify_all();
}

void CTrackWorker::Forget(const void* owner)
{
    std::unique_lock lock(m_lock);
    std::erase_if(m_jobs, [owner](const auto& waiting) { return waiting.first == owner; });
    if (m_thread.get_id() == std::this_thread::get_id())
        return;
    m_ended.wait(lock, [&] { return m_running != owner; });
}

bool CTrackWorker::Started() const
{
    std::lock_guard lock(m_lock);
    return m_thread.joinable();
}

void CTrackWorker::Run(std::stop_token stop)
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_lock);
            if (!m_wake.wait(lock, stop, [this] { return !m_jobs.empty(); }))
                return;
            m_running = m_jobs.front().first;
            job = std::move(m_jobs.front().second);
            m_jobs.pop_front();
        }
        job();
        job = nullptr;   // what it holds goes before its owner may
        {
            std::lock_guard lock(m_lock);
            m_running = nullptr;
        }
        m_ended.notify_all();
    }
}

CTrackWorker& CTrackWorker::Reader()
{
    static CTrackWorker reader;
    return reader;
}

CTrackWorker& CTrackWorker::Painter()
{
    static CTrackWorker painter;
    return painter;
}

}   // namespace navigator

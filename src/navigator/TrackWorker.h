#pragma once
// The threads that serve the drawn tracks. A log holds a track for every
// vessel it has seen, and a radar in traffic adds a vessel for every target
// number, so a thread per track would grow without end. The tracks share one
// reader thread and one picture thread instead; a track posts a job that
// takes its newest request when it runs, so a track waits in the queue once
// however often it asks.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>

namespace navigator {

class CTrackWorker {
public:
    CTrackWorker() = default;
    // Lets the running job end, drops those waiting and ends the thread.
    ~CTrackWorker();
    CTrackWorker(const CTrackWorker&) = delete;
    CTrackWorker& operator=(const CTrackWorker&) = delete;

    // Queues `job` for `owner` unless a job of the owner's already waits;
    // the thread starts with the first job.
    void Post(const void* owner, std::function<void()> job);
    // Drops the owner's waiting job and waits until its running one has
    // ended: afterwards no job of the owner's runs. Not from a job.
    void Forget(const void* owner);
    // Whether the thread has been started (for tests).
    bool Started() const;

    // The process's two: one reads track windows, one draws pictures.
    static CTrackWorker& Reader();
    static CTrackWorker& Painter();

private:
    void Run(std::stop_token stop);

    mutable std::mutex m_lock;
    std::condition_variable_any m_wake;
    std::condition_variable m_ended;   // a job ended
    std::deque<std::pair<const void*, std::function<void()>>> m_jobs;
    const void* m_running = nullptr;
    std::jthread m_thread;   // last: stops before what it uses goes
};

}   // namespace navigator

#pragma once
// Replays a recorded file of NMEA lines as if they arrived on the ports: a
// worker thread reads the file line by line and hands every line to the
// receive devices, paced to 600 characters a second times a speed factor.
// The thread runs one priority step below the thread that starts it.
//
// The thread waits on a condition variable with its stop token, so a stop
// ends it within one line or one pacing wait; it is never killed. Each run
// has a generation number: the end-of-file notice carries it, and a notice
// from an earlier run cannot end a newer one.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "platform/Clock.h"

namespace navigator {

// The receive side of the ports: every device attached to an open receive
// side gets the line. Returns how many devices took it. Called on the
// replay thread.
class CReplayTarget {
public:
    virtual ~CReplayTarget() = default;
    virtual std::size_t DeliverLine(std::string_view line) = 0;
};

// Time for the pacing: the real one waits on a condition variable, a test's
// moves a fake clock.
class CReplayPacer {
public:
    using Time = std::chrono::steady_clock::time_point;
    virtual ~CReplayPacer() = default;
    virtual Time Now() const = 0;
    // Waits until the deadline; false when the stop came first.
    virtual bool WaitUntil(std::stop_token stop, Time deadline) = 0;
};

class CClockPacer final : public CReplayPacer {
public:
    explicit CClockPacer(const platform::CClock& clock) : m_clock(clock) { }
    Time Now() const override { return m_clock.Monotonic(); }
    bool WaitUntil(std::stop_token stop, Time deadline) override;

private:
    const platform::CClock& m_clock;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
};

struct CReplayProgress {
    bool running = false;
    double share = 0.0;   // of the file's bytes, 0..1
    std::string lastFixTime;   // "hh:mm:ss" of the newest position sentence
    std::uint64_t linesDelivered = 0;   // lines that reached at least one device
    std::uint64_t linesRead = 0;
};

enum class ReplayEnd { None, Finished, CannotOpen, NoDevice };

class CNmeaReplay {
public:
    static constexpr int kCharactersPerSecond = 600;
    static constexpr int kMinSpeed = 1;
    static constexpr int kMaxSpeed = 10;

    // finished(generation) runs on the replay thread when a run ends by
    // itself (end of file, or the file would not open): the owner posts it to
    // the user-interface thread. A stopped run does not call it.
    CNmeaReplay(CReplayTarget& target, CReplayPacer& pacer,
                std::function<void(std::uint64_t)> finished);
    ~CNmeaReplay();
    CNmeaReplay(const CNmeaReplay&) = delete;
    CNmeaReplay& operator=(const CNmeaReplay&) = delete;

    // Starts a run unless one is running; its generation, or none.
    std::optional<std::uint64_t> Start(const std::filesystem::path& file, int speedFactor);
    // Ends the running run and joins its thread; safe when none runs.
    void Stop();
    // The end notice of `generation`: true when it ended the current run
    // (the thread is joined); false for a stale one.
    bool OnFinished(std::uint64_t generation);

    bool IsRunning() const { return m_running.load(); }
    std::uint64_t Generation() const { return m_generation.load(); }
    CReplayProgress Progress() const;
    // How the last run ended, read after OnFinished.
    ReplayEnd LastEnd() const { return m_lastEnd.load(); }

private:
    void Run(std::stop_token stop, std::filesystem::path file, int speed, std::uint64_t generation);

    CReplayTarget& m_target;
    CReplayPacer& m_pacer;
    std::function<void(std::uint64_t)> m_finished;
    std::atomic<bool> m_running{false};
    std::atomic<std::uint64_t> m_generation{0};
    std::atomic<ReplayEnd> m_lastEnd{ReplayEnd::None};
    mutable std::mutex m_progressLock;
    CReplayProgress m_progress;
    std::jthread m_thread;
};

}   // namespace navigator

#pragma once
// Simulated tenders: a thread that moves each simulated channel's tender by
// dead reckoning and feeds the lines a real unit would send ("$PABX,0000,
// RMC", "DBT" and, with the panic button set, "MOVB") straight to the tender
// parser with the channel number. Each tender gets one window of the
// channel duration per round; within it the same position is repeated with
// a fresh time, paced to 600 characters a second like a 4800-baud line by
// timed waits. Positions carry 6 decimals of minutes (fewer only where a
// line would pass the 82 characters a unit may send); the RMC's time is
// whole seconds of UTC and its variation 0.0 E with mode "S".
//
// The user-interface thread sets a channel's values under the simulator's
// lock; a new start position is a request the thread takes at the start of
// that tender's next window, never lost when a window ends. Stop joins the
// thread within one pacing wait.

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "platform/Clock.h"
#include "targets/TenderTargetStore.h"

namespace targets {

inline constexpr int kSimulatedCharactersPerSecond = 600;

struct CTenderSimulation {
    bool simulate = false;
    bool manOverboard = false;
    CTargetPosition position;   // where the tender was at `since`
    std::chrono::system_clock::time_point since{};
    double course = 0.0;   // degrees true
    double speed = 0.0;   // knots
    double depth = 0.0;   // metres
};

// The lines of one moment: RMC at `utc` (time and date UTC), then DBT.
std::string SimulatedRmc(const CTargetPosition& at, double speed, double course,
                         std::chrono::system_clock::time_point utc);
std::string SimulatedDbt(double depth);
// Dead reckoning: `from` moved `seconds` at `speed` knots on `course`.
CTargetPosition DeadReckon(const CTargetPosition& from, double course, double speed,
                           double seconds);

class CTenderSimulator {
public:
    using Sink = std::function<void(int channel, std::string_view line)>;

    CTenderSimulator(const platform::CClock& clock, Sink sink);
    ~CTenderSimulator();
    CTenderSimulator(const CTenderSimulator&) = delete;
    CTenderSimulator& operator=(const CTenderSimulator&) = delete;

    // A channel's simulation. With `restart`, the tender starts again from
    // `values.position` at `values.since`; without, it goes on from where
    // its dead reckoning has brought it and only course, speed, depth and
    // the flags change.
    void SetChannel(int channel, const CTenderSimulation& values, bool restart);
    CTenderSimulation Channel(int channel) const;
    void SetWindow(std::chrono::milliseconds window);

    bool Start();
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }
    // How many simulation threads have been started.
    std::uint64_t ThreadsStarted() const { return m_threadsStarted; }
    bool AnySimulated() const;

    // Told on the simulation thread when it ends through a failure.
    std::function<void()> ended;
    std::uint64_t CharactersSent() const { return m_characters; }

private:
    void Run(std::stop_token stop);
    // Waits until `until` or a stop; false on a stop.
    bool WaitUntil(std::stop_token stop, std::chrono::steady_clock::time_point until);

    const platform::CClock& m_clock;
    Sink m_sink;
    mutable std::mutex m_lock;
    std::condition_variable_any m_wake;
    std::array<CTenderSimulation, kTenderChannels> m_channels{};
    std::array<bool, kTenderChannels> m_restart{};
    std::chrono::milliseconds m_window{3000};
    std::atomic<std::uint64_t> m_characters{0};
    std::uint64_t m_threadsStarted = 0;
    std::jthread m_thread;
};

}   // namespace targets

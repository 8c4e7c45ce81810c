#include "navigator/NmeaReplay.h"

#include <algorithm>
#include <fstream>

#include "app/FrameSettings.h"

namespace navigator {

bool CClockPacer::WaitUntil(std::stop_token stop, Time deadline)
{
    std::unique_lock lock(m_mutex);
    // The pacer's own clock is the machine's steady clock in the program.
    const auto wait = deadline - m_clock.Monotonic();
    if (wait > std::chrono::steady_clock::duration::zero())
        m_wake.wait_for(lock, stop, wait, [] { return false; });
    return !stop.stop_requested();
}

CNmeaReplay::CNmeaReplay(CReplayTarget& target, CReplayPacer& pacer,
                         std::function<void(std::uint64_t)> finished)
    : m_target(target), m_pacer(pacer), m_finished(std::move(finished))
{ }

CNmeaReplay::~CNmeaReplay()
{
    Stop();
}

std::optional<std::uint64_t> CNmeaReplay::Start(const std::filesystem::path& file, int speedFactor)
{
    if (m_running.load())
        return std::nullopt;
    if (m_thread.joinable())
        m_thread.join();   // a run that ended and whose notice has not come yet
    const int speed = std::clamp(speedFactor, kMinSpeed, kMaxSpeed);
    const std::uint64_t generation = m_generation.fetch_add(1) + 1;
    {
        std::lock_guard lock(m_progressLock);
        m_progress = CReplayProgress{};
        m_progress.running = true;
    }
    m_lastEnd = ReplayEnd::None;
    m_running = true;
    m_thread = std::jthread([this, file, speed, generation](std::stop_token stop) {
        // A step below the user-interface thread that starts it, so a fast
        // replay cannot starve the windows it feeds.
        app::LowerWorkerPriority();
        Run(stop, file, speed, generation);
    });
    return generation;
}

void CNmeaReplay::Stop()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
    m_running = false;
    std::lock_guard lock(m_progressLock);
    m_progress.running = false;
}

bool CNmeaReplay::OnFinished(std::uint64_t generation)
{
    if (generation != m_generation.load() || !m_running.load())
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_running = false;
    std::lock_guard lock(m_progressLock);
    m_progress.running = false;
    return true;
}

CReplayProgress CNmeaReplay::Progress() const
{
    std::lock_guard lock(m_progressLock);
    return m_progress;
}

namespace {

// "hh:mm:ss" from the time field of a position sentence (RMC and GGA carry it
// first, GLL fifth); empty for any other line.
std::string FixTimeOf(std::string_view line)
{
    if (line.size() < 7 || line[0] != '$')
        return {};
    const std::string_view id = line.substr(3, 3);
    int field = 0;
    if (id == "RMC" || id == "GGA")
        field = 1;
    else if (id == "GLL")
        field = 5;
    else
        return {};
    std::size_t pos = 0;
    for (int i = 0; i < field; ++i) {
        pos = line.find(',', pos);
        if (pos == std::string_view::npos)
            return {};
        ++pos;
    }
    const std::string_view t = line.substr(pos, 6);
    if (t.size() < 6 ||
        !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    return std::string(t.substr(0, 2)) + ":" + std::string(t.substr(2, 2)) + ":" +
           std::string(t.substr(4, 2));
}

}   // namespace

void CNmeaReplay::Run(std::stop_token stop, std::filesystem::path file, int speed,
                      std::uint64_t generation)
{
    std::ifstream in(file, std::ios::binary);
    ReplayEnd end = ReplayEnd::Finished;
    if (!in) {
        end = ReplayEnd::CannotOpen;
    } else {
        std::error_code ec;
        const auto size = std::filesystem::file_size(file, ec);
        const double total = ec || size == 0 ? 1.0 : static_cast<double>(size);
        const std::size_t perWindow =
            static_cast<std::size_t>(kCharactersPerSecond) * static_cast<std::size_t>(speed);
        std::uint64_t consumed = 0;
        std::uint64_t delivered = 0;
        CReplayPacer::Time windowStart = m_pacer.Now();
        std::size_t characters = 0;
        std::string line;
        while (!stop.stop_requested() && std::getline(in, line)) {
            consumed += line.size() + 1;
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
                line.pop_back();
            const bool reached = m_target.DeliverLine(line) > 0;
            delivered += reached ? 1 : 0;
            {
                std::lock_guard lock(m_progressLock);
                m_progress.share = std::min(1.0, static_cast<double>(consumed) / total);
                ++m_progress.linesRead;
                m_progress.linesDelivered = delivered;
                if (std::string t = FixTimeOf(line); !t.empty())
                    m_progress.lastFixTime = std::move(t);
            }
            characters += line.size();
            if (characters >= perWindow) {
                if (!m_pacer.WaitUntil(stop, windowStart + std::chrono::seconds(1)))
                    break;
                characters = 0;
                windowStart = m_pacer.Now();
            }
        }
        if (delivered == 0)
            end = ReplayEnd::NoDevice;
    }
    if (stop.stop_requested())
        return;
    m_lastEnd = end;
    if (m_finished)
        m_finished(generation);
}

}   // namespace navigator

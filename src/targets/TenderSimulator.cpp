#include "targets/TenderSimulator.h"

#include <cmath>
#include <ctime>

#include "app/FrameSettings.h"
#include "geo/NavMaths.h"
#include "platform/LocaleFreeNumbers.h"

namespace targets {

namespace {

// Whole degrees and minutes with `decimals` decimals: "4736.000000".
std::string DegreesMinutes(double degrees, int degreeDigits, int decimals)
{
    const double magnitude = std::fabs(degrees);
    double whole = std::floor(magnitude);
    double minutes = (magnitude - whole) * 60.0;
    // Rounded minutes of 60 carry into the degrees.
    const double scale = std::pow(10.0, decimals);
    if (std::round(minutes * scale) >= 60.0 * scale) {
        whole += 1.0;
        minutes = 0.0;
    }
    return platform::FormatC("%0*d%0*.*f", degreeDigits, static_cast<int>(whole), decimals + 3,
                             decimals, minutes);
}

// Up to 6 decimals, trailing zeros removed, one digit kept after the
// point: "6.0", "4.25".
std::string Trimmed(double value)
{
    std::string text = platform::FormatC("%.6f", value);
    while (text.size() > 2 && text.back() == '0' && text[text.size() - 2] != '.')
        text.pop_back();
    return text;
}

}   // namespace

std::string SimulatedRmc(const CTargetPosition& at, double speed, double course,
                         std::chrono::system_clock::time_point utc)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(utc);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    // Whole seconds of UTC; a variation of 0.0 E and mode "S", simulated.
    const std::string head =
        platform::FormatC("$PABX,0000,RMC,%02d%02d%02d.00,A,", tm.tm_hour, tm.tm_min, tm.tm_sec);
    const std::string tail =
        "," + Trimmed(speed) + "," + Trimmed(course) +
        platform::FormatC(",%02d%02d%02d,0.0,E,S", tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100);
    // Six decimals of minutes, fewer only where the line would otherwise
    // pass the 82 characters the tender parser takes.
    std::string line;
    for (int decimals = 6; decimals >= 3; --decimals) {
        line = head + DegreesMinutes(at.latitude, 2, decimals) + (at.latitude < 0 ? ",S," : ",N,") +
               DegreesMinutes(at.longitude, 3, decimals) + (at.longitude < 0 ? ",W" : ",E") + tail;
        if (line.size() <= kTenderLineMax)
            break;
    }
    return line;
}

std::string SimulatedDbt(double depth)
{
    return "$PABX,0000,DBT,,," + Trimmed(depth) + ",M,,";
}

CTargetPosition DeadReckon(const CTargetPosition& from, double course, double speed, double seconds)
{
    const double range = speed * seconds / 3600.0;
    CTargetPosition to = from;
    if (!geo::PositionFromRangeBearing(from.latitude, from.longitude, range, course, &to.latitude,
                                       &to.longitude))
        return from;
    to.longitude = geo::FoldLongitude(to.longitude);
    return to;
}

CTenderSimulator::CTenderSimulator(const platform::CClock& clock, Sink sink)
    : m_clock(clock), m_sink(std::move(sink))
{ }

CTenderSimulator::~CTenderSimulator()
{
    Stop();
}

void CTenderSimulator::SetChannel(int channel, const CTenderSimulation& values, bool restart)
{
    if (channel < 0 || channel >= kTenderChannels)
        return;
    {
        std::lock_guard lock(m_lock);
        CTenderSimulation& c = m_channels[std::size_t(channel)];
        const CTenderSimulation kept = c;
        c = values;
        if (!restart) {
            c.position = kept.position;
            c.since = kept.since;
        } else {
            m_restart[std::size_t(channel)] = true;
        }
    }
    m_wake.notify_all();
}

CTenderSimulation CTenderSimulator::Channel(int channel) const
{
    std::lock_guard lock(m_lock);
    return m_channels.at(std::size_t(channel));
}

void CTenderSimulator::SetWindow(std::chrono::milliseconds window)
{
    std::lock_guard lock(m_lock);
    m_window = window;
}

bool CTenderSimulator::AnySimulated() const
{
    std::lock_guard lock(m_lock);
    for (const CTenderSimulation& c : m_channels)
        if (c.simulate)
            return true;
    return false;
}

bool CTenderSimulator::Start()
{
    if (m_thread.joinable())
        return true;
    try {
        ++m_threadsStarted;
        m_thread = std::jthread([this](std::stop_token stop) {
            // One priority step below the thread that starts it.
            app::LowerWorkerPriority();
            try {
                Run(stop);
            } catch (...) {
                if (ended)
                    ended();
            }
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CTenderSimulator::Stop()
{
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    m_wake.notify_all();
    m_thread.join();
    m_thread = {};
}

bool CTenderSimulator::WaitUntil(std::stop_token stop, std::chrono::steady_clock::time_point until)
{
    std::unique_lock lock(m_lock);
    m_wake.wait_until(lock, stop, until, [] { return false; });
    return !stop.stop_requested();
}

void CTenderSimulator::Run(std::stop_token stop)
{
    using steady = std::chrono::steady_clock;
    while (!stop.stop_requested()) {
        bool any = false;
        for (int i = 0; i < kTenderChannels && !stop.stop_requested(); ++i) {
            CTenderSimulation c;
            std::chrono::milliseconds window;
            {
                std::lock_guard lock(m_lock);
                c = m_channels[std::size_t(i)];
                m_restart[std::size_t(i)] = false;
                window = m_window;
            }
            if (!c.simulate)
                continue;
            any = true;
            const auto t0 = m_clock.UtcNow();
            const double elapsed = std::floor(std::chrono::duration<double>(t0 - c.since).count());
            const CTargetPosition p =
                DeadReckon(c.position, c.course, c.speed, std::max(0.0, elapsed));
            // Each line waits its turn at 600 characters a second from the window's start.
            const auto start = steady::now();
            const auto end = start + window;
            std::uint64_t count = 0;
            // A window of exactly the duration repeats once more.
            while (!stop.stop_requested() && steady::now() <= end) {
                const std::string lines[] = {SimulatedRmc(p, c.speed, c.course, m_clock.UtcNow()),
                                             SimulatedDbt(c.depth),
                                             c.manOverboard ? "$PABX,0000,MOVB" : ""};
                for (const std::string& line : lines) {
                    if (line.empty())
                        continue;
                    if (m_sink)
                        m_sink(i, line);
                    count += line.size();
                    m_characters += line.size();
                    const auto due = start + std::chrono::microseconds(
                                                 count * 1000000 / kSimulatedCharactersPerSecond);
                    if (!WaitUntil(stop, due))
                        return;
                }
            }
            // The window's end position holds from t0, unless a new start was asked meanwhile.
            std::lock_guard lock(m_lock);
            if (!m_restart[std::size_t(i)]) {
                m_channels[std::size_t(i)].position = p;
                m_channels[std::size_t(i)].since = t0;
            }
        }
        if (!any) {
            // Nothing to simulate: sleep until a channel is set or a stop.
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, stop, [&] {
                for (const CTenderSimulation& c : m_channels)
                    if (c.simulate)
                        return true;
                return false;
            });
        }
    }
}

}   // namespace targets

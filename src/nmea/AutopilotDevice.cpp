#include "nmea/AutopilotDevice.h"

#include <algorithm>
#include <cmath>

namespace nmea {

namespace {
using Clock = std::chrono::steady_clock;
// While output is not allowed the thread looks again this often: the
// conditions belong to other modules, which do not wake it.
constexpr auto kRecheck = std::chrono::milliseconds(250);
}   // namespace

CAutopilotDevice::CAutopilotDevice(CPortDirectory& ports, const CInstrumentConfig& config,
                                   std::function<bool()> mayOutput)
    : CNMEADevice(ports), m_config(config), m_mayOutput(std::move(mayOutput))
{ }

CAutopilotDevice::~CAutopilotDevice()
{
    CloseAll();
}

bool CAutopilotDevice::BuildAPBSentence(const CApbFields& fields, bool addChecksum)
{
    CApbFields f = fields;
    {
        std::lock_guard lock(TransmitLock());
        const std::uint64_t composition = ++m_composed;
        auto hold = [composition](bool reported, std::uint64_t& since) {
            if (reported && since == 0)
                since = composition;
            return since != 0;
        };
        f.arrivalEntered = hold(f.arrivalEntered, m_arrivalSince);
        f.perpendicularPassed = hold(f.perpendicularPassed, m_perpendicularSince);
    }
    return BuildSentence(addChecksum, ComposeApb(f));
}

void CAutopilotDevice::SetOutputRate(double seconds)
{
    if (!std::isfinite(seconds))
        seconds = 2.0;
    seconds = std::clamp(seconds, kMinRateSeconds, kMaxRateSeconds);
    m_rateMicroseconds = static_cast<std::int64_t>(std::llround(seconds * 1e6));
    NotifyTransmitWorker();
}

double CAutopilotDevice::GetOutputRate() const
{
    return static_cast<double>(m_rateMicroseconds) / 1e6;
}

std::string CAutopilotDevice::CurrentSentence() const
{
    std::lock_guard lock(TransmitLock());
    return m_current;
}

void CAutopilotDevice::ForgetSentence()
{
    std::lock_guard lock(TransmitLock());
    m_current.clear();
    m_arrivalSince = m_perpendicularSince = 0;
}

bool CAutopilotDevice::QueueOutput(std::string line)
{
    {
        std::lock_guard lock(TransmitLock());
        m_current = std::move(line);
        m_currentComposition = m_composed;
    }
    return true;
}

bool CAutopilotDevice::StartTransmitThread()
{
    return RunTransmitWorker([this](std::stop_token stop) {
        std::optional<Clock::time_point> lastSend;   // none: the first sentence goes at once
        std::unique_lock lock(TransmitLock());
        while (!stop.stop_requested()) {
            const bool allowed =
                IsTransmitEnabled() && !m_current.empty() && (!m_mayOutput || m_mayOutput());
            const auto rate = std::chrono::microseconds(m_rateMicroseconds.load());
            const auto now = Clock::now();
            if (allowed && (!lastSend || now - *lastSend >= rate)) {
                lastSend = now;
                std::string line = m_current;
                // The reports this sentence carries have now gone out.
                for (std::uint64_t* since : {&m_arrivalSince, &m_perpendicularSince})
                    if (*since != 0 && *since <= m_currentComposition)
                        *since = 0;
                lock.unlock();
                PushTransmit(std::move(line));
                lock.lock();
                continue;
            }
            const auto until = allowed ? *lastSend + rate : now + kRecheck;
            TransmitWork().wait_until(lock, until);   // a stop, a new rate or flag wakes it early
        }
    });
}

}   // namespace nmea

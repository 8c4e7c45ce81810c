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
    auto line = [addChecksum](const CApbFields& f) {
        const std::string text = ComposeApb(f);
        return text + (addChecksum ? ChecksumSuffix(text) : std::string()) + "\r\n";
    };
    CApbFields f = fields;
    CApbFields plain = fields;
    plain.arrivalEntered = plain.perpendicularPassed = false;
    std::lock_guard lock(TransmitLock());
    if ((m_arrivalHeld || m_perpendicularHeld) && f.destination != m_heldFor) {
        // The current sentence carries the reports with their own waypoint.
        m_reports.push_back(m_current);
        m_arrivalHeld = m_perpendicularHeld = false;
    }
    if (f.arrivalEntered || f.perpendicularPassed)
        m_heldFor = f.destination;
    m_arrivalHeld = m_arrivalHeld || f.arrivalEntered;
    m_perpendicularHeld = m_perpendicularHeld || f.perpendicularPassed;
    f.arrivalEntered = m_arrivalHeld;
    f.perpendicularPassed = m_perpendicularHeld;
    m_current = line(f);
    m_plain = line(plain);
    return true;
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
    m_plain.clear();
    m_reports.clear();
    m_arrivalHeld = m_perpendicularHeld = false;
}

bool CAutopilotDevice::QueueOutput(std::string line)
{
    {
        std::lock_guard lock(TransmitLock());
        m_current = m_plain = std::move(line);
        m_arrivalHeld = m_perpendicularHeld = false;
    }
    return true;
}

bool CAutopilotDevice::StartTransmitThread()
{
    return RunTransmitWorker([this](std::stop_token stop) {
        try {
            Output(stop);
        } catch (...) {
            if (m_onFailure)
                m_onFailure();
            throw;   // the device base lets the transmit side go
        }
    });
}

void CAutopilotDevice::Output(std::stop_token stop)
{
    std::optional<Clock::time_point> lastSend;   // none: the first sentence goes at once
    std::unique_lock lock(TransmitLock());
    while (!stop.stop_requested()) {
        const bool allowed =
            IsTransmitEnabled() && !m_current.empty() && (!m_mayOutput || m_mayOutput());
        const auto rate = std::chrono::microseconds(m_rateMicroseconds.load());
        const auto now = Clock::now();
        if (allowed && (!lastSend || now - *lastSend >= rate)) {
            lastSend = now;
            std::string line;
            if (!m_reports.empty()) {
                line = std::move(m_reports.front());
                m_reports.pop_front();
            } else {
                // The reports this sentence carries have now gone out.
                line = m_current;
                m_current = m_plain;
                m_arrivalHeld = m_perpendicularHeld = false;
            }
            lock.unlock();
            PushTransmit(std::move(line));
            lock.lock();
            continue;
        }
        const auto until = allowed ? *lastSend + rate : now + kRecheck;
        TransmitWork().wait_until(lock, until);   // a stop, a new rate or flag wakes it early
    }
}

}   // namespace nmea

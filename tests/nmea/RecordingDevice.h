#pragma once
// A device for port tests: records every line its receive worker takes and
// sends whatever it is given, without filters unless told otherwise.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "nmea/NMEADevice.h"

namespace brine_test {

class RecordingDevice : public nmea::CNMEADevice {
public:
    RecordingDevice(nmea::CPortDirectory& ports, std::uint8_t receivePort,
                    std::uint8_t transmitPort, std::string name = "Recorder")
        : CNMEADevice(ports), m_receivePort(receivePort), m_transmitPort(transmitPort),
          m_name(std::move(name))
    { }
    ~RecordingDevice() override { CloseAll(); }

    std::string GetName() const override { return m_name; }
    std::uint8_t GetReceivePort() const override { return m_receivePort; }
    std::uint8_t GetTransmitPort() const override { return m_transmitPort; }
    bool SentenceFilter(std::string_view line) const override
    {
        return m_refused.empty() || line.find(m_refused) == std::string_view::npos;
    }

    void Refuse(std::string text) { m_refused = std::move(text); }
    bool failWorkerStart = false;

    // Waits until `count` lines were recorded; the lines so far.
    std::vector<std::string> WaitLines(std::size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_lock);
        m_changed.wait_for(lock, timeout, [&] { return m_lines.size() >= count; });
        return m_lines;
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard lock(m_lock);
        return m_lines;
    }
    bool Send(std::string line) { return QueueOutput(std::move(line)); }
    // The receive worker takes nothing from the time it starts until LetGo,
    // as a device falling behind.
    void Hold() { m_held = true; }
    void LetGo()
    {
        {
            std::lock_guard lock(m_lock);
            m_held = false;
        }
        m_changed.notify_all();
    }

protected:
    bool QueueOutput(std::string line) override
    {
        PushTransmit(std::move(line));
        return true;
    }
    bool StartTransmitThread() override
    {
        return !failWorkerStart && RunTransmitWorker([](std::stop_token) {});
    }
    bool StartReceiveThread() override
    {
        if (failWorkerStart)
            return false;
        return RunReceiveWorker([this](std::stop_token stop) {
            {
                std::unique_lock lock(m_lock);
                if (!m_changed.wait(lock, stop, [&] { return !m_held; }))
                    return;
            }
            std::string line;
            while (TakeReceived(stop, line)) {
                std::lock_guard lock(m_lock);
                m_lines.push_back(line);
                m_changed.notify_all();
            }
        });
    }

private:
    std::uint8_t m_receivePort;
    std::uint8_t m_transmitPort;
    std::string m_name;
    std::string m_refused;
    std::mutex m_lock;
    std::condition_variable_any m_changed;
    bool m_held = false;
    std::vector<std::string> m_lines;
};

}   // namespace brine_test

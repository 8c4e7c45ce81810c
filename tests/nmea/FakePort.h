#pragma once
// A port without a device behind it, counting what devices do to it, and a
// port directory over a few of them.

#include <map>
#include <memory>

#include "nmea/NMEADevice.h"
#include "nmea/Port.h"

namespace brine_test {

class FakePort : public nmea::CPort {
public:
    using CPort::CPort;
    bool opens = true;
    bool readerStarts = true;
    int openCalls = 0, closeCalls = 0;
    bool readerRunning = false, writerRunning = false;

    bool IsOpen() const override { return m_open; }
    bool Open() override
    {
        ++openCalls;
        m_open = opens;
        return opens;
    }
    bool Close() override
    {
        ++closeCalls;
        m_open = false;
        return true;
    }
    bool StartReader() override { return readerRunning = readerStarts; }
    bool StartWriter() override { return writerRunning = true; }
    void StopReceiveThread() override { readerRunning = false; }
    void StopTransmitThread() override { writerRunning = false; }
    // A reader thread's hand-over, driven by the test.
    void Receive(std::string_view line) { DeliverReceived(line); }
    // One writer pass; the lines sent.
    std::vector<std::string> ServeOnce()
    {
        std::vector<std::string> sent;
        ServeTransmitDevices([&](std::string_view line) {
            sent.emplace_back(line);
            return line.size();
        });
        return sent;
    }

private:
    bool m_open = false;
};

class FakePorts : public nmea::CPortDirectory {
public:
    FakePort& Add(std::uint8_t number)
    {
        auto& slot = m_ports[number];
        slot = std::make_unique<FakePort>(number);
        return *slot;
    }
    nmea::CPort* FindPort(std::uint8_t number) const override
    {
        const auto it = m_ports.find(number);
        return it == m_ports.end() ? nullptr : it->second.get();
    }
    std::uint8_t GetFirstPortNumber() const override
    {
        for (const auto& [number, port] : m_ports)
            if (number != nmea::CPort::kNetworkPort)
                return number;
        return 0;
    }

private:
    std::map<std::uint8_t, std::unique_ptr<FakePort>> m_ports;
};

}   // namespace brine_test

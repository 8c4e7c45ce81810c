#pragma once
// A serial port "COM1".."COM12" over the device path the port list gives it.
//
// Open means in use: the port keeps trying its device while devices are
// attached, so an adapter missing at start-up, unplugged at sea or held by
// another program leaves the port open but disconnected, with the reason
// kept for the message bar. The reader notices a vanished device at once
// (hang-up or I/O error) and tries the path again every second.
//
// Threads: the reader blocks in poll() on the device and a wake event; the
// writer waits for queued output on a condition variable. Nothing spins, and
// a stop reaches either thread at once, also in the middle of a write.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "nmea/Port.h"
#include "nmea/SentenceFramer.h"
#include "nmea/WakeEvent.h"

namespace nmea {

class CSerialDevice;

struct CComPortOptions {
    bool autoConfigure = true;   // the "AutoConfigurePorts" setting: 4800 8N1, no flow control
    std::chrono::milliseconds retryInterval{1000};
};

class CComPort : public CPort {
public:
    CComPort(std::uint8_t number, std::string devicePath, CComPortOptions options = {});
    ~CComPort() override;

    std::string GetDevicePath() const;
    // Another device for this port: the one in use is let go at once and,
    // while the port is open, the new one taken (its threads go on running).
    void SetDevicePath(std::string devicePath);
    // Whether the device is set to 4800 8N1 when it is next taken.
    void SetAutoConfigure(bool on);

    bool IsOpen() const override { return m_open; }
    // True for any port with a path: when the device cannot be held now the
    // port is open but disconnected, and keeps trying.
    bool Open() override;
    bool StartReader() override;
    bool StartWriter() override;
    bool Close() override;
    void StopReceiveThread() override;
    void StopTransmitThread() override;
    CPortCondition GetCondition() const override;

    // Writes one sentence within 10 ms a byte, then waits (in the same
    // budget) for the driver to send it. The bytes written; 0 when
    // disconnected. A stop request cuts the wait short.
    std::size_t WriteSentence(std::string_view text, std::stop_token stop = {});

private:
    void ReadLoop(std::stop_token stop);
    void WriteLoop(std::stop_token stop);
    std::shared_ptr<CSerialDevice> Device() const;
    // Tries the device when disconnected and the retry interval has passed.
    void TryConnect(bool now);
    void LoseConnection(const std::shared_ptr<CSerialDevice>& device, int error);
    void NoteConnection(const std::string& state);
    void SetCondition(bool connected, std::string reason);

    std::string m_path;   // under m_portLock
    const CComPortOptions m_options;
    bool m_autoConfigure;   // under m_portLock
    std::atomic<bool> m_open{false};

    mutable std::mutex m_portLock;   // the device pointer and the condition
    std::shared_ptr<CSerialDevice> m_device;   // threads hold a copy while they use it
    std::string m_reason;
    bool m_instrumentSeen = false;   // connected since the port opened
    std::chrono::steady_clock::time_point m_lastAttempt{};
    // The error m_reason describes and when: a busy device's holder is looked
    // up through every process's open files, too dear for each retry.
    int m_reasonError = 0;
    std::chrono::steady_clock::time_point m_reasonTime{};

    std::mutex m_threadLock;   // start and stop of the threads
    CWakeEvent m_readerWake;
    CWakeEvent m_writerWake;
    CSentenceFramer m_framer;   // the reader's own
    std::jthread m_reader;
    std::jthread m_writer;
};

}   // namespace nmea

#pragma once
// One open serial device: the descriptor, held exclusively (flock and
// TIOCEXCL), always in raw mode. Closing it gives the lock back.

#include <memory>
#include <string>

namespace nmea {

class CSerialDevice {
public:
    ~CSerialDevice();
    CSerialDevice(const CSerialDevice&) = delete;
    CSerialDevice& operator=(const CSerialDevice&) = delete;

    // Opens `path` read-write without making it the controlling terminal,
    // non-blocking, exclusive; sets raw mode and, with `autoConfigure`, 4800
    // baud 8N1 without flow control, DTR on and RTS off; then flushes both
    // directions. On failure `error` holds the errno of the failing step and
    // nothing stays open.
    static std::unique_ptr<CSerialDevice> Open(const std::string& path, bool autoConfigure,
                                               int& error);

    int Fd() const { return m_fd; }

private:
    explicit CSerialDevice(int fd) : m_fd(fd) { }
    int m_fd;
};

}   // namespace nmea

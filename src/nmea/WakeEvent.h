#pragma once
// An eventfd that a thread blocked in poll() watches beside its device, so
// a stop or a change of plan reaches it at once instead of at its time-out.

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace nmea {

class CWakeEvent {
public:
    CWakeEvent() : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) { }
    ~CWakeEvent()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CWakeEvent(const CWakeEvent&) = delete;
    CWakeEvent& operator=(const CWakeEvent&) = delete;

    int Fd() const { return m_fd; }
    bool IsValid() const { return m_fd >= 0; }
    void Signal()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);
    }
    void Clear()
    {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_fd, &count, sizeof count);
    }

private:
    int m_fd;
};

}   // namespace nmea

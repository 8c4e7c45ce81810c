#include "nmea/SerialDevice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace nmea {

namespace {

// Modem lines are missing on pseudo-terminals and some adapters: that is no
// reason to refuse the port.
bool SetModemLine(int fd, unsigned long request, int bit)
{
    if (::ioctl(fd, request, &bit) == 0)
        return true;
    return errno == ENOTTY || errno == EINVAL || errno == ENOTSUP;
}

bool Configure(int fd, bool autoConfigure)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    // Raw always: no echo, no line editing, no character translation. A
    // serial line is binary whatever else the driver keeps.
    tio.c_iflag &=
        ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag |= CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    // The line settings proper, written only when ports are configured here;
    // otherwise they stay as the driver (or the user's stty) has them,
    // software flow control included.
    if (autoConfigure) {
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        tio.c_cc[VSTART] = 17;
        tio.c_cc[VSTOP] = 19;
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL;
        if (::cfsetispeed(&tio, B4800) != 0 || ::cfsetospeed(&tio, B4800) != 0)
            return false;
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return false;
    if (autoConfigure &&
        (!SetModemLine(fd, TIOCMBIS, TIOCM_DTR) || !SetModemLine(fd, TIOCMBIC, TIOCM_RTS)))
        return false;
    return ::tcflush(fd, TCIOFLUSH) == 0;
}

}   // namespace

CSerialDevice::~CSerialDevice()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<CSerialDevice> CSerialDevice::Open(const std::string& path, bool autoConfigure,
                                                   int& error)
{
    error = 0;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::unique_ptr<CSerialDevice> device(new CSerialDevice(fd));
    // flock covers every holder that plays by the rules, TIOCEXCL the ones
    // that don't (a terminal program opening the device without a lock).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0 ||
        !Configure(fd, autoConfigure)) {
        error = errno;
        return nullptr;
    }
    return device;
}

}   // namespace nmea

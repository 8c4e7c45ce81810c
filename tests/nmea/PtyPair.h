#pragma once
// A pair of linked pseudo-terminals made by socat, standing in for a serial
// adapter and the instrument on its other end. The program's side is reached
// through a link named like a /dev/serial/by-id entry; the test talks to the
// peer link. Killing socat is an adapter pulled out; starting a new one on the
// same link is the adapter plugged back in.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace brine_test {

class PtyPair {
public:
    // `folder` must exist; the links are folder/name and folder/name.peer.
    PtyPair(const std::filesystem::path& folder, const std::string& name)
        : m_link(folder / name), m_peer(folder / (name + ".peer"))
    {
        Start();
    }
    ~PtyPair() { Kill(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::filesystem::path& Path() const { return m_link; }
    const std::filesystem::path& PeerPath() const { return m_peer; }
    bool Running() const { return m_pid > 0; }

    // Starts socat and waits (up to 5 s) for both links to appear.
    bool Start()
    {
        std::error_code ec;
        std::filesystem::remove(m_link, ec);
        std::filesystem::remove(m_peer, ec);
        const std::string a = "pty,raw,echo=0,link=" + m_link.string();
        const std::string b = "pty,raw,echo=0,link=" + m_peer.string();
        std::vector<char*> argv{const_cast<char*>("socat"), const_cast<char*>(a.c_str()),
                                const_cast<char*>(b.c_str()), nullptr};
        if (::posix_spawnp(&m_pid, "socat", nullptr, nullptr, argv.data(), environ) != 0) {
            m_pid = 0;
            return false;
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < until) {
            if (std::filesystem::exists(m_link) && std::filesystem::exists(m_peer))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // SIGKILL, then the links go as udev removes an unplugged adapter's
    // by-id link. (Left dangling, a link would point at a pty number that
    // the next pseudo-terminal on the machine reuses.)
    void Kill()
    {
        if (m_peerFd >= 0)
            ::close(m_peerFd);
        m_peerFd = -1;
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = 0;
        std::error_code ec;
        std::filesystem::remove(m_link, ec);
        std::filesystem::remove(m_peer, ec);
    }

    // The instrument's end, opened once and kept.
    int Peer()
    {
        if (m_peerFd < 0)
            m_peerFd = ::open(m_peer.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        return m_peerFd;
    }

    bool Send(std::string_view bytes)
    {
        const int fd = Peer();
        std::size_t done = 0;
        while (fd >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return fd >= 0;
    }

    // What the peer received within `timeout`, until `want` bytes came.
    std::string Receive(std::size_t want, std::chrono::milliseconds timeout)
    {
        const int fd = Peer();
        std::string got;
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (fd >= 0 && got.size() < want && std::chrono::steady_clock::now() < until) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    std::filesystem::path m_link;
    std::filesystem::path m_peer;
    pid_t m_pid = 0;
    int m_peerFd = -1;
};

}   // namespace brine_test

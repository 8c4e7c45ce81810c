#include "nmea/PeerFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace nmea {

namespace {

class CLockedFile {
public:
    CLockedFile(const std::filesystem::path& path, std::chrono::milliseconds timeout,
                std::string& error)
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            error = "The station list " + path.string() +
                    " cannot be opened: " + std::strerror(errno) + ".";
            return;
        }
        flock whole{};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;   // start 0, length 0: the whole file, however it grows
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (::fcntl(m_fd, F_OFD_SETLK, &whole) != 0) {
            if ((errno != EAGAIN && errno != EACCES && errno != EINTR) ||
                std::chrono::steady_clock::now() >= until) {
                error = "The station list " + path.string() + " stayed locked by another station.";
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~CLockedFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);   // gives the lock back
    }
    CLockedFile(const CLockedFile&) = delete;
    CLockedFile& operator=(const CLockedFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    bool ReadAll(std::string& bytes) const
    {
        bytes.clear();
        char buffer[4096];
        off_t offset = 0;
        for (;;) {
            const ssize_t n = ::pread(m_fd, buffer, sizeof buffer, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            bytes.append(buffer, static_cast<std::size_t>(n));
            offset += n;
        }
    }
    bool WriteAt(std::string_view bytes, off_t offset) const
    {
        while (!bytes.empty()) {
            const ssize_t n = ::pwrite(m_fd, bytes.data(), bytes.size(), offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
            offset += n;
        }
        return true;
    }

private:
    int m_fd = -1;
};

std::string WriteError(const std::filesystem::path& file)
{
    return "The station list " + file.string() + " cannot be written: " + std::strerror(errno) +
           ".";
}

}   // namespace

std::string FormatPeerRecord(const Ipv4& a)
{
    char text[20];
    std::snprintf(text, sizeof text, "%03u.%03u.%03u.%03u\n", a[0], a[1], a[2], a[3]);
    return text;
}

std::string Ipv4Text(const Ipv4& a)
{
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

std::optional<Ipv4> ParseIpv4(std::string_view text)
{
    Ipv4 address{};
    std::size_t part = 0;
    int value = -1;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value) * 10 + (c - '0');   // decimal even when zero-padded
            if (value > 255)
                return std::nullopt;
        } else if (c == '.' && value >= 0 && part < 3) {
            address[part++] = static_cast<std::uint8_t>(value);
            value = -1;
        } else {
            return std::nullopt;
        }
    }
    if (part != 3 || value < 0)
        return std::nullopt;
    address[3] = static_cast<std::uint8_t>(value);
    return address;
}

std::vector<Ipv4> ParsePeerFile(std::string_view bytes)
{
    std::vector<Ipv4> peers;
    for (std::size_t at = 0; at + kPeerRecordSize <= bytes.size(); at += kPeerRecordSize)
        if (const auto address = ParseIpv4(bytes.substr(at, kPeerRecordSize - 1)))
            peers.push_back(*address);
    return peers;
}

CPeerFileResult JoinPeerFile(const std::filesystem::path& file, const Ipv4& own,
                             std::chrono::milliseconds lockTimeout)
{
    CPeerFileResult result;
    CLockedFile locked(file, lockTimeout, result.error);
    if (!locked.IsOpen())
        return result;
    std::string bytes;
    if (!locked.ReadAll(bytes)) {
        result.error = WriteError(file);
        return result;
    }
    // Records of other stations are kept as they are, even ones this station
    // cannot read: they are not ours to drop.
    std::string others;
    bool stale = false;
    for (std::size_t at = 0; at + kPeerRecordSize <= bytes.size(); at += kPeerRecordSize) {
        const std::string_view record = std::string_view(bytes).substr(at, kPeerRecordSize);
        const std::optional<Ipv4> peer = ParseIpv4(record.substr(0, kPeerRecordSize - 1));
        if (peer == own) {
            stale = true;   // left behind by a crash of this station
            continue;
        }
        if (peer)
            result.others.push_back(*peer);
        others += record;
    }
    bool written = false;
    if (!stale && bytes.size() % kPeerRecordSize == 0) {
        written = locked.WriteAt(FormatPeerRecord(own), static_cast<off_t>(bytes.size()));
    } else {
        const std::string rewritten = others + FormatPeerRecord(own);
        written = locked.WriteAt(rewritten, 0) &&
                  ::ftruncate(locked.Fd(), static_cast<off_t>(rewritten.size())) == 0;
    }
    if (!written) {
        result.error = WriteError(file);
        return result;
    }
    result.ok = true;
    return result;
}

CPeerFileResult LeavePeerFile(const std::filesystem::path& file, const Ipv4& own,
                              std::chrono::milliseconds lockTimeout)
{
    CPeerFileResult result;
    CLockedFile locked(file, lockTimeout, result.error);
    if (!locked.IsOpen())
        return result;
    std::string bytes;
    if (!locked.ReadAll(bytes)) {
        result.error = WriteError(file);
        return result;
    }
    std::string kept;
    for (std::size_t at = 0; at + kPeerRecordSize <= bytes.size(); at += kPeerRecordSize) {
        const std::string_view record = std::string_view(bytes).substr(at, kPeerRecordSize);
        const std::optional<Ipv4> peer = ParseIpv4(record.substr(0, kPeerRecordSize - 1));
        if (peer == own)
            continue;
        if (peer)
            result.others.push_back(*peer);
        kept += record;
    }
    // Written first, cut second: a crash in between leaves a longer file, never an empty one.
    if (!locked.WriteAt(kept, 0) ||
        ::ftruncate(locked.Fd(), static_cast<off_t>(kept.size())) != 0) {
        result.error = WriteError(file);
        return result;
    }
    result.ok = true;
    return result;
}

}   // namespace nmea

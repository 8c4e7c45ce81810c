#include "navigator/TrackFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "platform/Files.h"

namespace navigator {

namespace fs = std::filesystem;

namespace {

// Records read per block when a range is read.
constexpr std::uint64_t kBlockRecords = 4096;

std::string ErrnoText(int error)
{
    return std::generic_category().message(error);
}

// Sleeps without spinning: the wait for another holder's lock.
void Pause(std::chrono::milliseconds ms)
{
    ::poll(nullptr, 0, static_cast<int>(ms.count()));
}

}   // namespace

CTrackFile::~CTrackFile()
{
    Close();
}

bool CTrackFile::Open(const fs::path& path, std::string* error)
{
    Close();
    std::error_code ec;
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), ec);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error)
            *error = "Unable to open Track File:\n\n" + path.string() + "\n" + ErrnoText(errno);
        return false;
    }
    m_fd = fd;
    m_path = path;
    return true;
}

void CTrackFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::uint64_t CTrackFile::RecordCount() const
{
    struct stat st { };
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return 0;
    return static_cast<std::uint64_t>(st.st_size) / kTrackRecordSize;
}

bool CTrackFile::LockWhole(bool write)
{
    // A lock on the open file description, whole file and beyond.
    struct flock fl { };
    fl.l_type = static_cast<short>(write ? F_WRLCK : F_RDLCK);
    fl.l_whence = SEEK_SET;
    const auto deadline = std::chrono::steady_clock::now() + m_lockWait;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        if (::fcntl(m_fd, F_OFD_SETLK, &fl) == 0)
            return true;
        if (errno != EAGAIN && errno != EACCES && errno != EINTR)
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        Pause(
            std::min(pause, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                                std::chrono::milliseconds(1)));
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

void CTrackFile::Unlock()
{
    struct flock fl { };
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    ::fcntl(m_fd, F_OFD_SETLK, &fl);
}

CTrackAppendResult CTrackFile::Append(const CTrackFix& fix)
{
    return Append(std::vector<CTrackFix>{fix});
}

CTrackAppendResult CTrackFile::Append(const std::vector<CTrackFix>& fixes)
{
    CTrackAppendResult result;
    if (m_fd < 0) {
        result.message = "The track file " + m_path.string() + " is not open.";
        return result;
    }
    if (fixes.empty()) {
        result.status = TrackAppendStatus::Written;
        return result;
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(fixes.size() * kTrackRecordSize);
    for (const CTrackFix& fix : fixes) {
        const TrackRecordBytes r = EncodeTrackRecord(fix);
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    if (!LockWhole(true)) {
        result.status = TrackAppendStatus::LockTimedOut;
        result.message = "The track file " + m_path.string() +
                         " stayed locked by another station; the point is kept for the next try.";
        return result;
    }
    struct stat st { };
    if (::fstat(m_fd, &st) != 0) {
        const int e = errno;
        Unlock();
        result.status = TrackAppendStatus::WriteFailed;
        result.message =
            "The track file " + m_path.string() + " could not be read: " + ErrnoText(e);
        return result;
    }
    const auto length = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t base = length / kTrackRecordSize * kTrackRecordSize;
    result.fragmentReplaced = base != length;
    std::size_t done = 0;
    int failure = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(base + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failure = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (failure == 0 && ::fdatasync(m_fd) != 0)
        failure = errno;
    if (failure != 0) {
        // Whatever part went in is taken out again: the file stays whole records.
        if (::ftruncate(m_fd, static_cast<off_t>(base)) == 0)
            ::fdatasync(m_fd);
        Unlock();
        result.status = TrackAppendStatus::WriteFailed;
        result.message = "The track point could not be written to " + m_path.string() + ": " +
                         ErrnoText(failure);
        return result;
    }
    Unlock();
    result.status = TrackAppendStatus::Written;
    return result;
}

bool CTrackFile::ReadBytes(std::uint64_t offset, unsigned char* to, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(m_fd, to + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
        m_bytesRead += static_cast<std::uint64_t>(n);
    }
    return true;
}

std::optional<CTrackFix> CTrackFile::Read(std::uint64_t index)
{
    if (m_fd < 0 || !LockWhole(false))
        return std::nullopt;
    TrackRecordBytes r{};
    const bool ok =
        index < RecordCount() && ReadBytes(index * kTrackRecordSize, r.data(), r.size());
    Unlock();
    CTrackFix fix;
    if (!ok || !DecodeTrackRecord(r.data(), fix))
        return std::nullopt;
    return fix;
}

std::optional<CTrackFix> CTrackFile::ReadLast()
{
    const std::uint64_t n = RecordCount();
    return n == 0 ? std::nullopt : Read(n - 1);
}

bool CTrackFile::ReadRange(std::uint64_t first, std::uint64_t count,
                           const std::function<void(std::uint64_t, const CTrackFix&)>& each)
{
    if (m_fd < 0)
        return false;
    std::vector<unsigned char> block;
    for (std::uint64_t at = first; at < first + count;) {
        const std::uint64_t take = std::min(kBlockRecords, first + count - at);
        block.resize(take * kTrackRecordSize);
        // One lock per block, so a writer never waits behind a long read.
        if (!LockWhole(false))
            return false;
        const bool ok = ReadBytes(at * kTrackRecordSize, block.data(), block.size());
        Unlock();
        if (!ok)
            return false;
        for (std::uint64_t i = 0; i < take; ++i) {
            CTrackFix fix;
            if (DecodeTrackRecord(&block[i * kTrackRecordSize], fix))
                each(at + i, fix);
        }
        at += take;
    }
    return true;
}

std::uint64_t CTrackFile::FindFirstAfter(std::chrono::sys_seconds cutoff)
{
    // As if times only grew; a record that cannot be read counts as old.
    std::uint64_t lo = 0, hi = RecordCount();
    while (lo < hi) {
        const std::uint64_t mid = lo + (hi - lo) / 2;
        const auto fix = Read(mid);
        if (fix && fix->utc > cutoff)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

std::uint64_t CTrackFile::FindWindowStart(std::chrono::seconds span)
{
    const auto last = ReadLast();
    if (!last || span <= std::chrono::seconds(0))
        return RecordCount();
    return FindFirstAfter(last->utc - span);
}

bool CTrackFile::ReadWindow(std::chrono::seconds span, CTrackReceiver& receiver)
{
    const std::uint64_t n = RecordCount();
    const auto last = ReadLast();
    const std::uint64_t start = FindWindowStart(span);
    receiver.Begin(start);
    if (!last || start >= n)
        return last.has_value() || n == 0;
    const auto cutoff = last->utc - span;
    return ReadRange(start, n - start, [&](std::uint64_t index, const CTrackFix& fix) {
        if (fix.utc <= cutoff)
            receiver.Begin(index + 1);
        else
            receiver.Add(index, fix);
    });
}

bool ReadLegacyTrack(const fs::path& path, const std::function<void(const CTrackFix&)>& each,
                     std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "Unable to open old Track file:\n\n" + path.string();
        return false;
    }
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    unsigned char head[4] = {};
    if (ec || size < 4 || !in.read(reinterpret_cast<char*>(head), 4))
        return true;   // nothing in it
    auto u32 = [](const unsigned char* p) {
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
               std::uint32_t{p[3]} << 24;
    };
    const auto stated = static_cast<std::int32_t>(u32(head));
    const std::uint64_t room = (size - 4) / 24;
    const std::uint64_t count =
        stated < 0 ? 0 : std::min<std::uint64_t>(std::uint64_t(stated), room);
    unsigned char entry[24];
    for (std::uint64_t i = 0; i < count; ++i) {
        if (!in.read(reinterpret_cast<char*>(entry), sizeof entry))
            break;
        CTrackFix fix;
        fix.latitude = static_cast<std::int32_t>(u32(entry)) * 1e-7;
        fix.longitude = static_cast<std::int32_t>(u32(entry + 4)) * 1e-7;
        fix.datum = static_cast<std::uint16_t>(u32(entry + 16) & 0xFFFF);
        fix.utc = std::chrono::sys_seconds{
            std::chrono::seconds{static_cast<std::int32_t>(u32(entry + 20))}};
        each(fix);
    }
    return true;
}

}   // namespace navigator

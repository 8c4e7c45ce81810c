#include "platform/Files.h"

#include "platform/Ascii.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <mutex>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace platform {
namespace {

bool Fail(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

std::string Describe(const char* what, const fs::path& path, const std::error_code& ec)
{
    return std::string(what) + " \"" + path.string() + "\": " + ec.message();
}

}   // namespace

std::optional<fs::path> FindNoCase(const fs::path& folder, std::string_view name)
{
    if (name.empty() || name.find('/') != std::string_view::npos)
        return std::nullopt;
    std::error_code ec;
    if (fs::symlink_status(folder / fs::path(name), ec).type() != fs::file_type::not_found && !ec)
        return folder / fs::path(name);

    std::optional<fs::path> best;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return std::nullopt;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        const std::string entry = it->path().filename().string();
        if (EqualNoCaseAscii(entry, name) && (!best || entry < best->filename().string()))
            best = it->path();
    }
    return best;
}

namespace {

// Copies one entry that is not a folder: a link as a link, anything else as
// a regular file's contents, replacing what the destination holds.
bool CopyEntry(const fs::path& from, const fs::file_status& status, const fs::path& to,
               std::string* error)
{
    std::error_code ec;
    if (fs::is_symlink(status)) {
        const fs::path target = fs::read_symlink(from, ec);
        std::error_code ignored;
        if (!ec && fs::is_symlink(fs::symlink_status(to, ignored)))
            fs::remove(to, ec);
        if (!ec)
            fs::create_symlink(target, to, ec);
    } else {
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    }
    return ec ? Fail(error, Describe("Cannot copy to", to, ec)) : true;
}

}   // namespace

bool CopyTree(const fs::path& from, const fs::path& to, std::string* error)
{
    std::error_code ec;
    const auto status = fs::symlink_status(from, ec);
    if (ec || !fs::exists(status))
        return Fail(error,
                    Describe("Cannot read", from,
                             ec ? ec : std::make_error_code(std::errc::no_such_file_or_directory)));
    if (!fs::is_directory(status))
        return CopyEntry(from, status, to, error);

    fs::create_directories(to, ec);
    if (ec)
        return Fail(error, Describe("Cannot create", to, ec));
    fs::recursive_directory_iterator it(from, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        const fs::path target = to / it->path().lexically_relative(from);
        const auto entryStatus = it->symlink_status(ec);
        if (ec)
            break;
        if (fs::is_directory(entryStatus)) {
            fs::create_directories(target, ec);
            if (ec)
                return Fail(error, Describe("Cannot create", target, ec));
        } else if (!CopyEntry(it->path(), entryStatus, target, error)) {
            return false;
        }
    }
    if (ec)
        return Fail(error, Describe("Cannot read", from, ec));
    return true;
}

bool MoveTree(const fs::path& from, const fs::path& to, std::string* error)
{
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec)
        return true;
    if (ec != std::errc::cross_device_link)
        return Fail(error, Describe("Cannot move to", to, ec));

    // Across file systems: copy, and only drop the source once the copy is whole.
    const bool existed = fs::exists(to, ec);
    if (!CopyTree(from, to, error)) {
        if (!existed)
            fs::remove_all(to, ec);
        return false;
    }
    return RemoveTree(from, error);
}

namespace {

std::mutex g_renameFaultLock;
RenameFaultHook g_renameFault;

}   // namespace

void SetRenameFaultHook(RenameFaultHook hook)
{
    std::lock_guard lock(g_renameFaultLock);
    g_renameFault = std::move(hook);
}

bool RenamePath(const fs::path& from, const fs::path& to, std::string* error)
{
    RenameFaultHook fault;
    {
        std::lock_guard lock(g_renameFaultLock);
        fault = g_renameFault;
    }
    std::error_code ec;
    if (const int injected = fault ? fault(from, to) : 0; injected != 0)
        ec = std::error_code(injected, std::generic_category());
    else
        fs::rename(from, to, ec);
    return ec ? Fail(error, Describe("Cannot move to", to, ec)) : true;
}

bool RemoveTree(const fs::path& path, std::string* error)
{
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        return Fail(error, Describe("Cannot remove", path, ec));
    return true;
}

// ---------------------------------------------------------------- descriptors

CFileDescriptor& CFileDescriptor::operator=(CFileDescriptor&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

CFileDescriptor::~CFileDescriptor()
{
    Close();
}

int CFileDescriptor::Release()
{
    return std::exchange(m_fd, -1);
}

void CFileDescriptor::Close()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

std::optional<TempFile> CreateTempFile(const fs::path& folder, std::string_view prefix,
                                       std::string* error)
{
    std::string pattern = (folder / fs::path(std::string(prefix) + "XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        Fail(error, Describe("Cannot create a temporary file in", folder,
                             std::error_code(errno, std::generic_category())));
        return std::nullopt;
    }
    return TempFile{fs::path(buffer.data()), CFileDescriptor(fd)};
}

// ---------------------------------------------------------------- atomic replace

bool SyncFolder(const fs::path& folder)
{
    CFileDescriptor fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.IsOpen() && ::fsync(fd.Get()) == 0;
}

namespace {

// An exclusive lock on the whole of an open file, held by its open file
// description: it goes when the last descriptor of that description closes,
// or when the process dies.
bool LockWholeFile(int fd, bool wait)
{
    struct flock fl { };
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    int rc;
    do {
        rc = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool IsTempSuffix(std::string_view rest)
{
    return rest.size() == 6 && std::all_of(rest.begin(), rest.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
           });
}

}   // namespace

std::optional<TempFile> CreateLockedTempFile(const fs::path& folder, std::string_view prefix,
                                             std::string* error)
{
    // Made again in the rare case that a sweep of leftovers took the new
    // file in the moment before it was locked.
    for (int attempt = 0; attempt < 5; ++attempt) {
        auto temp = CreateTempFile(folder, prefix, error);
        if (!temp)
            return std::nullopt;
        struct stat st { };
        if (LockWholeFile(temp->fd.Get(), true) && ::fstat(temp->fd.Get(), &st) == 0 &&
            st.st_nlink > 0)
            return temp;
        std::error_code ignored;
        fs::remove(temp->path, ignored);
    }
    Fail(error, "Cannot keep a temporary file in " + folder.string());
    return std::nullopt;
}

std::optional<CFileDescriptor> LockUnheldFile(const fs::path& path)
{
    CFileDescriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    struct stat opened { };
    struct stat named { };
    if (!fd.IsOpen() || !LockWholeFile(fd.Get(), false) || ::fstat(fd.Get(), &opened) != 0 ||
        opened.st_nlink == 0 || ::lstat(path.c_str(), &named) != 0 ||
        opened.st_ino != named.st_ino || opened.st_dev != named.st_dev || !S_ISREG(named.st_mode))
        return std::nullopt;
    return fd;
}

std::size_t RemoveLeftoverTempFiles(const fs::path& folder,
                                    const std::function<bool(std::string_view target)>& whose)
{
    static constexpr std::string_view kMark = ".tmp-";
    std::size_t removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::size_t mark = name.rfind(kMark);
        if (mark == std::string::npos || mark == 0 ||
            !IsTempSuffix(std::string_view(name).substr(mark + kMark.size())) ||
            !whose(std::string_view(name).substr(0, mark)))
            continue;
        // A write under way holds its temp file locked; one that was cut
        // short holds no lock, as its process is gone.
        const auto held = LockUnheldFile(it->path());
        if (!held)
            continue;
        if (::unlink(it->path().c_str()) == 0)
            ++removed;
    }
    return removed;
}

bool WriteFileAtomically(const fs::path& path, std::string_view bytes, std::string* error,
                         unsigned newFileMode)
{
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    auto temp = CreateLockedTempFile(folder, path.filename().string() + ".tmp-", error);
    if (!temp)
        return false;
    // Keeps the temp file's lock through the close below until the rename.
    const CFileDescriptor held(::dup(temp->fd.Get()));
    auto fail = [&](const char* what, const fs::path& subject) {
        const std::error_code code(errno, std::generic_category());
        Fail(error, Describe(what, subject, code));
        std::error_code ignored;
        fs::remove(temp->path, ignored);
        return false;
    };
    for (std::string_view rest = bytes; !rest.empty();) {
        const ssize_t n = ::write(temp->fd.Get(), rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail("Cannot write", temp->path);
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::fsync(temp->fd.Get()) != 0)
        return fail("Cannot flush", temp->path);
    struct stat old { };
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? old.st_mode & 07777 : newFileMode;
    ::fchmod(temp->fd.Get(), mode);
    if (::close(temp->fd.Release()) != 0)
        return fail("Cannot close", temp->path);
    if (::rename(temp->path.c_str(), path.c_str()) != 0)
        return fail("Cannot replace", path);
    SyncFolder(folder);
    return true;
}

// ---------------------------------------------------------------- range locks

namespace {

bool FillRange(struct flock& fl, std::uint64_t start, std::uint64_t length)
{
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    if (start > kMax || length > kMax || (length != 0 && start > kMax - length + 1))
        return false;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(start);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;   // must be zero for open-file-description locks
    return true;
}

}   // namespace

CFileRangeLock::CFileRangeLock(CFileRangeLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_start(other.m_start), m_length(other.m_length),
      m_errno(other.m_errno)
{ }

CFileRangeLock& CFileRangeLock::operator=(CFileRangeLock&& other) noexcept
{
    if (this != &other) {
        Unlock();
        m_fd = std::exchange(other.m_fd, -1);
        m_start = other.m_start;
        m_length = other.m_length;
        m_errno = other.m_errno;
    }
    return *this;
}

CFileRangeLock::~CFileRangeLock()
{
    Unlock();
}

bool CFileRangeLock::TryLock(int fd, std::uint64_t start, std::uint64_t length, LockKind kind)
{
    return Set(fd, start, length, kind, false);
}

bool CFileRangeLock::Lock(int fd, std::uint64_t start, std::uint64_t length, LockKind kind)
{
    return Set(fd, start, length, kind, true);
}

bool CFileRangeLock::Set(int fd, std::uint64_t start, std::uint64_t length, LockKind kind,
                         bool wait)
{
    Unlock();
    struct flock fl { };
    if (!FillRange(fl, start, length)) {
        m_errno = EINVAL;
        return false;
    }
    fl.l_type = kind == LockKind::Shared ? F_RDLCK : F_WRLCK;
    int rc;
    do {
        rc = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        // Both codes mean "held elsewhere"; callers test for one.
        m_errno = errno == EACCES ? EAGAIN : errno;
        return false;
    }
    m_errno = 0;
    m_fd = fd;
    m_start = start;
    m_length = length;
    return true;
}

bool CFileRangeLock::Unlock()
{
    if (m_fd < 0)
        return true;
    struct flock fl { };
    FillRange(fl, m_start, m_length);
    fl.l_type = F_UNLCK;
    const int rc = ::fcntl(std::exchange(m_fd, -1), F_OFD_SETLK, &fl);
    m_errno = rc == 0 ? 0 : errno;
    return rc == 0;
}

bool CFileRangeLock::WouldConflict(int fd, std::uint64_t start, std::uint64_t length, LockKind kind)
{
    struct flock fl { };
    if (!FillRange(fl, start, length))
        return false;
    fl.l_type = kind == LockKind::Shared ? F_RDLCK : F_WRLCK;
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0)
        return false;
    return fl.l_type != F_UNLCK;
}

// ---------------------------------------------------------------- space and memory

std::optional<DiskSpace> GetDiskSpace(const fs::path& anyPathOnVolume)
{
    struct statvfs st { };
    if (::statvfs(anyPathOnVolume.c_str(), &st) != 0)
        return std::nullopt;
    const auto unit = static_cast<std::uint64_t>(st.f_frsize ? st.f_frsize : st.f_bsize);
    return DiskSpace{static_cast<std::uint64_t>(st.f_blocks) * unit,
                     static_cast<std::uint64_t>(st.f_bavail) * unit};
}

std::optional<MemoryStatus> ParseMemInfo(std::string_view text)
{
    std::optional<std::uint64_t> total, available, swapTotal, swapFree, memFree, buffers, cached;
    bool bad = false;

    auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
            s.remove_suffix(1);
        return s;
    };
    // "    1234 kB" -> bytes; nothing for a malformed or overflowing figure.
    auto parseFigure = [&](std::string_view s) -> std::optional<std::uint64_t> {
        s = trim(s);
        std::uint64_t value = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        if (ec != std::errc() || end == s.data())
            return std::nullopt;
        const std::string_view unit = trim(std::string_view(end, s.data() + s.size() - end));
        std::uint64_t scale = 1;
        if (unit == "kB" || unit == "KB" || unit == "kb")
            scale = 1024;
        else if (!unit.empty())
            return std::nullopt;
        if (value > std::numeric_limits<std::uint64_t>::max() / scale)
            return std::nullopt;
        return value * scale;
    };

    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = trim(line.substr(0, colon));
        std::optional<std::uint64_t>* slot = nullptr;
        if (name == "MemTotal")
            slot = &total;
        else if (name == "MemAvailable")
            slot = &available;
        else if (name == "SwapTotal")
            slot = &swapTotal;
        else if (name == "SwapFree")
            slot = &swapFree;
        else if (name == "MemFree")
            slot = &memFree;
        else if (name == "Buffers")
            slot = &buffers;
        else if (name == "Cached")
            slot = &cached;
        if (!slot)
            continue;
        *slot = parseFigure(line.substr(colon + 1));
        if (!*slot)
            bad = true;
    }
    if (bad || !total)
        return std::nullopt;

    MemoryStatus status;
    status.totalPhysBytes = *total;
    if (available) {
        status.availPhysBytes = *available;
    } else {
        const std::uint64_t estimate =
            memFree.value_or(0) + buffers.value_or(0) + cached.value_or(0);
        status.availPhysBytes = std::min(estimate, *total);
    }
    status.totalSwapBytes = swapTotal.value_or(0);
    status.freeSwapBytes = std::min(swapFree.value_or(0), status.totalSwapBytes);
    return status;
}

std::optional<MemoryStatus> ReadMemoryStatus()
{
    std::ifstream in("/proc/meminfo");
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return ParseMemInfo(text.str());
}

fs::path ExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

}   // namespace platform

#pragma once
// File-system services the system leans on: names looked up without case,
// whole folder trees copied, moved and removed, temporary files, byte-range
// locks shared between processes and stations, and the free space and memory
// figures the program checks before large jobs.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// ---------------------------------------------------------------- names

// The entry of `folder` whose name equals `name` without regard to case
// (ASCII letters only, as stored chart and table names are). An exact match
// wins over a case-folded one; among several case-folded matches the first in
// name order is taken so the answer does not depend on directory order.
std::optional<std::filesystem::path> FindNoCase(const std::filesystem::path& folder,
                                                std::string_view name);

// ---------------------------------------------------------------- trees
// Each returns false and fills `error` (when given) on failure.

// Copies file or folder `from` to `to` (recursively), overwriting files of the
// same name in an existing destination. Symbolic links are copied as links.
bool CopyTree(const std::filesystem::path& from, const std::filesystem::path& to,
              std::string* error = nullptr);

// Moves `from` to `to`: a rename where both lie on one file system, otherwise
// a copy followed by removal of the source once the copy is whole.
bool MoveTree(const std::filesystem::path& from, const std::filesystem::path& to,
              std::string* error = nullptr);

// Renames `from` to `to` within one file system, replacing a file `to`.
bool RenamePath(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string* error = nullptr);

// A failure put into RenamePath so that tests can run their callers' recovery:
// while a hook is set it is asked before each rename, and a non-zero errno it
// returns fails that rename with that error, leaving the disk as it was. An
// empty hook (the default) puts nothing in. The program never sets one.
using RenameFaultHook =
    std::function<int(const std::filesystem::path& from, const std::filesystem::path& to)>;
void SetRenameFaultHook(RenameFaultHook hook);

// Removes a file or a folder with all it holds. Removing something that is
// already absent succeeds.
bool RemoveTree(const std::filesystem::path& path, std::string* error = nullptr);

// ---------------------------------------------------------------- descriptors

// Owns one file descriptor and closes it when destroyed.
class CFileDescriptor {
public:
    CFileDescriptor() = default;
    explicit CFileDescriptor(int fd) : m_fd(fd) { }
    CFileDescriptor(CFileDescriptor&& other) noexcept : m_fd(other.Release()) { }
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept;
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    ~CFileDescriptor();

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release();
    void Close();

private:
    int m_fd = -1;
};

// ---------------------------------------------------------------- temp files

struct TempFile {
    std::filesystem::path path;
    CFileDescriptor fd;   // open for reading and writing
};

// Creates a new, empty file in `folder` named `prefix` followed by six
// random characters; nothing else can have created the same name.
std::optional<TempFile> CreateTempFile(const std::filesystem::path& folder, std::string_view prefix,
                                       std::string* error = nullptr);

// As CreateTempFile, with the new file locked (exclusive, whole file) through
// its open file description: the lock lasts while the descriptor, or a dup
// of it, stays open, and goes when the process dies. A writer that puts its
// temp file in place by renaming it holds it so, and RemoveLeftoverTempFiles
// below leaves it alone.
std::optional<TempFile> CreateLockedTempFile(const std::filesystem::path& folder,
                                             std::string_view prefix, std::string* error = nullptr);

// Opens the file at `path` and locks it whole (exclusive, through its open
// file description) when no other open file holds a lock on it: its writer
// or owner is gone. The lock lasts while the returned descriptor stays open.
// None when it is held, is no regular file (a link is not followed), or the
// name no longer names the file opened.
std::optional<CFileDescriptor> LockUnheldFile(const std::filesystem::path& path);

// ---------------------------------------------------------------- atomic replace

// Flushes a folder's entries to disk, so a rename or a new name in it
// survives a power cut. False when the folder cannot be opened or flushed.
bool SyncFolder(const std::filesystem::path& folder);

// Replaces `path` with `bytes` so that a crash or power cut at any moment
// leaves either the old file or the new one, whole: a temp file
// "<name>.tmp-XXXXXX" in the same folder is written, flushed, given the
// replaced file's permissions (a new file gets `newFileMode`), renamed over
// `path`, and the folder is flushed. A file that is a symbolic link is
// replaced by a plain file; resolve it first to write where it points.
// The temp file stays locked while the write goes on, so a sweep of
// leftovers (below) never takes one that is being written.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* error = nullptr, unsigned newFileMode = 0600);

// Removes the temp files "<target>.tmp-XXXXXX" in `folder` that an atomic
// write left behind when it was cut short (the program killed mid-write),
// for the targets `whose` accepts; a temp file whose write is still going
// on, in this process or another, is left. Only names of that pattern are
// ever touched. Returns how many were removed.
std::size_t RemoveLeftoverTempFiles(const std::filesystem::path& folder,
                                    const std::function<bool(std::string_view target)>& whose);

// ---------------------------------------------------------------- range locks

enum class LockKind { Shared, Exclusive };

// A byte-range lock held by an open file description, not by the process:
// another open() of the same file, in this process or another, or on another
// station sharing the file, sees it and is refused a conflicting range; and
// closing some other descriptor of the file does not drop it (a process-owned
// fcntl lock would be lost then). The caller owns the descriptor and must keep
// it open while the lock is held; the lock is released by Unlock(), by the
// destructor, or when the last descriptor of that open file is closed.
//
// Locks taken through the same open file description merge with each other,
// as the kernel does for them; use separate open() calls for separate owners.
class CFileRangeLock {
public:
    CFileRangeLock() = default;
    CFileRangeLock(CFileRangeLock&& other) noexcept;
    CFileRangeLock& operator=(CFileRangeLock&& other) noexcept;
    CFileRangeLock(const CFileRangeLock&) = delete;
    CFileRangeLock& operator=(const CFileRangeLock&) = delete;
    ~CFileRangeLock();

    // Tries once; false when a conflicting lock is held elsewhere (LastErrno()
    // is EAGAIN then) or the call failed. A length of 0 reaches to the end of
    // the file however far it grows. Any lock this object held is released first.
    bool TryLock(int fd, std::uint64_t start, std::uint64_t length, LockKind kind);
    // Waits until the range can be locked.
    bool Lock(int fd, std::uint64_t start, std::uint64_t length, LockKind kind);
    bool Unlock();

    bool Held() const { return m_fd >= 0; }
    int LastErrno() const { return m_errno; }

    // Whether a lock of `kind` on the range would conflict with one held
    // through another open file description.
    static bool WouldConflict(int fd, std::uint64_t start, std::uint64_t length, LockKind kind);

private:
    bool Set(int fd, std::uint64_t start, std::uint64_t length, LockKind kind, bool wait);

    int m_fd = -1;
    std::uint64_t m_start = 0;
    std::uint64_t m_length = 0;
    int m_errno = 0;
};

// ---------------------------------------------------------------- space and memory

struct DiskSpace {
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;   // what an ordinary user may still write
};

std::optional<DiskSpace> GetDiskSpace(const std::filesystem::path& anyPathOnVolume);

struct MemoryStatus {
    std::uint64_t totalPhysBytes = 0;   // MemTotal
    std::uint64_t availPhysBytes = 0;   // MemAvailable
    std::uint64_t totalSwapBytes = 0;   // SwapTotal
    std::uint64_t freeSwapBytes = 0;   // SwapFree
    // What a new allocation can still get: available memory plus free swap.
    std::uint64_t AvailableBytes() const { return availPhysBytes + freeSwapBytes; }
};

// Parses the text of /proc/meminfo. Missing MemAvailable (kernels before
// 3.14) is estimated as MemFree + Buffers + Cached. Absent MemTotal, or a
// figure that is not a number, gives nothing.
std::optional<MemoryStatus> ParseMemInfo(std::string_view text);
std::optional<MemoryStatus> ReadMemoryStatus();

// ---------------------------------------------------------------- program

// The folder holding the running program (from /proc/self/exe); empty when
// it cannot be read.
std::filesystem::path ExecutableFolder();

}   // namespace platform

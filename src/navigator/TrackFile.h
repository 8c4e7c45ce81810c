#pragma once
// A track file (".trc"): the store of one vessel's recorded track, read and
// appended by every station that shares the log folder.
//
// Linux range locks are advisory, so every writer and reader here takes one:
// an append holds a write lock on the whole file (length 0 reaches past the
// end, where the new record goes) for one pwrite, an fdatasync and the
// unlock; a read holds a read lock. Waits are bounded, so a station that
// holds the lock can delay the user-interface thread only briefly; the
// caller keeps what was not written and tries again later.
//
// An append goes to the last whole record (floor(length / 85) x 85): a torn
// fragment left by a crash is overwritten, never shifted behind, and a
// write that fails is cut back, so the file stays whole records.
//
// The file is the store and may hold years of fixes a second; nothing here
// walks it. The window of a display limit is found by bisecting record
// times, then read in large blocks.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "navigator/TrackRecord.h"

namespace navigator {

enum class TrackAppendStatus {
    Written,
    NotOpen,
    LockTimedOut,   // another holder kept the lock for the whole wait
    WriteFailed,   // nothing of the records stays in the file
};

struct CTrackAppendResult {
    TrackAppendStatus status = TrackAppendStatus::NotOpen;
    // The file ended in a fragment of a record, which this append replaced.
    bool fragmentReplaced = false;
    std::string message;
    bool Written() const { return status == TrackAppendStatus::Written; }
};

// Receives the records of a window in file order. Begin comes first and
// again whenever the window is found to start later than what was given so
// far (a clock stepped back within it): the receiver then drops what it has.
class CTrackReceiver {
public:
    virtual ~CTrackReceiver() = default;
    virtual void Begin(std::uint64_t firstIndex) = 0;
    virtual void Add(std::uint64_t index, const CTrackFix& fix) = 0;
};

class CTrackFile {
public:
    static constexpr std::chrono::milliseconds kDefaultLockWait{300};

    CTrackFile() = default;
    ~CTrackFile();
    CTrackFile(const CTrackFile&) = delete;
    CTrackFile& operator=(const CTrackFile&) = delete;

    // Opens for reading and writing, created when missing (with its folder)
    // and never truncated. False with the reason in `error`.
    bool Open(const std::filesystem::path& path, std::string* error = nullptr);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::filesystem::path& Path() const { return m_path; }
    void SetLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }

    // Whole records in the file now (a trailing fragment does not count).
    std::uint64_t RecordCount() const;

    // Appends one record, or several in one lock, write and flush.
    CTrackAppendResult Append(const CTrackFix& fix);
    CTrackAppendResult Append(const std::vector<CTrackFix>& fixes);

    // Record `index` (from 0). A record whose time cannot be read gives none.
    std::optional<CTrackFix> Read(std::uint64_t index);
    std::optional<CTrackFix> ReadLast();
    // Records [first, first + count) in large reads; records whose time
    // cannot be read are skipped. False when the lock or a read failed.
    bool ReadRange(std::uint64_t first, std::uint64_t count,
                   const std::function<void(std::uint64_t, const CTrackFix&)>& each);

    // The first record newer than `cutoff`, by bisecting the record times
    // (exact while they never step back); RecordCount() when there is none.
    std::uint64_t FindFirstAfter(std::chrono::sys_seconds cutoff);
    // The first record of the display window: the fixes back from the
    // newest while each is newer than `span` before it (a span of 0 gives
    // an empty window: RecordCount()). A bisection over the record times,
    // exact when they never step back; ReadWindow corrects it for a step.
    std::uint64_t FindWindowStart(std::chrono::seconds span);
    // Reads the window to `receiver`. A record within it no newer than the
    // limit (the clock stepped back) starts the window again after it, so
    // the result is the newest unbroken run within the span.
    bool ReadWindow(std::chrono::seconds span, CTrackReceiver& receiver);

    // Bytes this object has read from the file (for the scale checks).
    std::uint64_t BytesRead() const { return m_bytesRead; }

private:
    bool LockWhole(bool write);
    void Unlock();
    bool ReadBytes(std::uint64_t offset, unsigned char* to, std::size_t size);

    std::filesystem::path m_path;
    int m_fd = -1;
    std::chrono::milliseconds m_lockWait = kDefaultLockWait;
    std::uint64_t m_bytesRead = 0;
};

// Reads an older track archive: a 32-bit count, then per fix a latitude and
// longitude in 1e-7 degree, 8 bytes not used, a datum and a time in seconds
// since 1970 UTC (each 32-bit, little-endian). The count is not trusted: no
// more fixes are read than the file can hold, and reading stops at its end.
// False (with the reason) when the file cannot be opened.
bool ReadLegacyTrack(const std::filesystem::path& path,
                     const std::function<void(const CTrackFix&)>& each,
                     std::string* error = nullptr);

}   // namespace navigator

// CDbaseTable: the current record, appends, memos, flushing, pack and zap.
#include "engines/dbase/DbaseTable.h"

#include "engines/dbase/KeyExpression.h"
#include "engines/dbase/TableFiles.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <endian.h>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace dbase {

// ------------------------------------------------------------------ records

bool CDbaseTable::Deleted() const
{
    return !m_record.empty() && m_record[0] == '*';
}

int32_t CDbaseTable::RecordCount()
{
    Refresh();
    return m_recCount;
}

int CDbaseTable::LoadRecord(int32_t recNo)
{
    const char* rec = RecordAt(recNo);
    if (!rec)
        return Fail(kErrRead, 31);
    std::memcpy(m_record.data(), rec, m_recordLength);
    std::fill(m_pendingMemo.begin(), m_pendingMemo.end(), std::nullopt);
    m_changed = false;
    m_appending = false;
    m_recNo = recNo;
    m_eof = m_bof = false;
    return 0;
}

namespace {

// A memo field's block number; 0 (no memo) for anything that is not one.
uint32_t BlockNumber(std::string_view text)
{
    const double d = ParseNumber(text);
    return d >= 1 && d < 4294967295.0 ? uint32_t(d) : 0;
}

}   // namespace

std::string CDbaseTable::ReadMemo(std::string_view blockText) const
{
    const uint32_t block = BlockNumber(blockText);
    return ReadMemoText(m_memoFd, m_memoBlockSize, block);
}

int CDbaseTable::WriteMemo(const std::string& text, std::string_view oldBlockText, uint32_t& block)
{
    block = 0;
    if (text.empty())
        return 0;
    if (m_memoFd < 0)
        return Fail(kErrMemo, 60);
    const uint32_t old = BlockNumber(oldBlockText);
    const uint32_t need = BlocksFor(text.size() + 2, m_memoBlockSize);
    // A new text that fits the old blocks reuses them; otherwise it goes to
    // the end of the file, and the old blocks wait for a memo compress.
    if (old != 0 && MemoBlocks(m_memoFd, m_memoBlockSize, old) >= need) {
        block = old;
    } else {
        if (LockHeader() != 0)
            return Fail(kErrLockRefused, 61);
        block = ReadNextFreeBlock(m_memoFd, m_memoBlockSize);
        const bool ok = block <= UINT32_MAX - need && WriteNextFreeBlock(m_memoFd, block + need);
        UnlockHeader();
        if (!ok)
            return Fail(kErrWrite, 62);
    }
    if (!WriteMemoText(m_memoFd, m_memoBlockSize, block, text, m_version != 0x8B))
        return Fail(kErrWrite, 63);
    return 0;
}

int CDbaseTable::StoreMemos()
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (!m_pendingMemo[i])
            continue;
        CDbaseField& f = *m_fields[i];
        uint32_t block = 0;
        if (int rc = WriteMemo(*m_pendingMemo[i], f.Bytes(), block); rc != 0)
            return rc;
        char buf[16];
        if (block)
            std::snprintf(buf, sizeof buf, "%10u", block);
        else
            std::memset(buf, ' ', 10);
        std::memcpy(m_record.data() + f.m_offset, buf, 10);
        m_pendingMemo[i].reset();
    }
    return 0;
}

int CDbaseTable::WriteRecord(int32_t recNo, const char* image)
{
    if (!WriteAll(m_fd, image, m_recordLength, m_headerLength + off_t(recNo - 1) * m_recordLength))
        return Fail(kErrWrite, 72);
    m_records.Put(recNo, image);
    return 0;
}

int CDbaseTable::FlushRecord()
{
    if (!m_changed || m_appending)
        return 0;
    if (m_recNo < 1 || m_recNo > m_recCount) {
        m_changed = false;
        return 0;
    }
    if (int rc = BeginWrite(); rc != 0)
        return rc;
    int rc = StoreMemos();
    std::vector<char> old;
    if (rc == 0) {
        const char* stored = RecordAt(m_recNo);
        if (!stored)
            rc = Fail(kErrRead, 73);
        else
            old.assign(stored, stored + m_recordLength);
    }
    // The old image goes to the journal first when any key changes, so a
    // crash part way leaves what the next open needs to put the keys right.
    bool keysChange = false;
    for (auto& t : m_tags)
        if (rc == 0 && t->m_number >= 0)
            keysChange = keysChange || KeyOf(*t, old.data()) != KeyOf(*t, m_record.data());
    if (rc == 0 && keysChange && !m_index->JournalRecord(uint32_t(m_recNo), old.data(), old.size()))
        rc = Fail(kErrWrite, 74);
    if (rc == 0)
        rc = WriteRecord(m_recNo, m_record.data());
    if (rc == 0 && keysChange)
        rc = IndexRecord(m_recNo, old.data(), m_record.data());
    // The data file's change counter tells other handles to read their
    // cached records again (a change in place moves no count).
    if (rc == 0) {
        if (WriteDbfCounts(m_fd, uint32_t(m_recCount), m_counter + 1, m_headerMiddle))
            ++m_counter;
        else
            rc = Fail(kErrWrite, 76);
    }
    if (rc == 0)
        m_changed = false;
    return EndWrite(rc == 0) != 0 && rc == 0 ? Fail(kErrWrite, 75) : rc;
}

int CDbaseTable::Flush()
{
    if (m_fd < 0)
        return Fail(kErrMissing, 70);
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    return SyncIfDue(false);
}

int CDbaseTable::SyncIfDue(bool now)
{
    // Every write is in the system's cache at once, which a killed program
    // cannot lose; a power cut can. A flush syncs the files when the last
    // sync is older than the engine's interval, so a cut loses at most that
    // much; data before index, so the index never covers what is not there.
    const int interval = m_engine->syncIntervalMs;
    if (m_readOnly || (!now && interval < 0))
        return 0;
    const auto clock = std::chrono::steady_clock::now();
    if (!now && m_synced && clock - *m_synced < std::chrono::milliseconds(interval))
        return 0;
    // Nothing written since the last sync, by this process or (the change
    // counters say) any other: the disk already holds it all. A flush and a
    // close in a row sync once.
    const std::optional<SyncMark> mark = SyncMarkNow();
    if (mark && m_syncMark && mark->writes == m_syncMark->writes &&
        mark->dbfCounter == m_syncMark->dbfCounter &&
        mark->indexCounter == m_syncMark->indexCounter)
        return 0;
    const bool ok = ::fdatasync(m_fd) == 0 && (m_memoFd < 0 || ::fdatasync(m_memoFd) == 0) &&
                    (!m_index || m_index->Sync());
    m_synced = clock;
    m_syncMark = ok ? mark : std::nullopt;
    ++m_syncs;
    return ok ? 0 : Fail(kErrWrite, 77);
}

std::optional<CDbaseTable::SyncMark> CDbaseTable::SyncMarkNow() const
{
    // Without the shared views of both headers another process's writes
    // cannot be seen: no mark, so every sync is made.
    if (!m_headMap || (m_index && !m_index->CounterNow()))
        return std::nullopt;
    SyncMark mark;
    mark.writes = WritesBegun();
    uint32_t seen;
    std::memcpy(&seen, m_headMap + 16, 4);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    mark.dbfCounter = le32toh(seen);
    if (m_index)
        mark.indexCounter = m_index->CounterNow();
    return mark;
}

int CDbaseTable::Refresh()
{
    if (m_fd < 0)
        return 0;
    // Every writer bumps both change counters; when the shared mappings show
    // neither moved since this handle looked, there is nothing to read.
    if (m_headMap && m_index) {
        uint32_t seen;
        std::memcpy(&seen, m_headMap + 16, 4);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (le32toh(seen) == m_counter && m_index->CounterNow() == m_index->Header().counter)
            return 0;
    }
    unsigned char head[20];
    if (::pread(m_fd, head, sizeof head, 0) != ssize_t(sizeof head))
        return 0;
    const uint32_t counter = uint32_t(head[16]) | uint32_t(head[17]) << 8 |
                             uint32_t(head[18]) << 16 | uint32_t(head[19]) << 24;
    if (counter != m_counter) {
        // Another handle wrote: its records and count are taken afresh as
        // they are visited, and a new index file (a pack elsewhere) followed.
        const uint32_t count = uint32_t(head[4]) | uint32_t(head[5]) << 8 |
                               uint32_t(head[6]) << 16 | uint32_t(head[7]) << 24;
        const int32_t now = int32_t(std::min<uint32_t>(count, 0x7FFFFFFF));
        // Appends alone (each moves the count and the counter by one) leave
        // every cached record as it was: only a change in place, a repair or
        // a zap makes the cache read again.
        if (!(now > m_recCount && uint32_t(now - m_recCount) == counter - m_counter))
            m_records.Drop();
        m_recCount = now;
        m_counter = counter;
        FollowIndexFile();
        if (!m_changed && !m_appending && m_recNo >= 1 && m_recNo <= m_recCount)
            if (const char* rec = RecordAt(m_recNo))
                std::memcpy(m_record.data(), rec, m_recordLength);
    }
    if (m_index)
        m_index->Reload();
    return 0;
}

void CDbaseTable::Blank()
{
    std::fill(m_record.begin(), m_record.end(), ' ');
    std::fill(m_pendingMemo.begin(), m_pendingMemo.end(), std::nullopt);
    m_changed = true;
}

int CDbaseTable::AppendStart()
{
    if (m_readOnly)
        return Fail(kErrWrite, 80);
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    Blank();
    m_appending = true;
    return 0;
}

int CDbaseTable::Append()
{
    if (!m_appending)
        return Fail(kErrMissing, 81);
    if (!m_appendLocked && !m_tableLocked) {
        if (LockAppend() != 0)
            return Fail(kErrLockRefused, 82);
    }
    // The new record's buffer waits aside while the write section takes up
    // what other handles wrote.
    std::vector<char> buffer = m_record;
    m_appending = false;
    m_changed = false;
    if (int rc = BeginWrite(); rc != 0)
        return rc;
    m_record = std::move(buffer);
    // Under the append lock the count is final (every writer that changes
    // it bumps the change counter, which the write section looked at): the
    // record goes after it, then its keys, then the count, then the index's
    // coverage.
    int rc = m_recCount < 0x7FFFFFFE ? 0 : Fail(kErrWrite, 83);
    const int32_t recNo = m_recCount + 1;
    if (rc == 0)
        rc = StoreMemos();
    m_record[0] = ' ';
    if (rc == 0) {
        std::vector<char> image(m_record);
        image.push_back(0x1A);
        if (!WriteAll(m_fd, image.data(), image.size(),
                      m_headerLength + off_t(recNo - 1) * m_recordLength))
            rc = Fail(kErrWrite, 84);
    }
    if (rc == 0)
        rc = IndexRecord(recNo, nullptr, m_record.data());
    if (rc == 0 && !WriteDbfCounts(m_fd, uint32_t(recNo), m_counter + 1, m_headerMiddle))
        rc = Fail(kErrWrite, 85);
    if (rc == 0) {
        ++m_counter;
        m_recCount = recNo;
        m_records.Put(recNo, m_record.data());
        m_recNo = recNo;
        m_eof = m_bof = false;
    }
    std::fill(m_pendingMemo.begin(), m_pendingMemo.end(), std::nullopt);
    return EndWrite(rc == 0) != 0 && rc == 0 ? Fail(kErrWrite, 86) : rc;
}

int CDbaseTable::AppendBlank()
{
    if (int rc = AppendStart(); rc != 0)
        return rc;
    return Append();
}

int CDbaseTable::Delete()
{
    if (m_recNo < 1 || m_recNo > m_recCount || m_appending)
        return Fail(kErrMissing, 90);
    if (m_readOnly)
        return Fail(kErrWrite, 91);
    if (!m_tableLocked && !m_recordLocks.count(m_recNo) && m_engine->lockEnforce &&
        LockRecord(m_recNo) != 0)
        return Fail(kErrLockRefused, 92);
    m_record[0] = '*';
    m_changed = true;
    return 0;
}

int CDbaseTable::Recall()
{
    if (m_recNo < 1 || m_recNo > m_recCount)
        return Fail(kErrMissing, 93);
    m_record[0] = ' ';
    m_changed = true;
    return 0;
}

int CDbaseTable::Zap()
{
    if (m_readOnly)
        return Fail(kErrWrite, 105);
    bool took = false;
    if (int rc = BeginRewrite(106, took, false); rc != 0)
        return rc;
    int rc = BeginWrite();
    if (rc == 0) {
        const char eof = 0x1A;
        const bool ok = WriteAll(m_fd, &eof, 1, m_headerLength) &&
                        ::ftruncate(m_fd, m_headerLength + 1) == 0 &&
                        WriteDbfCounts(m_fd, 0, m_counter + 1);
        if (ok) {
            ++m_counter;
            m_recCount = 0;
        }
        m_records.Drop();
        rc = ok ? 0 : Fail(kErrWrite, 107);
        if (rc == 0 && !m_tags.empty())
            rc = RebuildIndex();
        EndWrite(rc == 0);
    }
    if (took)
        Unlock();
    if (rc == 0)
        Top();
    return rc;
}

}   // namespace dbase

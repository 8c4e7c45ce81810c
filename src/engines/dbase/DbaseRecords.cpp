// CDbaseTable: the current record, appends, memos, flushing, pack and zap.
#include "engines/dbase/DbaseTable.h"

#include "engines/dbase/KeyExpression.h"
#include "engines/dbase/TableFiles.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace dbase {

// ------------------------------------------------------------------ records

bool CDbaseTable::Deleted() const { return !m_record.empty() && m_record[0] == '*'; }

int32_t CDbaseTable::RecordCount()
{
    Refresh();
    return m_recCount;
}

int CDbaseTable::LoadRecord(int32_t recNo)
{
    std::memcpy(m_record.data(), RecordAt(recNo), m_recordLength);
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

}  // namespace

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

int CDbaseTable::FlushRecord()
{
    if (!m_changed || m_appending)
        return 0;
    if (m_recNo < 1 || m_recNo > m_recCount) {
        m_changed = false;
        return 0;
    }
    if (int rc = StoreMemos(); rc != 0)
        return rc;
    char* stored = RecordAt(m_recNo);
    IndexRecord(m_recNo, stored, m_record.data());
    std::memcpy(stored, m_record.data(), m_recordLength);
    m_dirty.insert(m_recNo);
    m_changed = false;
    return 0;
}

int CDbaseTable::Flush()
{
    if (m_fd < 0)
        return Fail(kErrMissing, 70);
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    if (m_dirty.empty() && !m_headerDirty)
        return 0;
    if (LockHeader() != 0)
        return Fail(kErrLockRefused, 71);
    DbfHeader disk;
    std::vector<FieldSpec> unused;
    const bool read = ReadDbfHeader(m_fd, disk, unused);
    const bool stale = read && disk.counter != m_counter;
    bool ok = true;
    // Only the records this handle changed are written, in runs of
    // neighbours: the others may be stale copies of another handle's work.
    for (auto it = m_dirty.begin(); ok && it != m_dirty.end();) {
        int32_t first = *it, last = *it;
        for (++it; it != m_dirty.end() && *it == last + 1; ++it)
            last = *it;
        const size_t from = size_t(first - 1) * m_recordLength;
        const size_t to = size_t(last) * m_recordLength;
        ok = WriteAll(m_fd, m_data.data() + from, to - from, m_headerLength + off_t(from));
    }
    uint32_t count = uint32_t(m_recCount);
    if (read && disk.recordCount > count && !m_countShrunk)
        count = disk.recordCount;  // another handle appended past what we know
    if (ok && m_headerDirty && count == uint32_t(m_recCount)) {
        const char eof = 0x1A;
        ok = WriteAll(m_fd, &eof, 1, m_headerLength + off_t(count) * m_recordLength);
    }
    const uint32_t counter = (read ? disk.counter : m_counter) + 1;
    ok = ok && WriteDbfCounts(m_fd, count, counter);
    UnlockHeader();
    if (!ok)
        return Fail(kErrWrite, 72);
    m_counter = counter;
    m_dirty.clear();
    m_headerDirty = false;
    m_countShrunk = false;
    if (stale) {
        m_counter = counter - 1;  // force the reload to see the others' work
        Refresh();
        m_counter = counter;
    }
    return 0;
}

int CDbaseTable::Refresh()
{
    if (m_fd < 0 || !m_dirty.empty() || m_headerDirty || m_appending)
        return 0;
    unsigned char head[20];
    if (::pread(m_fd, head, sizeof head, 0) != ssize_t(sizeof head))
        return 0;
    const uint32_t counter =
        uint32_t(head[16]) | uint32_t(head[17]) << 8 | uint32_t(head[18]) << 16 | uint32_t(head[19]) << 24;
    if (counter == m_counter)
        return 0;
    // Another handle wrote: take the data file's records and counts afresh.
    const uint32_t count = uint32_t(head[4]) | uint32_t(head[5]) << 8 | uint32_t(head[6]) << 16 | uint32_t(head[7]) << 24;
    m_recCount = int32_t(std::min<uint32_t>(count, 0x7FFFFFFF));
    if (int rc = LoadAll(); rc != 0)
        return rc;
    BuildIndexes();
    m_counter = counter;
    if (!m_changed && m_recNo >= 1 && m_recNo <= m_recCount)
        std::memcpy(m_record.data(), RecordAt(m_recNo), m_recordLength);
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
    // The new record's buffer waits aside while earlier writes go out and
    // the count on disk, final under the append lock, is taken afresh.
    std::vector<char> buffer = m_record;
    auto memos = m_pendingMemo;
    m_appending = false;
    m_changed = false;
    std::fill(m_pendingMemo.begin(), m_pendingMemo.end(), std::nullopt);
    if (!m_dirty.empty() || m_headerDirty) {
        if (int rc = Flush(); rc != 0)
            return rc;
    }
    Refresh();
    m_record = std::move(buffer);
    m_pendingMemo = std::move(memos);
    if (int rc = StoreMemos(); rc != 0)
        return rc;
    m_record[0] = ' ';
    const int32_t recNo = m_recCount + 1;
    m_data.insert(m_data.end(), m_record.begin(), m_record.end());
    m_recCount = recNo;
    IndexRecord(recNo, nullptr, RecordAt(recNo));
    m_dirty.insert(recNo);
    m_headerDirty = true;
    m_recNo = recNo;
    m_eof = m_bof = false;
    m_changed = false;
    return 0;
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
    if (!m_tableLocked && !m_recordLocks.count(m_recNo) &&
        m_engine->lockEnforce && LockRecord(m_recNo) != 0)
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

int CDbaseTable::BeginRewrite(int location, bool& took)
{
    if (m_readOnly)
        return Fail(kErrWrite, location);
    took = !m_tableLocked;
    if (took && Lock() != 0)
        return Fail(kErrLockRefused, location + 1);
    const int rc = Flush();
    if (rc != 0 && took)
        Unlock();   // a failed flush must not leave the table locked
    return rc;
}

int CDbaseTable::Pack()
{
    bool took = false;
    if (int rc = BeginRewrite(100, took); rc != 0)
        return rc;
    std::vector<char> kept;
    kept.reserve(m_data.size());
    int32_t count = 0;
    for (int32_t r = 1; r <= m_recCount; ++r) {
        const char* rec = RecordAt(r);
        if (rec[0] == '*')
            continue;
        kept.insert(kept.end(), rec, rec + m_recordLength);
        ++count;
    }
    m_data = std::move(kept);
    m_recCount = count;
    bool ok = WriteAll(m_fd, m_data.data(), m_data.size(), m_headerLength);
    const char eof = 0x1A;
    ok = ok && WriteAll(m_fd, &eof, 1, m_headerLength + off_t(m_data.size()));
    ok = ok && ::ftruncate(m_fd, m_headerLength + off_t(m_data.size()) + 1) == 0;
    m_headerDirty = true;
    m_countShrunk = true;
    BuildIndexes();
    m_indexDirty = true;
    int rc = ok ? Flush() : Fail(kErrWrite, 102);
    if (took)
        Unlock();
    if (rc == 0)
        Top();
    return rc;
}

int CDbaseTable::Zap()
{
    if (m_readOnly)
        return Fail(kErrWrite, 105);
    for (int32_t r = 1; r <= m_recCount; ++r)
        RecordAt(r)[0] = '*';
    return Pack();
}

int CDbaseTable::MemoCompress()
{
    if (m_memoFd < 0)
        return 0;
    bool took = false;
    if (int rc = BeginRewrite(110, took); rc != 0)
        return rc;
    // Memos move down within the same file, lowest block first, each copied
    // before its record is pointed at the copy; a memo whose new place would
    // overlap its old one stays put. Whenever the work stops, every record
    // points at a whole memo, and handles elsewhere keep using the same file.
    struct Slot {
        uint32_t block;
        int32_t recNo;
        int offset;
    };
    std::vector<Slot> slots;
    for (int32_t r = 1; r <= m_recCount; ++r)
        for (auto& f : m_fields)
            if (f->Type() == 'M')
                slots.push_back({BlockNumber(std::string_view(RecordAt(r) + f->m_offset, 10)), r, f->m_offset});
    std::sort(slots.begin(), slots.end(), [](const Slot& a, const Slot& b) { return a.block < b.block; });
    const bool older = m_version != 0x8B;
    bool ok = true;
    uint32_t next = 1;
    for (const Slot& s : slots) {
        char* field = RecordAt(s.recNo) + s.offset;
        const std::string text = s.block ? ReadMemoText(m_memoFd, m_memoBlockSize, s.block) : std::string();
        uint32_t target = 0;
        if (!text.empty()) {
            const uint32_t need = BlocksFor(text.size() + 2, m_memoBlockSize);
            if (s.block < next || s.block - next < need) {
                target = s.block;  // in place: already low, or the copy would overlap it
                next = std::max(next, s.block + std::max(need, MemoBlocks(m_memoFd, m_memoBlockSize, s.block)));
            } else {
                target = next;
                ok = WriteMemoText(m_memoFd, m_memoBlockSize, target, text, older);
                next += need;
            }
        }
        if (!ok)
            break;
        if (target == s.block && !(text.empty() && s.block))
            continue;
        char buf[16];
        if (target)
            std::snprintf(buf, sizeof buf, "%10u", target);
        else
            std::memset(buf, ' ', 10);
        std::memcpy(field, buf, 10);
        ok = WriteAll(m_fd, RecordAt(s.recNo), m_recordLength,
                      m_headerLength + off_t(s.recNo - 1) * m_recordLength);
        if (!ok)
            break;
    }
    if (ok && LockHeader() == 0) {
        ok = WriteNextFreeBlock(m_memoFd, next) && ::ftruncate(m_memoFd, off_t(next) * m_memoBlockSize) == 0;
        UnlockHeader();
    }
    m_headerDirty = true;  // a new change counter tells other handles to reload
    int rc = Flush();
    if (!ok)
        rc = Fail(kErrWrite, 112);
    if (m_recNo >= 1 && m_recNo <= m_recCount && !m_changed)
        LoadRecord(m_recNo);
    if (took)
        Unlock();
    return rc;
}

}  // namespace dbase

// CDbaseTable: moving through records and tags, seeks, and locks.
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

// ------------------------------------------------------------------ sections

int CDbaseTable::BeginRead()
{
    if (m_optimistic) {
        ++m_readDepth;
        return 0;
    }
    // A move holds the header lock shared, so it never meets a write section
    // of another handle half done; a handle holding the table lock or inside
    // its own write section has nobody to wait for.
    if (!m_inWrite && !m_tableLocked && !m_sharedHeld) {
        if (LockRange(kHeaderLock, 1, true, F_RDLCK) != 0)
            return Fail(kErrLockRefused, 150);
        m_sharedHeld = true;
    }
    ++m_readDepth;
    Refresh();
    if (m_index && !m_readOnly && !m_inWrite && NeedsRepair()) {
        // A writer crashed part way: put it right before reading on.
        if (BeginWrite() == 0)
            EndWrite(true);
        m_engine->ResetError();
    }
    return 0;
}

void CDbaseTable::EndRead()
{
    if (m_readDepth > 0 && --m_readDepth == 0 && m_sharedHeld) {
        UnlockRange(kHeaderLock, 1);
        m_sharedHeld = false;
    }
}

int CDbaseTable::BeginWrite()
{
    if (m_readOnly)
        return Fail(kErrWrite, 152);
    // Taken over a shared hold of this handle, the lock is converted and
    // given back shared at the end.
    if (LockRange(kHeaderLock, 1, true) != 0)
        return Fail(kErrLockRefused, 153);
    m_inWrite = true;
    Refresh();
    if (int rc = AdoptRecordsPastCount(); rc != 0) {
        EndWrite(false);
        return rc;
    }
    if (m_index && NeedsRepair()) {
        if (int rc = RepairIndex(true); rc != 0) {
            EndWrite(false);
            return rc;
        }
    }
    if (m_index && !m_index->BeginChange()) {
        EndWrite(false);
        return Fail(kErrWrite, 155);
    }
    return 0;
}

int CDbaseTable::EndWrite(bool ok)
{
    int rc = 0;
    if (m_index && ok) {
        // The change is whole: the header says so, with the counts and the
        // coverage that go with it.
        CIndexFile::State& s = m_index->MutableHeader();
        s.pendingRecord = 0;
        s.coverage = uint32_t(m_recCount);
        m_index->EndChange();
        m_index->MarkDurable();
        if (!m_index->WriteHeader())
            rc = Fail(kErrWrite, 154);
    }
    m_inWrite = false;
    if (m_sharedHeld)
        LockRange(kHeaderLock, 1, true, F_RDLCK);
    else
        UnlockRange(kHeaderLock, 1);
    m_cursor.Reset();
    return rc;
}

// ------------------------------------------------------------------ moves

int CDbaseTable::InRead(const std::function<int()>& move)
{
    const bool outermost = m_readDepth == 0 && !m_inWrite;
    int rc = InReadOnce(move);
    if (m_index && m_index->Damaged()) {
        m_indexDamaged = true;
        m_cursor.Reset();
        rc = Fail(kErrData, 124);
    }
    if (outermost && m_indexDamaged)
        RebuildDamagedIndex();
    return rc;
}

void CDbaseTable::RebuildDamagedIndex()
{
    m_indexDamaged = false;
    if (m_index)
        m_index->ClearDamage();
    m_cursor.Reset();
    if (m_readOnly || !m_index) {
        m_warnings.push_back("the production index is damaged: a walk or seek found an entry "
                             "that is not its record's key; open the table for writing to rebuild");
        return;
    }
    // The move has failed already (its error stays set); the index is made
    // again from the data so the next one finds every record.
    int rc = BeginWrite();
    if (rc == 0) {
        rc = RebuildIndex();
        EndWrite(rc == 0);
    }
    m_warnings.push_back(rc == 0 ? "the production index was damaged (an entry that is not its "
                                   "record's key, or a walk that came back on itself); rebuilt "
                                   "from the data file"
                                 : "the production index is damaged and could not be rebuilt");
}

int CDbaseTable::InReadOnce(const std::function<int()>& move)
{
    if (m_readDepth > 0 || m_inWrite || m_tableLocked || !m_index)
        return InLockedRead(move);
    // Without a lock when nothing changed since this handle last looked and
    // no writer is inside a change: the counter, read again after the move,
    // proves the move saw one whole state; otherwise it is undone and made
    // again under the header lock.
    const std::optional<uint32_t> before = m_index->CounterNow();
    if (!before || (*before & 1) != 0 || *before != m_index->Header().counter)
        return InLockedRead(move);
    const int32_t recNo = m_recNo;
    const bool eof = m_eof, bof = m_bof;
    m_savedCursor = m_cursor;   // its room is kept from move to move
    const int error = m_engine->ErrorCode();
    m_optimistic = true;
    ++m_readDepth;
    const int rc = move();
    --m_readDepth;
    m_optimistic = false;
    if (m_index && m_index->CounterNow() == before)
        return rc;
    if (m_engine->ErrorCode() != error && error >= 0)
        m_engine->ResetError();
    // What the move took for damage may have been another writer's change.
    m_indexDamaged = false;
    if (m_index)
        m_index->ClearDamage();
    m_recNo = recNo;
    m_eof = eof;
    m_bof = bof;
    m_cursor = m_savedCursor;
    return InLockedRead(move);
}

int CDbaseTable::InLockedRead(const std::function<int()>& move)
{
    if (int rc = BeginRead(); rc != 0)
        return rc;
    const int rc = move();
    EndRead();
    return rc;
}

int CDbaseTable::SetPositionAtCursor(bool valid)
{
    const bool stepped = m_cursorStepped;
    m_cursorStepped = false;
    if (!valid) {
        m_cursor.Reset();
        m_recNo = m_recCount + 1;
        std::fill(m_record.begin(), m_record.end(), ' ');
        m_eof = true;
        m_bof = m_recCount == 0;
        return kEof;
    }
    const uint32_t recNo = m_index->RecNoAt(m_cursor);
    if (recNo < 1 || recNo > uint32_t(m_recCount)) {
        m_indexDamaged = true;
        return Fail(kErrData, 121);   // the index names a record the file lacks
    }
    if (int rc = LoadRecord(int32_t(recNo)); rc != 0)
        return rc;
    // The entry must be the record's own key: a key left for a record the
    // tag's filter now excludes, or for an older image of it, would send
    // skips and seeks round the same entry for ever. A walk that stepped on
    // from an entry it stood on only asks the filter (the cheap half); one
    // that was placed afresh, where such a key would catch it, compares the
    // whole key.
    if (m_selected && m_selected->m_number == m_cursor.tag) {
        const CDbaseTag& tag = *m_selected;
        bool sound = true;
        if (stepped)
            sound = tag.m_filtersDeleted
                        ? m_record[0] != '*'
                        : !tag.m_filter || tag.m_filter->EvalLogical(m_record.data());
        else if (const std::optional<std::string> key = KeyOf(tag, m_record.data()))
            sound = *key == m_index->KeyAt(m_cursor);
        else
            sound = false;
        if (!sound) {
            m_indexDamaged = true;
            return Fail(kErrData, 122);
        }
    }
    return 0;
}

bool CDbaseTable::PlaceCursor(bool& onEntry)
{
    onEntry = false;
    const int tag = m_selected->m_number;
    if (m_index->Current(m_cursor) && m_cursor.tag == tag &&
        m_index->RecNoAt(m_cursor) == uint32_t(m_recNo)) {
        onEntry = true;
        m_cursorStepped = true;
        return true;
    }
    m_cursorStepped = false;
    // The current record's place in the tag: its own entry, or, when it has
    // none (deleted under a filter), the place its key would sort to.
    const char* stored = RecordAt(m_recNo);
    if (!stored)
        return false;
    const std::string image(stored, m_recordLength);
    const std::optional<std::string> key = KeyOf(*m_selected, image.data());
    if (key) {
        if (!m_index->LowerBound(tag, *key, uint32_t(m_recNo), m_cursor))
            return false;
        onEntry =
            m_index->RecNoAt(m_cursor) == uint32_t(m_recNo) && m_index->KeyAt(m_cursor) == *key;
        return true;
    }
    return m_index->LowerBound(tag, BareKeyOf(*m_selected, image.data()), uint32_t(m_recNo),
                               m_cursor);
}

int CDbaseTable::Go(int32_t recNo)
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    return InRead([&] {
        if (recNo < 1 || recNo > m_recCount)
            return Fail(kErrMissing, 120);
        m_cursor.Reset();
        return LoadRecord(recNo);
    });
}

int CDbaseTable::Top()
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    return InRead([&] {
        if (m_selected && m_index && m_selected->m_number >= 0)
            return SetPositionAtCursor(m_index->First(m_selected->m_number, m_cursor));
        if (m_selected)
            return SetPositionAtCursor(false);
        if (m_recCount == 0) {
            m_recNo = 1;
            m_eof = m_bof = true;
            std::fill(m_record.begin(), m_record.end(), ' ');
            return kEof;
        }
        return LoadRecord(1);
    });
}

int CDbaseTable::Bottom()
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    return InRead([&] {
        if (m_selected && m_index && m_selected->m_number >= 0)
            return SetPositionAtCursor(m_index->Last(m_selected->m_number, m_cursor));
        if (m_selected)
            return SetPositionAtCursor(false);
        if (m_recCount == 0) {
            m_recNo = 1;
            m_eof = m_bof = true;
            std::fill(m_record.begin(), m_record.end(), ' ');
            return kEof;
        }
        return LoadRecord(m_recCount);
    });
}

int CDbaseTable::Skip(int32_t n)
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    // A walk sees other handles' changes and appends as it goes.
    return InRead([&] { return SkipHere(n); });
}

int CDbaseTable::SkipHere(int32_t n)
{
    if (m_recNo < 1 || m_recNo > m_recCount)
        m_eof = true;   // the record is gone (a pack elsewhere): continue from the end
    if (m_eof) {
        if (n >= 0)
            return kEof;
        if (int rc = Bottom(); rc != 0)
            return rc;
        ++n;
    }
    if (!m_selected) {
        const int64_t target = int64_t(m_recNo) + n;
        if (target > m_recCount) {
            m_recNo = m_recCount + 1;
            m_eof = true;
            std::fill(m_record.begin(), m_record.end(), ' ');
            return kEof;
        }
        if (target < 1) {
            LoadRecord(1);
            m_bof = true;
            return kBof;
        }
        return LoadRecord(int32_t(target));
    }
    if (!m_index || m_selected->m_number < 0)
        return SetPositionAtCursor(false);
    bool onEntry = false;
    const bool placed = PlaceCursor(onEntry);
    if (n > 0) {
        if (!placed)
            return SetPositionAtCursor(false);
        if (!onEntry)
            --n;   // the first step lands on the entry after the gap
        bool valid = true;
        while (n > 0 && valid) {
            valid = m_index->Next(m_cursor);
            --n;
        }
        return SetPositionAtCursor(valid);
    }
    if (!placed && !m_index->Last(m_selected->m_number, m_cursor))
        return SetPositionAtCursor(false);
    else if (!placed)
        ++n;   // past the end: the first step back lands on the last entry
    while (n < 0) {
        const IndexCursor here = m_cursor;
        if (!m_index->Prev(m_cursor)) {
            m_cursor = here;
            if (int rc = SetPositionAtCursor(true); rc != 0)
                return rc;
            m_bof = true;
            return kBof;
        }
        ++n;
    }
    return SetPositionAtCursor(true);
}

namespace {

std::string Probe(const CDbaseTag& tag, char keyType, int charLength, std::string_view text)
{
    (void)tag;
    switch (keyType) {
    case 'N': return SortableDouble(ParseNumber(text));
    case 'D': return SortableDouble(JulianDay(text).value_or(ParseNumber(text)));
    default: return std::string(text.substr(0, size_t(charLength)));
    }
}

}   // namespace

int CDbaseTable::Seek(std::string_view text)
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    if (!m_selected)
        return Fail(kErrTag, 130);
    return InRead([&] {
        if (!m_index || m_selected->m_number < 0)
            return SetPositionAtCursor(false);
        const int tag = m_selected->m_number;
        std::string probe =
            Probe(*m_selected, m_selected->m_keyType, m_selected->m_charLength, text);
        if (m_selected->m_keyType != 'C')
            probe = m_index->Normalize(tag, probe);
        if (!m_index->LowerBound(tag, probe, 0, m_cursor))
            return SetPositionAtCursor(false);
        if (int rc = SetPositionAtCursor(true); rc != 0)
            return rc;
        const std::string key = m_index->KeyAt(m_cursor);
        const bool match =
            m_selected->m_keyType == 'C' ? key.compare(0, probe.size(), probe) == 0 : key == probe;
        return match ? 0 : kAfter;
    });
}

int CDbaseTable::SeekNext(std::string_view text)
{
    if (!m_selected)
        return Fail(kErrTag, 131);
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    return InRead([&] { return SeekNextHere(text); });
}

int CDbaseTable::SeekNextHere(std::string_view text)
{
    if (m_eof || m_recNo < 1 || m_recNo > m_recCount || !m_index || m_selected->m_number < 0)
        return Seek(text);
    const int tag = m_selected->m_number;
    std::string probe = Probe(*m_selected, m_selected->m_keyType, m_selected->m_charLength, text);
    if (m_selected->m_keyType != 'C')
        probe = m_index->Normalize(tag, probe);
    auto matches = [&](const std::string& key) {
        return m_selected->m_keyType == 'C' ? key.compare(0, probe.size(), probe) == 0
                                            : key == probe;
    };
    bool onEntry = false;
    if (!PlaceCursor(onEntry) || !onEntry || !matches(m_index->KeyAt(m_cursor)))
        return Seek(text);
    if (!m_index->Next(m_cursor))
        return SetPositionAtCursor(false);
    if (int rc = SetPositionAtCursor(true); rc != 0)
        return rc;
    return matches(m_index->KeyAt(m_cursor)) ? 0 : kAfter;
}

// ------------------------------------------------------------------ locks

namespace {

struct flock Range(short type, off_t start, off_t len)
{
    struct flock fl { };
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
    return fl;
}

}   // namespace

int CDbaseTable::LockRange(off_t start, off_t len, bool wait, short type, int waitMs)
{
    if (m_fd < 0)
        return Fail(kErrMissing, 140);
    struct flock fl = Range(type, start, len);
    if (waitMs < 0)
        waitMs = m_engine->lockWaitMs;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(wait ? waitMs : 0);
    auto pause = std::chrono::microseconds(50);
    for (;;) {
        if (::fcntl(m_fd, F_OFD_SETLK, &fl) == 0)
            return 0;
        if (errno != EAGAIN && errno != EACCES)
            return kLocked;
        if (!wait || std::chrono::steady_clock::now() >= deadline)
            return kLocked;
        std::this_thread::sleep_for(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(2));
    }
}

int CDbaseTable::UnlockRange(off_t start, off_t len)
{
    if (m_fd < 0)
        return 0;
    struct flock fl = Range(F_UNLCK, start, len);
    return ::fcntl(m_fd, F_OFD_SETLK, &fl) == 0 ? 0 : Fail(kErrWrite, 141);
}

int CDbaseTable::LockHeader()
{
    if (m_readOnly || m_inWrite)
        return 0;
    return LockRange(kHeaderLock, 1, true);
}

void CDbaseTable::UnlockHeader()
{
    if (!m_readOnly && !m_inWrite)
        UnlockRange(kHeaderLock, 1);
}

int CDbaseTable::Lock()
{
    if (m_tableLocked)
        return 0;
    if (int rc = LockRange(kLockBase, kLockSpan, false); rc != 0)
        return rc;
    m_tableLocked = true;
    Refresh();
    return 0;
}

int CDbaseTable::LockTest()
{
    if (m_tableLocked)
        return 0;
    if (m_fd < 0)
        return Fail(kErrMissing, 142);
    // Asks without taking: locks of this handle never conflict with themselves.
    struct flock fl = Range(F_WRLCK, kLockBase, kLockSpan);
    if (::fcntl(m_fd, F_OFD_GETLK, &fl) != 0)
        return Fail(kErrRead, 143);
    return fl.l_type == F_UNLCK ? 0 : kLocked;
}

int CDbaseTable::LockRecord(int32_t recNo)
{
    if (m_tableLocked || m_recordLocks.count(recNo))
        return 0;
    if (int rc = LockRange(kLockBase + recNo, 1, true); rc != 0)
        return rc;
    m_recordLocks.insert(recNo);
    return 0;
}

int CDbaseTable::LockAppend()
{
    if (m_tableLocked || m_appendLocked)
        return 0;
    if (int rc = LockRange(kLockBase, 1, true); rc != 0)
        return rc;
    m_appendLocked = true;
    return 0;
}

int CDbaseTable::Unlock()
{
    if (m_fd < 0)
        return 0;
    int rc = m_readOnly ? 0 : Flush();
    UnlockRange(kLockBase, kLockSpan);
    m_tableLocked = m_appendLocked = false;
    m_recordLocks.clear();
    return rc;
}

}   // namespace dbase

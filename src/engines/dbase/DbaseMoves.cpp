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

// ------------------------------------------------------------------ moves

int CDbaseTable::SetPositionAfterMove(std::set<CDbaseTag::Entry>::const_iterator it)
{
    if (it == m_selected->m_entries.end()) {
        m_recNo = m_recCount + 1;
        std::fill(m_record.begin(), m_record.end(), ' ');
        m_eof = true;
        m_bof = m_recCount == 0;
        return kEof;
    }
    LoadRecord(it->recNo);
    return 0;
}

int CDbaseTable::Go(int32_t recNo)
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    Refresh();
    if (recNo < 1 || recNo > m_recCount)
        return Fail(kErrMissing, 120);
    return LoadRecord(recNo);
}

int CDbaseTable::Top()
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    Refresh();
    if (m_selected)
        return SetPositionAfterMove(m_selected->m_entries.begin());
    if (m_recCount == 0) {
        m_recNo = 1;
        m_eof = m_bof = true;
        std::fill(m_record.begin(), m_record.end(), ' ');
        return kEof;
    }
    return LoadRecord(1);
}

int CDbaseTable::Bottom()
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    Refresh();
    if (m_selected) {
        if (m_selected->m_entries.empty())
            return SetPositionAfterMove(m_selected->m_entries.end());
        return SetPositionAfterMove(std::prev(m_selected->m_entries.end()));
    }
    if (m_recCount == 0)
        return Top();
    return LoadRecord(m_recCount);
}

int CDbaseTable::Skip(int32_t n)
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    Refresh();  // a walk sees other handles' changes and appends as it goes
    if (m_recNo < 1 || m_recNo > m_recCount)
        m_eof = true;  // the record is gone (a pack elsewhere): continue from the end
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
    auto& entries = m_selected->m_entries;
    // The current record's place in the tag: its own entry, or, when it has
    // none (deleted under a filter), the place its key would sort to.
    const char* stored = RecordAt(m_recNo);
    std::optional<std::string> key = KeyOf(*m_selected, stored);
    std::set<CDbaseTag::Entry>::const_iterator it;
    bool onEntry = false;
    if (key) {
        it = entries.lower_bound({*key, m_recNo});
        onEntry = it != entries.end() && it->recNo == m_recNo && it->key == *key;
    } else {
        std::string bare;
        switch (m_selected->m_keyType) {
        case 'N': bare = SortableDouble(m_selected->m_expr->EvalNumber(stored)); break;
        case 'D': bare = SortableDouble(JulianDay(m_selected->m_expr->EvalText(stored)).value_or(0)); break;
        default: bare = m_selected->m_expr->EvalText(stored);
        }
        it = entries.lower_bound({bare, m_recNo});
    }
    if (n > 0) {
        if (!onEntry)
            --n;  // the first step lands on the entry after the gap
        while (n > 0 && it != entries.end()) {
            ++it;
            --n;
        }
        return SetPositionAfterMove(it);
    }
    while (n < 0) {
        if (it == entries.begin()) {
            if (entries.empty())
                return SetPositionAfterMove(entries.end());
            LoadRecord(entries.begin()->recNo);
            m_bof = true;
            return kBof;
        }
        --it;
        ++n;
    }
    if (it == entries.end())
        return SetPositionAfterMove(it);
    return LoadRecord(it->recNo);
}

int CDbaseTable::Seek(std::string_view text)
{
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    Refresh();
    if (!m_selected)
        return Fail(kErrTag, 130);
    auto& entries = m_selected->m_entries;
    std::string probe;
    switch (m_selected->m_keyType) {
    case 'N': probe = SortableDouble(ParseNumber(text)); break;
    case 'D': probe = SortableDouble(JulianDay(text).value_or(ParseNumber(text))); break;
    default: probe = std::string(text.substr(0, size_t(m_selected->m_charLength)));
    }
    auto it = entries.lower_bound({probe, 0});
    if (it == entries.end())
        return SetPositionAfterMove(it);
    LoadRecord(it->recNo);
    const bool match = m_selected->m_keyType == 'C' ? it->key.compare(0, probe.size(), probe) == 0 : it->key == probe;
    return match ? 0 : kAfter;
}

int CDbaseTable::SeekNext(std::string_view text)
{
    if (!m_selected)
        return Fail(kErrTag, 131);
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    if (m_eof || m_recNo < 1 || m_recNo > m_recCount)
        return Seek(text);
    auto& entries = m_selected->m_entries;
    const std::optional<std::string> key = KeyOf(*m_selected, RecordAt(m_recNo));
    std::string probe = m_selected->m_keyType == 'C' ? std::string(text.substr(0, size_t(m_selected->m_charLength)))
                                                       : SortableDouble(ParseNumber(text));
    auto matches = [&](const CDbaseTag::Entry& e) {
        return m_selected->m_keyType == 'C' ? e.key.compare(0, probe.size(), probe) == 0 : e.key == probe;
    };
    if (!key)
        return Seek(text);
    auto it = entries.find({*key, m_recNo});
    if (it == entries.end() || !matches(*it))
        return Seek(text);
    ++it;
    if (it == entries.end())
        return SetPositionAfterMove(it);
    LoadRecord(it->recNo);
    return matches(*it) ? 0 : kAfter;
}

// ------------------------------------------------------------------ locks

namespace {

struct flock Range(short type, off_t start, off_t len)
{
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
    return fl;
}

}  // namespace

int CDbaseTable::LockRange(off_t start, off_t len, bool wait)
{
    if (m_fd < 0)
        return Fail(kErrMissing, 140);
    struct flock fl = Range(F_WRLCK, start, len);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait ? m_engine->lockWaitMs : 0);
    for (;;) {
        if (::fcntl(m_fd, F_OFD_SETLK, &fl) == 0)
            return 0;
        if (errno != EAGAIN && errno != EACCES)
            return kLocked;
        if (!wait || std::chrono::steady_clock::now() >= deadline)
            return kLocked;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
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
    if (m_readOnly)
        return 0;
    return LockRange(kLockBase - 1, 1, true);
}

void CDbaseTable::UnlockHeader()
{
    if (!m_readOnly)
        UnlockRange(kLockBase - 1, 1);
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

}  // namespace dbase

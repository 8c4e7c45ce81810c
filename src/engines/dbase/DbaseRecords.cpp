// CDbaseTable: records, indexes, seeks and locks.
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

namespace {

constexpr off_t kLockBase = 0x40000000;
constexpr off_t kLockSpan = 0x3FFFFFFF;

std::string CutName(std::string_view name)
{
    std::string n(name.substr(0, 10));
    for (char& c : n)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    while (!n.empty() && n.back() == ' ')
        n.pop_back();
    return n;
}

bool WriteAllAt(int fd, const char* p, size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, at);
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
        at += n;
    }
    return true;
}

}  // namespace

// ------------------------------------------------------------------ tags

int CDbaseTag::KeyLength() const { return m_keyType == 'C' ? m_charLength : m_keyType == 'N' ? 12 : 8; }

std::vector<std::pair<std::string, int32_t>> CDbaseTag::Keys() const
{
    std::vector<std::pair<std::string, int32_t>> r;
    r.reserve(m_entries.size());
    char buf[64];
    for (const Entry& e : m_entries) {
        if (m_keyType == 'C') {
            r.emplace_back(e.key, e.recNo);
        } else {
            std::snprintf(buf, sizeof buf, "%.10g", DoubleFromSortable(e.key));
            r.emplace_back(buf, e.recNo);
        }
    }
    return r;
}

int CDbaseTable::AddTag(const TagSpec& given)
{
    TagSpec spec = given;
    spec.name = CutName(spec.name);
    if (spec.name.empty() || Tag(spec.name) || m_tags.size() >= 47)
        return Fail(kErrTag, 50);
    std::vector<FieldSlot> slots;
    for (auto& f : m_fields)
        slots.push_back({f->Name(), f->Type(), f->Width(), f->Decimals(), f->m_offset});
    auto tag = std::make_unique<CDbaseTag>();
    tag->m_spec = spec;
    tag->m_expr = CKeyExpression::Parse(spec.expression, slots);
    if (!tag->m_expr || tag->m_expr->Type() == 'L')
        return Fail(kErrExpression, 51);
    tag->m_keyType = tag->m_expr->Type();
    tag->m_charLength = tag->m_expr->Length();
    if (tag->m_keyType == 'C' && (tag->m_charLength < 1 || tag->m_charLength > 100))
        return Fail(kErrExpression, 52);
    if (!spec.filter.empty()) {
        tag->m_filter = CKeyExpression::Parse(spec.filter, slots);
        if (!tag->m_filter || tag->m_filter->Type() != 'L')
            return Fail(kErrExpression, 53);
    }
    m_tags.push_back(std::move(tag));
    m_indexDirty = true;
    return 0;
}

std::optional<std::string> CDbaseTable::KeyOf(const CDbaseTag& tag, const char* record) const
{
    if (tag.m_filter && !tag.m_filter->EvalLogical(record))
        return std::nullopt;
    switch (tag.m_keyType) {
    case 'N': return SortableDouble(tag.m_expr->EvalNumber(record));
    case 'D': return SortableDouble(JulianDay(tag.m_expr->EvalText(record)).value_or(0));
    default: return tag.m_expr->EvalText(record);
    }
}

void CDbaseTable::BuildIndexes()
{
    for (auto& tag : m_tags) {
        std::vector<CDbaseTag::Entry> entries;
        entries.reserve(size_t(m_recCount));
        for (int32_t r = 1; r <= m_recCount; ++r)
            if (auto key = KeyOf(*tag, RecordAt(r)))
                entries.push_back({std::move(*key), r});
        std::sort(entries.begin(), entries.end());
        tag->m_entries.clear();
        for (auto& e : entries)
            tag->m_entries.emplace_hint(tag->m_entries.end(), std::move(e));
    }
}

void CDbaseTable::IndexRecord(int32_t recNo, const char* oldImage, const char* newImage)
{
    for (auto& tag : m_tags) {
        std::optional<std::string> oldKey = oldImage ? KeyOf(*tag, oldImage) : std::nullopt;
        std::optional<std::string> newKey = KeyOf(*tag, newImage);
        if (oldKey == newKey)
            continue;
        if (oldKey)
            tag->m_entries.erase({*oldKey, recNo});
        if (newKey)
            tag->m_entries.insert({std::move(*newKey), recNo});
        m_indexDirty = true;
    }
}

CDbaseTag* CDbaseTable::Tag(std::string_view name)
{
    const std::string n = CutName(name);
    for (auto& t : m_tags)
        if (t->Name() == n)
            return t.get();
    return nullptr;
}

CDbaseTag* CDbaseTable::NextTag(CDbaseTag* tag)
{
    if (!tag)
        return m_tags.empty() ? nullptr : m_tags.front().get();
    for (size_t i = 0; i + 1 < m_tags.size(); ++i)
        if (m_tags[i].get() == tag)
            return m_tags[i + 1].get();
    return nullptr;
}

void CDbaseTable::Select(CDbaseTag* tag) { m_selected = tag; }

std::vector<TagSpec> CDbaseTable::TagSpecs() const
{
    std::vector<TagSpec> r;
    for (auto& t : m_tags)
        r.push_back(t->m_spec);
    return r;
}

int CDbaseTable::WriteMdx()
{
    if (m_readOnly)
        return 0;
    std::vector<MdxTagImage> images;
    for (auto& t : m_tags) {
        MdxTagImage img;
        img.spec = t->m_spec;
        img.keyType = t->m_keyType;
        img.keyLength = t->KeyLength();
        img.keys.reserve(t->m_entries.size());
        for (const CDbaseTag::Entry& e : t->m_entries) {
            std::string stored;
            if (t->m_keyType == 'N') {
                stored = BcdKey(DoubleFromSortable(e.key));
            } else if (t->m_keyType == 'D') {
                const double jd = DoubleFromSortable(e.key);
                stored.assign(reinterpret_cast<const char*>(&jd), 8);  // little-endian IEEE double
            } else {
                stored = e.key;
            }
            img.keys.emplace_back(std::move(stored), uint32_t(e.recNo));
        }
        images.push_back(std::move(img));
    }
    const size_t slash = m_path.find_last_of('/');
    const std::string name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    if (!WriteMdxFile(m_mdxPath, name, m_counter, images))
        return Fail(kErrWrite, 55);
    m_indexDirty = false;
    // Mark the data file as having a production index.
    if (!m_tags.empty()) {
        const char one = 1;
        WriteAllAt(m_fd, &one, 1, 28);
    }
    return 0;
}

int CDbaseTable::Reindex(const std::vector<TagSpec>& tags)
{
    if (m_readOnly)
        return Fail(kErrWrite, 56);
    if (int rc = Flush(); rc != 0)
        return rc;
    m_selected = nullptr;
    m_tags.clear();
    for (const TagSpec& t : tags) {
        if (int rc = AddTag(t); rc != 0) {
            m_tags.clear();
            return rc;
        }
    }
    BuildIndexes();
    return WriteMdx();
}

int CDbaseTable::FlushIndex()
{
    if (int rc = Flush(); rc != 0)
        return rc;
    return m_indexDirty ? WriteMdx() : 0;
}

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
        block = ReadNextFreeBlock(m_memoFd);
        const bool ok = WriteNextFreeBlock(m_memoFd, block + need);
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
    m_firstDirty = m_firstDirty ? std::min(m_firstDirty, m_recNo) : m_recNo;
    m_lastDirty = std::max(m_lastDirty, m_recNo);
    m_changed = false;
    return 0;
}

int CDbaseTable::Flush()
{
    if (m_fd < 0)
        return Fail(kErrMissing, 70);
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    if (m_firstDirty == 0 && !m_headerDirty)
        return 0;
    if (LockHeader() != 0)
        return Fail(kErrLockRefused, 71);
    DbfHeader disk;
    std::vector<FieldSpec> unused;
    const bool read = ReadDbfHeader(m_fd, disk, unused);
    const bool stale = read && disk.counter != m_counter;
    bool ok = true;
    if (m_firstDirty) {
        const size_t from = size_t(m_firstDirty - 1) * m_recordLength;
        const size_t to = size_t(m_lastDirty) * m_recordLength;
        ok = WriteAllAt(m_fd, m_data.data() + from, to - from, m_headerLength + off_t(from));
    }
    uint32_t count = uint32_t(m_recCount);
    if (read && disk.recordCount > count && !m_countShrunk)
        count = disk.recordCount;  // another handle appended past what we know
    if (ok && m_headerDirty && count == uint32_t(m_recCount)) {
        const char eof = 0x1A;
        ok = WriteAllAt(m_fd, &eof, 1, m_headerLength + off_t(count) * m_recordLength);
    }
    const uint32_t counter = (read ? disk.counter : m_counter) + 1;
    ok = ok && WriteDbfCounts(m_fd, count, counter);
    UnlockHeader();
    if (!ok)
        return Fail(kErrWrite, 72);
    m_counter = counter;
    m_firstDirty = m_lastDirty = 0;
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
    if (m_fd < 0 || m_firstDirty || m_headerDirty || m_appending)
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
    if (m_firstDirty || m_headerDirty) {
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
    m_firstDirty = m_firstDirty ? m_firstDirty : recNo;
    m_lastDirty = recNo;
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
    if (!m_tableLocked && std::find(m_recordLocks.begin(), m_recordLocks.end(), m_recNo) == m_recordLocks.end() &&
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

int CDbaseTable::Pack()
{
    if (m_readOnly)
        return Fail(kErrWrite, 100);
    const bool took = !m_tableLocked;
    if (took && Lock() != 0)
        return Fail(kErrLockRefused, 101);
    if (int rc = Flush(); rc != 0)
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
    bool ok = WriteAllAt(m_fd, m_data.data(), m_data.size(), m_headerLength);
    const char eof = 0x1A;
    ok = ok && WriteAllAt(m_fd, &eof, 1, m_headerLength + off_t(m_data.size()));
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
    if (m_readOnly)
        return Fail(kErrWrite, 110);
    const bool took = !m_tableLocked;
    if (took && Lock() != 0)
        return Fail(kErrLockRefused, 111);
    if (int rc = Flush(); rc != 0)
        return rc;
    // The live memos go to a fresh file; the records then point into it.
    const std::string tmp = m_dbtPath + ".tmp";
    const size_t slash = m_path.find_last_of('/');
    bool ok = WriteEmptyMemoFile(tmp, slash == std::string::npos ? m_path : m_path.substr(slash + 1));
    const int fd = ok ? ::open(tmp.c_str(), O_RDWR | O_CLOEXEC) : -1;
    ok = fd >= 0;
    uint32_t next = 1;
    std::vector<char> data = m_data;
    for (int32_t r = 1; ok && r <= m_recCount; ++r) {
        char* rec = data.data() + size_t(r - 1) * m_recordLength;
        for (auto& f : m_fields) {
            if (f->Type() != 'M')
                continue;
            char* slot = rec + f->m_offset;
            const std::string text = ReadMemo(std::string_view(slot, 10));
            char buf[16];
            if (text.empty()) {
                std::memset(slot, ' ', 10);
                continue;
            }
            ok = ok && WriteMemoText(fd, 512, next, text, m_version != 0x8B);
            std::snprintf(buf, sizeof buf, "%10u", next);
            std::memcpy(slot, buf, 10);
            next += BlocksFor(text.size() + 2, 512);
        }
    }
    ok = ok && WriteNextFreeBlock(fd, next) && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (ok)
        ok = ::rename(tmp.c_str(), m_dbtPath.c_str()) == 0;
    int rc = 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        rc = Fail(kErrWrite, 112);
    } else {
        ::close(m_memoFd);
        m_memoFd = ::open(m_dbtPath.c_str(), O_RDWR | O_CLOEXEC);
        m_memoBlockSize = 512;
        m_data = std::move(data);
        if (m_recCount > 0) {
            m_firstDirty = 1;
            m_lastDirty = m_recCount;
        }
        m_headerDirty = true;
        rc = Flush();
        if (m_recNo >= 1 && m_recNo <= m_recCount)
            LoadRecord(m_recNo);
    }
    if (took)
        Unlock();
    return rc;
}

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

int CDbaseTable::LockRange(off_t start, off_t len, bool wait)
{
    if (m_fd < 0)
        return Fail(kErrMissing, 140);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
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
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
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
    if (int rc = LockRange(kLockBase, kLockSpan, false); rc != 0)
        return rc;
    // Release only what the test took: our own record and append locks stay.
    UnlockRange(kLockBase, kLockSpan);
    if (m_appendLocked)
        LockRange(kLockBase, 1, false);
    for (int32_t r : m_recordLocks)
        LockRange(kLockBase + r, 1, false);
    return 0;
}

int CDbaseTable::LockRecord(int32_t recNo)
{
    if (m_tableLocked || std::find(m_recordLocks.begin(), m_recordLocks.end(), recNo) != m_recordLocks.end())
        return 0;
    if (int rc = LockRange(kLockBase + recNo, 1, true); rc != 0)
        return rc;
    m_recordLocks.push_back(recNo);
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

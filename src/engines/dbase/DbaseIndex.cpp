// CDbaseTable: tags, the index file in place, its recovery and rebuild.
#include "engines/dbase/DbaseTable.h"
#include "platform/Ascii.h"

#include "engines/dbase/KeyExpression.h"
#include "engines/dbase/KeyRuns.h"
#include "engines/dbase/MdxWriter.h"
#include "engines/dbase/TableFiles.h"
#include "platform/LocaleFreeNumbers.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace dbase {

namespace {

// ".NOT. DELETED()" however it is spaced or cased.
bool FiltersDeleted(const std::string& filter)
{
    std::string f;
    for (char c : filter)
        if (c != ' ')
            f += platform::AsciiUpper(c);
    return f == ".NOT.DELETED()";
}

}   // namespace

// ------------------------------------------------------------------ tags

int CDbaseTag::KeyLength() const
{
    return m_keyType == 'C' ? m_charLength : m_keyType == 'N' ? 12 : 8;
}

size_t CDbaseTag::KeyCount() const
{
    CIndexFile* index = m_table->m_index.get();
    if (!index || m_number < 0)
        return 0;
    m_table->Refresh();
    return index->KeyCount(m_number);
}

size_t CDbaseTag::CountEntries() const
{
    CIndexFile* index = m_table->m_index.get();
    if (!index || m_number < 0 || m_table->BeginRead() != 0)
        return 0;
    const size_t n = index->CountEntries(m_number);
    m_table->EndRead();
    return n;
}

std::vector<std::pair<std::string, int32_t>> CDbaseTag::Keys() const
{
    std::vector<std::pair<std::string, int32_t>> r;
    CIndexFile* index = m_table->m_index.get();
    if (!index || m_number < 0 || m_table->BeginRead() != 0)
        return r;
    IndexCursor c;
    // A damaged tree may lead a walk round in a circle: no walk is longer
    // than the file has room for entries.
    const uint64_t most = uint64_t(index->Pages()) / 2 * 256;
    for (bool ok = index->First(m_number, c); ok && r.size() < most; ok = index->Next(c)) {
        const std::string key = index->KeyAt(c);
        if (m_keyType == 'C') {
            r.emplace_back(key, int32_t(index->RecNoAt(c)));
        } else {
            r.emplace_back(platform::FormatC("%.10g", DoubleFromSortable(key)),
                           int32_t(index->RecNoAt(c)));
        }
    }
    m_table->EndRead();
    return r;
}

int CDbaseTable::AddTag(const TagDefinition& given)
{
    TagDefinition tagDef = given;
    tagDef.name = StoredName(tagDef.name);
    if (tagDef.name.empty() || Tag(tagDef.name) || m_tags.size() >= 47)
        return Fail(kErrTag, 50);
    std::vector<FieldSlot> slots;
    for (auto& f : m_fields)
        slots.push_back({f->Name(), f->Type(), f->Width(), f->Decimals(), f->m_offset});
    auto tag = std::make_unique<CDbaseTag>();
    tag->m_spec = tagDef;
    tag->m_table = this;
    tag->m_expr = CKeyExpression::Parse(tagDef.expression, slots);
    if (!tag->m_expr || tag->m_expr->Type() == 'L')
        return Fail(kErrExpression, 51);
    tag->m_keyType = tag->m_expr->Type();
    tag->m_charLength = tag->m_expr->Length();
    if (tag->m_keyType == 'C' && (tag->m_charLength < 1 || tag->m_charLength > 100))
        return Fail(kErrExpression, 52);
    if (!tagDef.filter.empty()) {
        tag->m_filter = CKeyExpression::Parse(tagDef.filter, slots);
        if (!tag->m_filter || tag->m_filter->Type() != 'L')
            return Fail(kErrExpression, 53);
        tag->m_filtersDeleted = FiltersDeleted(tagDef.filter);
    }
    m_tags.push_back(std::move(tag));
    return 0;
}

std::string CDbaseTable::BareKeyOf(const CDbaseTag& tag, const char* record) const
{
    switch (tag.m_keyType) {
    case 'N': return SortableDouble(tag.m_expr->EvalNumber(record));
    case 'D': return SortableDouble(JulianDay(tag.m_expr->EvalText(record)).value_or(0));
    default: return tag.m_expr->EvalText(record);
    }
}

std::optional<std::string> CDbaseTable::KeyOf(const CDbaseTag& tag, const char* record) const
{
    if (tag.m_filter && !tag.m_filter->EvalLogical(record))
        return std::nullopt;
    std::string key = BareKeyOf(tag, record);
    if (m_index && tag.m_number >= 0)
        key = m_index->Normalize(tag.m_number, key);
    return key;
}

int CDbaseTable::IndexRecord(int32_t recNo, const char* oldImage, const char* newImage)
{
    if (!m_index)
        return 0;
    for (auto& tag : m_tags) {
        if (tag->m_number < 0)
            continue;
        std::optional<std::string> oldKey = oldImage ? KeyOf(*tag, oldImage) : std::nullopt;
        std::optional<std::string> newKey = KeyOf(*tag, newImage);
        if (oldKey == newKey)
            continue;
        if ((oldKey && !RemoveKey(*tag, *oldKey, recNo)) ||
            (newKey && !AddKey(*tag, *newKey, recNo)))
            return Fail(kErrWrite, 54);
    }
    return 0;
}

bool CDbaseTable::AddKey(const CDbaseTag& tag, const std::string& key, int32_t recNo)
{
    if (!tag.m_spec.unique)
        return m_index->Insert(tag.m_number, key, uint32_t(recNo));
    // A unique tag holds each key once, for the first record that has it.
    IndexCursor c;
    if (m_index->LowerBound(tag.m_number, key, 0, c) && m_index->KeyAt(c) == key) {
        const uint32_t holder = m_index->RecNoAt(c);
        if (holder <= uint32_t(recNo))
            return true;
        bool failed = false;
        m_index->Erase(tag.m_number, key, holder, &failed);
        if (failed)
            return false;
    }
    return m_index->Insert(tag.m_number, key, uint32_t(recNo));
}

bool CDbaseTable::RemoveKey(const CDbaseTag& tag, const std::string& key, int32_t recNo)
{
    bool failed = false;
    const bool was = m_index->Erase(tag.m_number, key, uint32_t(recNo), &failed);
    if (failed)
        return false;
    if (!was || !tag.m_spec.unique)
        return true;
    // The key passes to the first other record that has it, if any: found by
    // reading the table, as no entry leads to it.
    for (int32_t r = 1; r <= m_recCount; ++r) {
        if (r == recNo)
            continue;
        const char* rec = RecordAt(r);
        if (!rec)
            return false;
        if (KeyOf(tag, rec) == key)
            return m_index->Insert(tag.m_number, key, uint32_t(r));
    }
    return true;
}

CDbaseTag* CDbaseTable::Tag(std::string_view name)
{
    const std::string n = StoredName(name);
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

void CDbaseTable::Select(CDbaseTag* tag)
{
    m_selected = tag;
    m_cursor.Reset();
}

std::vector<TagDefinition> CDbaseTable::TagSpecs() const
{
    std::vector<TagDefinition> r;
    for (auto& t : m_tags)
        r.push_back(t->m_spec);
    return r;
}

int32_t CDbaseTable::LiveCount()
{
    if (m_index) {
        for (auto& t : m_tags) {
            if (t->m_number >= 0 && FiltersDeleted(t->Filter())) {
                if (int rc = BeginRead(); rc != 0)
                    return rc;
                const int32_t n = int32_t(m_index->KeyCount(t->m_number));
                EndRead();
                return n;
            }
        }
    }
    if (int rc = FlushRecord(); rc != 0)
        return rc;
    Refresh();
    int32_t live = 0;
    for (int32_t r = 1; r <= m_recCount; ++r) {
        const char* rec = RecordAt(r);
        if (!rec)
            return Fail(kErrRead, 57);
        live += rec[0] != '*';
    }
    return live;
}

TableStats CDbaseTable::Stats()
{
    // One look under the header lock: the count, the live count and the
    // key counts all belong to the same moment.
    TableStats s;
    if (BeginRead() != 0)
        return s;
    s.records = m_recCount;
    s.syncs = m_syncs;
    s.recordPages = m_records.CachedPages();
    s.recordPageCapacity = m_records.CapacityPages();
    s.recordsPerPage = m_records.RecordsPerPage();
    s.recordPageReads = m_records.PageReads();
    if (m_index) {
        for (auto& t : m_tags)
            if (t->m_number >= 0 && FiltersDeleted(t->Filter()))
                s.live = int32_t(m_index->KeyCount(t->m_number));
        s.index = true;
        s.coverage = m_index->Header().coverage;
        s.clean = m_index->Header().clean;
        s.counter = m_index->Header().counter;
        s.pages = m_index->Pages();
        s.cachedBlocks = m_index->CachedBlocks();
        s.blockCapacity = m_index->CacheCapacity();
        s.blockReads = m_index->BlockReads();
        for (auto& t : m_tags)
            s.tagKeys.push_back(t->m_number >= 0 ? m_index->KeyCount(t->m_number) : 0);
    }
    EndRead();
    return s;
}

// ------------------------------------------------------------------ the index file

int CDbaseTable::OpenIndex(bool rebuildWhenUnsound)
{
    std::string why;
    m_index =
        CIndexFile::Open(m_mdxPath, m_readOnly, m_engine->indexCacheBlocks, m_recordLength, &why);
    if (!m_index) {
        m_warnings.push_back("the production index " + m_mdxPath + " " + why +
                             "; open without its tags");
        return 0;
    }
    bool allTags = true;
    for (size_t i = 0; i < m_index->Tags().size(); ++i) {
        const TagDefinition& definition = m_index->Tags()[i].definition;
        if (AddTag(definition) != 0) {
            // A tag we cannot evaluate is dropped; the caller sees it
            // missing and may define the tags again.
            m_engine->ResetError();
            m_warnings.push_back("tag " + definition.name + " dropped: its expression \"" +
                                 definition.expression + "\" or filter cannot be evaluated");
            allTags = false;
            continue;
        }
        m_tags.back()->m_number = int(i);
    }
    if (m_readOnly)
        return 0;
    if (!allTags && rebuildWhenUnsound) {
        // The index would go stale in the tags we cannot keep: it is written
        // again with the ones we can.
        return RebuildIndex();
    }
    return RecoverIndex();
}

int CDbaseTable::RecoverIndex()
{
    // Alone with the table (no other handle shares the presence lock), an
    // open may repair; with others present their writes keep the index true.
    const bool alone = LockRange(kPresenceLock, 1, false) == 0;
    int rc = 0;
    if (alone) {
        if (LockHeader() != 0)
            return Fail(kErrLockRefused, 58);
        // The count and the index header were read before this handle was
        // alone: another handle may have appended and closed since. Both are
        // judged as they are now, under the lock.
        Refresh();
        if (!m_index) {
            // The index another handle put in place cannot be read.
            UnlockHeader();
            m_warnings.push_back(
                "the production index could not be opened again; rebuilt from the data file");
            rc = RebuildIndex();
        } else if (const CIndexFile::State& s = m_index->Header();
                   !s.ours || s.coverage > uint32_t(m_recCount) || !m_index->LooksSound()) {
            UnlockHeader();
            m_warnings.push_back(
                std::string("the production index ") +
                (s.ours ? "did not match the data" : "was written by another program") +
                "; rebuilt from the data file");
            rc = RebuildIndex();
        } else if (!s.clean || NeedsRepair()) {
            const bool wasClean = s.clean;
            m_index->BeginChange();
            int repaired = RepairIndex(true);
            m_index->EndChange();
            if (repaired == 0 && !m_index->WriteHeader())
                repaired = Fail(kErrWrite, 59);
            UnlockHeader();
            if (repaired != 0) {
                m_engine->ResetError();
                m_warnings.push_back("the production index could not be brought up to date; "
                                     "rebuilt from the data file");
                rc = RebuildIndex();
            } else if (!wasClean) {
                m_warnings.push_back(
                    "the production index was not closed cleanly; brought up to date");
            }
        } else {
            UnlockHeader();
        }
    }
    // Hold the presence lock shared for as long as the table is open.
    if (LockRange(kPresenceLock, 1, true, F_RDLCK, std::max(m_engine->lockWaitMs, 30000)) != 0)
        return Fail(kErrLockRefused, 59);
    if (rc == 0 && m_index && m_index->Header().clean) {
        if (LockHeader() == 0) {
            m_index->Reload();
            m_index->MutableHeader().clean = false;   // a writer has it open
            m_index->WriteHeader();
            UnlockHeader();
        }
    }
    return rc;
}

bool CDbaseTable::NeedsRepair()
{
    // An odd change counter outside any write section: a writer died in one.
    const CIndexFile::State& s = m_index->Header();
    return s.committed != 0 || s.pendingRecord != 0 || s.coverage != uint32_t(m_recCount) ||
           (s.counter & 1) != 0;
}

int CDbaseTable::RepairIndex(bool adopt)
{
    // The header lock is held: no write section of any handle is under way,
    // so whatever the header says is unfinished was left by a crash.
    bool ok = m_index->ReplayJournal();
    // Whole records an unfinished append left past the count are kept: the
    // count takes them in and their keys go in with the others past the
    // coverage.
    if (ok && adopt && AdoptRecordsPastCount() != 0)
        ok = false;
    CIndexFile::State& w = m_index->MutableHeader();
    // A record that was being changed: out with the keys of its old image
    // and of what the file holds now, in with the latter's.
    const uint32_t pending = w.pendingRecord;
    if (ok && pending != 0) {
        const std::string old = m_index->JournalledRecord(m_recordLength);
        const char* now = RecordAt(int32_t(pending));
        const std::string current = now ? std::string(now, m_recordLength) : std::string();
        for (auto& t : m_tags) {
            if (t->m_number < 0)
                continue;
            if (t->m_spec.unique) {   // counted afresh below
                const std::optional<std::string> was =
                    old.size() == m_recordLength ? KeyOf(*t, old.data()) : std::nullopt;
                const std::optional<std::string> is =
                    current.empty() ? std::nullopt : KeyOf(*t, current.data());
                ok = ok && (!was || RemoveKey(*t, *was, int32_t(pending))) &&
                     (!is || RemoveKey(*t, *is, int32_t(pending))) &&
                     (!is || AddKey(*t, *is, int32_t(pending)));
                continue;
            }
            // The durable count holds the old image's key: after every key
            // of the record is out it must be one less than that, or equal.
            uint32_t erased = 0, counted = 0;
            if (old.size() == m_recordLength) {
                if (auto k = KeyOf(*t, old.data())) {
                    counted = 1;
                    erased += m_index->Erase(t->m_number, *k, pending);
                }
            }
            if (!current.empty())
                if (auto k = KeyOf(*t, current.data()))
                    erased += m_index->Erase(t->m_number, *k, pending);
            w.keyCounts[size_t(t->m_number)] += erased - counted;
            if (!current.empty())
                if (auto k = KeyOf(*t, current.data()))
                    ok = ok && m_index->Insert(t->m_number, *k, pending);
        }
    }
    // Records past the coverage: their keys in (some may be already).
    for (int32_t r = int32_t(w.coverage) + 1; ok && r <= m_recCount; ++r) {
        const char* rec = RecordAt(r);
        ok = rec != nullptr;
        for (auto& t : m_tags) {
            if (!ok || t->m_number < 0)
                continue;
            std::optional<std::string> k = KeyOf(*t, rec);
            if (!k)
                continue;
            if (t->m_spec.unique)
                ok = AddKey(*t, *k, r);
            else if (m_index->Contains(t->m_number, *k, uint32_t(r)))
                ++w.keyCounts[size_t(t->m_number)];   // in, but not yet counted
            else
                ok = m_index->Insert(t->m_number, *k, uint32_t(r));
            rec = RecordAt(r);
        }
    }
    for (auto& t : m_tags)
        if (ok && t->m_number >= 0 && t->m_spec.unique)
            w.keyCounts[size_t(t->m_number)] = m_index->CountEntries(t->m_number);
    w.pendingRecord = 0;
    w.coverage = uint32_t(m_recCount);
    m_index->MarkDurable();
    ok = ok && m_index->WriteHeader();
    m_cursor.Reset();
    return ok ? 0 : Fail(kErrWrite, 59);
}

int CDbaseTable::WriteIndexFrom(int fd, int32_t count, const std::string& mdxPath)
{
    // Each tag's keys go through a bounded sort as fixed-size entries whose
    // byte order is the tag's walk order: the key as the tag compares it
    // (numbers as their stored form reads back, so the order is the one
    // changes in place keep; bytes inverted for a descending tag), then the
    // record number, high byte first.
    const size_t slash = mdxPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : mdxPath.substr(0, slash);
    struct TagKeys {
        const CDbaseTag* tag;
        size_t keyBytes;
        std::unique_ptr<CKeyRuns> runs;
    };
    std::vector<TagKeys> tags;
    const size_t budget =
        std::max<size_t>(m_engine->rebuildSortBytes / std::max<size_t>(m_tags.size(), 1), 1 << 16);
    for (auto& t : m_tags) {
        const size_t keyBytes = t->m_keyType == 'C' ? size_t(t->KeyLength()) : 8;
        tags.push_back(
            {t.get(), keyBytes, std::make_unique<CKeyRuns>(keyBytes + 4, budget, folder)});
    }
    // Keys straight from the file in large reads, past the record cache.
    const int32_t chunk = int32_t(std::max<size_t>((size_t(1) << 20) / m_recordLength, 1));
    std::vector<char> buf;
    std::vector<unsigned char> entry(104 + 4);
    for (int32_t first = 1; first <= count; first += chunk) {
        const int32_t n = std::min(chunk, count - first + 1);
        buf.resize(size_t(n) * m_recordLength);
        if (!ReadAll(fd, buf.data(), buf.size(),
                     m_headerLength + off_t(first - 1) * m_recordLength))
            return Fail(kErrRead, 30);
        for (int32_t i = 0; i < n; ++i) {
            const char* rec = buf.data() + size_t(i) * m_recordLength;
            const uint32_t recNo = uint32_t(first + i);
            for (TagKeys& k : tags) {
                const CDbaseTag& tag = *k.tag;
                if (tag.m_filter && !tag.m_filter->EvalLogical(rec))
                    continue;
                std::string key = BareKeyOf(tag, rec);
                if (tag.m_keyType == 'N')
                    key = SortableDouble(BcdKeyValue(BcdKey(DoubleFromSortable(key))));
                key.resize(k.keyBytes, ' ');
                std::memcpy(entry.data(), key.data(), k.keyBytes);
                if (tag.m_spec.descending)
                    for (size_t b = 0; b < k.keyBytes; ++b)
                        entry[b] = uint8_t(~entry[b]);
                for (int b = 0; b < 4; ++b)
                    entry[k.keyBytes + size_t(b)] = uint8_t(recNo >> (24 - 8 * b));
                if (!k.runs->Add(entry.data()))
                    return Fail(kErrWrite, 30);
            }
        }
        // Reading is the first part of the work, writing each tag's keys
        // the rest (at most one key a record a tag).
        if (m_engine->progress)
            m_engine->progress(first + n - 1, int64_t(count) * int64_t(1 + tags.size()));
    }
    int64_t work = count, done = count;
    for (const TagKeys& k : tags)
        work += int64_t(k.runs->Count());

    const std::string name = m_path.substr(m_path.find_last_of('/') + 1);
    CMdxWriter writer(mdxPath, name, m_counter);
    if (!writer.Open())
        return Fail(kErrWrite, 55);
    for (TagKeys& k : tags) {
        const CDbaseTag& tag = *k.tag;
        if (!writer.BeginTag(tag.m_spec, tag.m_keyType, tag.KeyLength()))
            return Fail(kErrWrite, 55);
        // A unique tag keeps the first record of each key.
        std::string previous, key(k.keyBytes, '\0');
        bool any = false;
        const bool drained = k.runs->Drain([&](const unsigned char* e) {
            std::memcpy(key.data(), e, k.keyBytes);
            if (tag.m_spec.unique && any && key == previous)
                return true;
            any = true;
            previous = key;
            if (tag.m_spec.descending)
                for (char& c : key)
                    c = char(~c);
            const uint32_t recNo = uint32_t(e[k.keyBytes]) << 24 |
                                   uint32_t(e[k.keyBytes + 1]) << 16 |
                                   uint32_t(e[k.keyBytes + 2]) << 8 | e[k.keyBytes + 3];
            std::string stored;
            if (tag.m_keyType == 'N') {
                stored = BcdKey(DoubleFromSortable(key));
            } else if (tag.m_keyType == 'D') {
                const double jd = DoubleFromSortable(key);
                stored.assign(reinterpret_cast<const char*>(&jd), 8);   // little-endian IEEE double
            } else {
                stored = key;
            }
            if (++done % 65536 == 0 && m_engine->progress)
                m_engine->progress(done, work);
            return writer.Add(stored, recNo);
        });
        k.runs.reset();   // its memory and temporary file go before the next tag's
        if (!drained)
            return Fail(kErrRead, 30);
        if (!writer.EndTag())
            return Fail(kErrWrite, 55);
    }
    if (!writer.Finish(uint32_t(count)))
        return Fail(kErrWrite, 55);
    if (m_engine->progress)
        m_engine->progress(work, work);
    return 0;
}

int CDbaseTable::UseIndexFile()
{
    std::string why;
    m_index =
        CIndexFile::Open(m_mdxPath, m_readOnly, m_engine->indexCacheBlocks, m_recordLength, &why);
    if (!m_index)
        return Fail(kErrRead, 56);
    for (size_t t = 0; t < m_tags.size(); ++t)
        m_tags[t]->m_number = int(t);
    return 0;
}

int CDbaseTable::RebuildIndex()
{
    if (m_readOnly)
        return 0;
    // The whole rebuild is one write section of the header lock (already
    // held inside BeginWrite), and it reads as many records as the data file
    // counts now: the count this handle saw last may be older than another
    // handle's appends, which the new index and the count written back with
    // it would otherwise leave out.
    const bool took = !m_inWrite;
    if (took && LockHeader() != 0)
        return Fail(kErrLockRefused, 58);
    const int rc = RebuildIndexLocked();
    if (took)
        UnlockHeader();
    return rc;
}

int CDbaseTable::RebuildIndexLocked()
{
    m_cursor.Reset();
    // Handles reading the old file find its counter left odd: they take the
    // header lock, see the data file's new change counter and follow.
    if (m_index) {
        m_index->Reload();
        m_index->BeginChange();
    }
    m_index.reset();
    for (auto& t : m_tags)
        t->m_number = -1;
    Refresh();   // without an index: the data file's count and counter alone
    if (int rc = WriteIndexFrom(m_fd, m_recCount, m_mdxPath); rc != 0)
        return rc;
    // Mark the data file as having a production index.
    const char one = 1;
    WriteAll(m_fd, &one, 1, 28);
    if (int rc = UseIndexFile(); rc != 0)
        return rc;
    // Other handles learn of the new file from the data file's change counter.
    if (WriteDbfCounts(m_fd, uint32_t(m_recCount), m_counter + 1))
        ++m_counter;
    return 0;
}

void CDbaseTable::FollowIndexFile()
{
    if (!m_index || m_index->IsFileAt(m_mdxPath))
        return;
    m_cursor.Reset();
    std::string why;
    m_index =
        CIndexFile::Open(m_mdxPath, m_readOnly, m_engine->indexCacheBlocks, m_recordLength, &why);
    for (auto& t : m_tags)
        t->m_number = -1;
    if (!m_index)
        return;
    // Tags keep their objects (a caller may hold one); new ones are added.
    for (size_t i = 0; i < m_index->Tags().size(); ++i) {
        const TagDefinition& definition = m_index->Tags()[i].definition;
        CDbaseTag* tag = Tag(definition.name);
        if (!tag && AddTag(definition) == 0)
            tag = m_tags.back().get();
        m_engine->ResetError();
        if (tag)
            tag->m_number = int(i);
    }
}

int CDbaseTable::Reindex(const std::vector<TagDefinition>& tags)
{
    if (m_readOnly)
        return Fail(kErrWrite, 56);
    if (int rc = Flush(); rc != 0)
        return rc;
    m_selected = nullptr;
    m_tags.clear();
    for (const TagDefinition& t : tags) {
        if (int rc = AddTag(t); rc != 0) {
            m_tags.clear();
            return rc;
        }
    }
    if (tags.empty()) {
        m_index.reset();
        ::unlink(m_mdxPath.c_str());
        return 0;
    }
    return RebuildIndex();
}

int CDbaseTable::FlushIndex()
{
    return Flush();
}

}   // namespace dbase

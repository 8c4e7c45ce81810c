#include "engines/dbase/IndexFile.h"

#include "engines/dbase/KeyExpression.h"
#include "engines/dbase/TableFiles.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <endian.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbase {

namespace {

constexpr int kPage = 512;   // block numbers count 512-byte pages
constexpr int kPagesPerBlock = kIndexBlock / kPage;
constexpr int kTagTable = 544;
constexpr int kFilterOffset = 0x200;
constexpr int kMaxTags = 47;
constexpr int kMaxDepth = 16;
constexpr uint32_t kJournalImages = 32;   // blocks one change may touch
constexpr size_t kHeaderWrite = 544;   // the header bytes we ever change: all before the tag table

// Our fields in the header's reserved bytes.
constexpr int kMagicAt = 52, kCoverageAt = 56, kCleanAt = 60, kCounterAt = 64, kJournalAt = 68,
              kCommittedAt = 72, kPendingAt = 76, kCountsAt = 96;
constexpr char kMagic[4] = {'I', 'X', 'C', '1'};
// The change list, also in the reserved bytes: the counter of the last write
// section that kept it, a floor (every section that ended above it is
// listed), the next slot and the slots in use, then slots of (counter the
// section ended with, page it wrote).
constexpr int kChangesAt = 288, kChangeSlotsAt = kChangesAt + 12;
constexpr uint32_t kChangeSlots = 30;
static_assert(kChangeSlotsAt + 8 * kChangeSlots <= kHeaderWrite);
constexpr uint32_t kControlMagic = 0x4C4E524A;

uint32_t Get32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint32_t Get16(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
void Put32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
void Put16(unsigned char* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

off_t At(uint32_t page)
{
    return off_t(page) * kPage;
}

}   // namespace

// ------------------------------------------------------------------ opening

std::unique_ptr<CIndexFile> CIndexFile::Open(const std::string& path, bool readOnly,
                                             size_t cacheBlocks, size_t recordLength,
                                             std::string* why)
{
    std::unique_ptr<CIndexFile> f(new CIndexFile);
    f->m_path = path;
    f->m_readOnly = readOnly;
    f->m_capacity = std::max<size_t>(cacheBlocks, 64);
    f->m_cache = std::make_unique<CBlockCache>(f->m_capacity, kIndexBlock);
    f->m_recordLength = recordLength;
    f->m_fd = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    auto refuse = [&](const char* text) {
        if (why)
            *why = text;
        return nullptr;
    };
    if (f->m_fd < 0)
        return refuse("cannot be opened");
    if (!f->ReadHeaderBytes())
        return refuse("has no index header");
    const unsigned char* h = f->m_head.data();
    const uint32_t used = Get16(h + 28);
    if (h[0] != 2 || Get16(h + 22) != kIndexBlock || used > kMaxTags)
        return refuse("is not a production index of 1024-byte blocks");
    for (uint32_t i = 0; i < used; ++i) {
        const unsigned char* entry = h + kTagTable + 32 * i;
        Tag t;
        t.headerPage = Get32(entry);
        const unsigned char* th =
            t.headerPage >= 2 && t.headerPage < f->m_pages ? f->Read(t.headerPage) : nullptr;
        if (!th)
            return refuse("has a tag header that cannot be read");
        t.definition.name.assign(reinterpret_cast<const char*>(entry + 4),
                                 strnlen(reinterpret_cast<const char*>(entry + 4), 11));
        t.definition.expression.assign(reinterpret_cast<const char*>(th + 24),
                                       strnlen(reinterpret_cast<const char*>(th + 24), 220));
        t.definition.filter.assign(reinterpret_cast<const char*>(th + kFilterOffset),
                                   strnlen(reinterpret_cast<const char*>(th + kFilterOffset), 220));
        t.definition.unique = th[23] != 0;
        t.definition.descending = (entry[15] & 0x08) != 0;
        t.keyType = char(th[9]);
        t.keyLength = int(Get16(th + 12));
        t.itemLength = int(Get16(th + 18));
        t.maxKeys = int(Get16(th + 14));
        const bool lengthOk = t.keyType == 'C'   ? t.keyLength >= 1 && t.keyLength <= 100
                              : t.keyType == 'N' ? t.keyLength == 12
                              : t.keyType == 'D' ? t.keyLength == 8
                                                 : false;
        if (t.definition.name.empty() || t.definition.expression.empty() || !lengthOk ||
            t.itemLength != (t.keyLength + 4 + 3) / 4 * 4 || t.maxKeys < 2 ||
            12 + t.maxKeys * t.itemLength > kIndexBlock)
            return refuse("has a tag description that is not sound");
        f->m_tags.push_back(t);
    }
    f->m_state.keyCounts.resize(f->m_tags.size(), 0);
    f->ReadHeaderBytes();   // again, now that the tag count is known
    // The tag headers were read before the change counter the handle now
    // goes by: a writer in between (a root split moves a tag's root) would
    // leave them older than the counter, and the change list, which names
    // only blocks changed after it, would never drop them. They are read
    // again when first used.
    f->Drop();
    void* map =
        f->m_state.ours ? ::mmap(nullptr, kPage, PROT_READ, MAP_SHARED, f->m_fd, 0) : MAP_FAILED;
    if (map != MAP_FAILED)
        f->m_map = static_cast<const unsigned char*>(map);
    return f;
}

bool CIndexFile::IsFileAt(const std::string& path) const
{
    struct stat mine {
    }, named{};
    return ::fstat(m_fd, &mine) == 0 && ::stat(path.c_str(), &named) == 0 &&
           mine.st_ino == named.st_ino && mine.st_dev == named.st_dev;
}

CIndexFile::~CIndexFile()
{
    if (m_map)
        ::munmap(const_cast<unsigned char*>(m_map), kPage);
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CIndexFile::ReadHeaderBytes()
{
    if (!ReadAll(m_fd, m_head.data(), m_head.size(), 0))
        return false;
    const unsigned char* h = m_head.data();
    const off_t size = ::lseek(m_fd, 0, SEEK_END);
    m_pages = std::max<uint32_t>(Get32(h + 32),
                                 uint32_t((size + kIndexBlock - 1) / kIndexBlock * kPagesPerBlock));
    State& s = m_state;
    s.ours = std::memcmp(h + kMagicAt, kMagic, 4) == 0;
    s.coverage = s.ours ? Get32(h + kCoverageAt) : 0;
    s.clean = s.ours && h[kCleanAt] == 1;
    s.counter = s.ours ? Get32(h + kCounterAt) : 0;
    s.journalPage = s.ours ? Get32(h + kJournalAt) : 0;
    s.committed = s.ours ? Get32(h + kCommittedAt) : 0;
    s.pendingRecord = s.ours ? Get32(h + kPendingAt) : 0;
    for (size_t i = 0; i < s.keyCounts.size(); ++i)
        s.keyCounts[i] = s.ours ? Get32(h + kCountsAt + 4 * i) : 0;
    m_durableCounts = s.keyCounts;
    return true;
}

bool CIndexFile::Reload()
{
    // Most moves find nothing changed: the few bytes of our state first,
    // the whole header only when the change counter moved.
    unsigned char state[kPendingAt + 4 - kCoverageAt];
    if (!ReadAll(m_fd, state, sizeof state, kCoverageAt))
        return false;
    if (m_state.ours && Get32(state + (kCounterAt - kCoverageAt)) == m_state.counter) {
        m_state.coverage = Get32(state);
        m_state.clean = state[kCleanAt - kCoverageAt] == 1;
        m_state.journalPage = Get32(state + (kJournalAt - kCoverageAt));
        m_state.committed = Get32(state + (kCommittedAt - kCoverageAt));
        m_state.pendingRecord = Get32(state + (kPendingAt - kCoverageAt));
        return true;
    }
    const uint32_t seen = m_state.counter;
    if (!ReadHeaderBytes())
        return false;
    if (m_state.counter != seen)
        Forget(seen);
    return true;
}

void CIndexFile::Forget(uint32_t seen)
{
    // The change list names the blocks other handles wrote since `seen` when
    // its keeper wrote last (nobody changed the index without keeping it)
    // and it reaches back that far; otherwise nothing cached can be trusted.
    const unsigned char* r = m_head.data() + kChangesAt;
    const uint32_t used = Get16(r + 10);
    if (Get32(r) != m_state.counter || Get32(r + 4) > seen || used > kChangeSlots ||
        Get16(r + 8) >= kChangeSlots) {
        Drop();
        return;
    }
    for (uint32_t i = 0; i < used; ++i) {
        const unsigned char* slot = r + 12 + 8 * i;
        if (Get32(slot) > seen)
            Evict(Get32(slot + 4));
    }
}

void CIndexFile::ListChanges(uint32_t ended)
{
    unsigned char* r = m_head.data() + kChangesAt;
    uint32_t floor = Get32(r + 4), next = Get16(r + 8), used = Get16(r + 10);
    if (m_changedPages.size() > kChangeSlots) {
        // More than the list holds: it starts afresh, and a handle that
        // looked before this section drops everything.
        floor = ended;
        next = used = 0;
    } else {
        for (uint32_t page : m_changedPages) {
            unsigned char* slot = r + 12 + 8 * next;
            if (used == kChangeSlots)
                floor = std::max(floor, Get32(slot));   // the oldest entry goes
            else
                ++used;
            Put32(slot, ended);
            Put32(slot + 4, page);
            next = (next + 1) % kChangeSlots;
        }
    }
    Put32(r, ended);
    Put32(r + 4, floor);
    Put16(r + 8, next);
    Put16(r + 10, used);
    m_changedPages.clear();
}

std::optional<uint32_t> CIndexFile::CounterNow() const
{
    if (!m_map)
        return std::nullopt;
    // Another process may be writing it: a torn value only differs from the
    // one this handle knows, which sends the caller the careful way.
    uint32_t v;
    std::memcpy(&v, const_cast<const unsigned char*>(m_map) + kCounterAt, 4);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    return le32toh(v);
}

bool CIndexFile::BeginChange()
{
    if (m_readOnly)
        return false;
    // A change made without keeping the change list (a crash inside a write
    // section, a repair, a program that does not know the list) left the
    // counter where the list's keeper did not: the list starts again here.
    unsigned char* r = m_head.data() + kChangesAt;
    if (Get32(r) != m_state.counter || Get16(r + 10) > kChangeSlots ||
        Get16(r + 8) >= kChangeSlots) {
        std::memset(r, 0, 12);
        Put32(r, m_state.counter);
        Put32(r + 4, m_state.counter);
    }
    m_changedPages.clear();
    m_state.counter = (m_state.counter + 1) | 1;
    unsigned char b[4];
    Put32(b, m_state.counter);
    return WriteAll(m_fd, b, 4, kCounterAt);
}

bool CIndexFile::WriteHeader()
{
    if (m_readOnly)
        return false;
    unsigned char* h = m_head.data();
    const State& s = m_state;
    Put32(h + 32, m_pages);
    Put32(h + 36, m_pages);
    std::memcpy(h + kMagicAt, kMagic, 4);
    Put32(h + kCoverageAt, s.coverage);
    h[kCleanAt] = s.clean ? 1 : 0;
    Put32(h + kCounterAt, s.counter);
    Put32(h + kJournalAt, s.journalPage);
    Put32(h + kCommittedAt, s.committed);
    Put32(h + kPendingAt, s.pendingRecord);
    for (size_t i = 0; i < m_durableCounts.size(); ++i)
        Put32(h + kCountsAt + 4 * i, m_durableCounts[i]);
    return WriteAll(m_fd, h, kHeaderWrite, 0);
}

bool CIndexFile::Sync()
{
    return m_readOnly || ::fdatasync(m_fd) == 0;
}

// ------------------------------------------------------------------ blocks

void CIndexFile::Drop()
{
    m_last = nullptr;
    m_cache->Clear();
}

void CIndexFile::Evict(uint32_t page)
{
    if (m_last && m_lastPage == page)
        m_last = nullptr;
    m_cache->Erase(page);
}

void CIndexFile::KeepLast()
{
    if (m_last)
        m_cache->Keep(m_lastSlot);
}

const unsigned char* CIndexFile::Read(uint32_t page)
{
    for (auto& [p, block] : m_writes) {
        if (p == page) {
            m_last = nullptr;
            return block.data();
        }
    }
    if (m_last && m_lastPage == page)
        return m_last;   // the block asked for just before: most moves stay in one leaf
    int32_t slot = m_cache->Find(page);
    if (slot == CBlockCache::kNone) {
        m_last = nullptr;
        if (page < 2 || page >= m_pages)
            return nullptr;
        slot = m_cache->Insert(page);
        if (!ReadAll(m_fd, m_cache->Data(slot), kIndexBlock, At(page))) {
            m_cache->Erase(page);
            return nullptr;
        }
        ++m_reads;
    }
    m_last = m_cache->Data(slot);
    m_lastSlot = slot;
    m_lastPage = page;
    return m_last;
}

unsigned char* CIndexFile::Change(uint32_t page)
{
    for (auto& [p, block] : m_writes)
        if (p == page)
            return block.data();
    const unsigned char* now = Read(page);
    if (!now)
        return nullptr;
    Block copy;
    std::memcpy(copy.data(), now, kIndexBlock);
    m_writes.emplace_back(page, copy);
    return m_writes.back().second.data();
}

unsigned char* CIndexFile::NewBlock(uint32_t& page)
{
    page = m_pages;
    m_pages += kPagesPerBlock;
    m_writes.emplace_back(page, Block{});
    return m_writes.back().second.data();
}

bool CIndexFile::EnsureJournal()
{
    if (m_state.journalPage != 0)
        return true;
    const uint32_t recordBlocks = uint32_t((m_recordLength + kIndexBlock - 1) / kIndexBlock);
    m_state.journalPage = m_pages;
    m_pages += kPagesPerBlock * (1 + kJournalImages + recordBlocks);
    // Make the room real, so a reader's page count never runs past the file.
    const unsigned char zero = 0;
    return WriteAll(m_fd, &zero, 1, At(m_pages) - 1);
}

bool CIndexFile::Commit()
{
    if (m_writes.empty())
        return true;
    if (m_readOnly) {
        m_writes.clear();
        return false;
    }
    bool ok = true;
    if (m_writes.size() == 1 && m_writes.front().first < Get32(m_head.data() + 32)) {
        // One block in place: a single write, whole or not at all.
        ok =
            WriteAll(m_fd, m_writes.front().second.data(), kIndexBlock, At(m_writes.front().first));
    } else {
        // Several: images to the journal, commit in the header, then in place.
        ok = m_writes.size() <= kJournalImages && EnsureJournal();
        std::vector<unsigned char> images;
        Block control{};
        Put32(control.data(), kControlMagic);
        Put32(control.data() + 4, uint32_t(m_writes.size()));
        size_t i = 0;
        for (auto& [page, block] : m_writes) {
            Put32(control.data() + 8 + 4 * i++, page);
            images.insert(images.end(), block.begin(), block.end());
        }
        const uint32_t j = m_state.journalPage;
        ok = ok && WriteAll(m_fd, images.data(), images.size(), At(j + kPagesPerBlock)) &&
             WriteAll(m_fd, control.data(), control.size(), At(j));
        m_state.committed = uint32_t(m_writes.size());
        ok = ok && WriteHeader();
        for (auto& [page, block] : m_writes)
            ok = ok && WriteAll(m_fd, block.data(), kIndexBlock, At(page));
        m_state.committed = 0;
        ok = ok && WriteHeader();
    }
    for (auto& [page, block] : m_writes) {
        if (const int32_t slot = m_cache->Find(page); slot != CBlockCache::kNone)
            std::memcpy(m_cache->Data(slot), block.data(), kIndexBlock);
        if (std::find(m_changedPages.begin(), m_changedPages.end(), page) == m_changedPages.end())
            m_changedPages.push_back(page);
    }
    m_writes.clear();
    if (!ok)
        Drop();
    return ok;
}

bool CIndexFile::ReplayJournal()
{
    if (m_state.committed == 0)
        return true;
    Block control;
    const uint32_t j = m_state.journalPage;
    bool ok = j != 0 && ReadAll(m_fd, control.data(), control.size(), At(j)) &&
              Get32(control.data()) == kControlMagic;
    const uint32_t n = ok ? Get32(control.data() + 4) : 0;
    ok = ok && n == m_state.committed && n <= kJournalImages;
    for (uint32_t i = 0; ok && i < n; ++i) {
        Block b;
        const uint32_t page = Get32(control.data() + 8 + 4 * i);
        ok = page >= 2 && page < m_pages &&
             ReadAll(m_fd, b.data(), b.size(), At(j + kPagesPerBlock * (1 + i))) &&
             WriteAll(m_fd, b.data(), b.size(), At(page));
    }
    Drop();
    if (!ok)
        return false;
    m_state.committed = 0;
    return WriteHeader();
}

bool CIndexFile::JournalRecord(uint32_t recNo, const char* image, size_t length)
{
    if (m_readOnly || length > m_recordLength || !EnsureJournal())
        return false;
    const off_t at = At(m_state.journalPage + kPagesPerBlock * (1 + kJournalImages));
    if (!WriteAll(m_fd, image, length, at))
        return false;
    m_state.pendingRecord = recNo;
    return WriteHeader();
}

bool CIndexFile::Settle()
{
    m_state.pendingRecord = 0;
    return WriteHeader();
}

std::string CIndexFile::JournalledRecord(size_t length)
{
    if (m_state.pendingRecord == 0 || m_state.journalPage == 0 || length > m_recordLength)
        return {};
    std::string image(length, '\0');
    const off_t at = At(m_state.journalPage + kPagesPerBlock * (1 + kJournalImages));
    if (!ReadAll(m_fd, image.data(), length, at))
        return {};
    return image;
}

// ------------------------------------------------------------------ keys

void CIndexFile::SortableNumber(const Tag& t, const unsigned char* item, char* out) const
{
    const char* k = reinterpret_cast<const char*>(item + 4);
    double value = 0;
    if (t.keyType == 'N')
        value = BcdKeyValue(std::string_view(k, 12));
    else
        std::memcpy(&value, k, 8);
    SortableDoubleInto(value, out);
}

std::string CIndexFile::Sortable(const Tag& t, const unsigned char* item) const
{
    if (t.keyType == 'N' || t.keyType == 'D') {
        std::string s(8, '\0');
        SortableNumber(t, item, s.data());
        return s;
    }
    return std::string(reinterpret_cast<const char*>(item + 4), size_t(t.keyLength));
}

std::string CIndexFile::Stored(const Tag& t, std::string_view key) const
{
    switch (t.keyType) {
    case 'N': return BcdKey(DoubleFromSortable(key));
    case 'D': {
        const double jd = DoubleFromSortable(key);
        return std::string(reinterpret_cast<const char*>(&jd), 8);
    }
    default: {
        std::string s(key.substr(0, size_t(t.keyLength)));
        s.resize(size_t(t.keyLength), ' ');
        return s;
    }
    }
}

std::string CIndexFile::Normalize(int tag, std::string_view key, std::string* storedOut) const
{
    const Tag& t = m_tags[size_t(tag)];
    unsigned char item[4 + 104] = {};
    const std::string stored = Stored(t, key);
    std::memcpy(item + 4, stored.data(), stored.size());
    if (storedOut)
        *storedOut = stored;
    return Sortable(t, item);
}

int CIndexFile::Compare(const Tag& t, const unsigned char* item, std::string_view key) const
{
    // A text key shorter than the tag's compares with as much of each entry:
    // every entry it begins is equal to it, so a seek for the start of a key
    // lands on the first of them whichever way the tag runs.
    int cmp = 0;
    if (t.keyType == 'C') {
        const size_t n = std::min(size_t(t.keyLength), key.size());
        cmp = std::string_view(reinterpret_cast<const char*>(item + 4), n).compare(key);
    } else {
        // Numbers and dates compare in their sortable bytes, made on the
        // stack: a seek or an insert compares at every level of the tree.
        char bytes[8];
        SortableNumber(t, item, bytes);
        cmp = std::string_view(bytes, 8).compare(key);
    }
    // A descending tag keeps its entries from the highest key down, as its
    // stored flag tells every reader; equal keys stay in record order.
    return t.definition.descending ? -cmp : cmp;
}

bool CIndexFile::IsLeaf(const Tag& t, const unsigned char* b) const
{
    return Get32(b + 8 + size_t(Get32(b)) * size_t(t.itemLength)) == 0;
}

// ------------------------------------------------------------------ walking

namespace {

const unsigned char* Item(const unsigned char* b, const CIndexFile::Tag& t, size_t i)
{
    return b + 8 + i * size_t(t.itemLength);
}

}   // namespace

uint32_t CIndexFile::Root(int tag)
{
    const unsigned char* th = Read(m_tags[size_t(tag)].headerPage);
    KeepLast();
    return th ? Get32(th) : 0;
}

bool CIndexFile::SetRoot(int tag, uint32_t page)
{
    unsigned char* th = Change(m_tags[size_t(tag)].headerPage);
    if (!th)
        return false;
    Put32(th, page);
    return true;
}

bool CIndexFile::MaxBelow(const Tag& t, uint32_t page, std::string_view key, uint32_t recNo)
{
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        const unsigned char* b = Read(page);
        if (!b || Get32(b) > uint32_t(t.maxKeys))
            return false;
        const uint32_t n = Get32(b);
        if (IsLeaf(t, b)) {
            if (n == 0)
                return true;
            const unsigned char* last = Item(b, t, n - 1);
            const int cmp = Compare(t, last, key);
            return cmp < 0 || (cmp == 0 && Get32(last) < recNo);
        }
        KeepLast();
        page = Get32(Item(b, t, n));
    }
    return false;
}

bool CIndexFile::OnPath(const IndexCursor& c, uint32_t page)
{
    // A block met again on the way down means the tree leads round in a
    // circle: the walk stops and the index is reported damaged.
    for (const auto& step : c.path)
        if (step.first == page)
            return m_damaged = true;
    return false;
}

bool CIndexFile::InOrder(const Tag& t, const IndexCursor& c, const std::string& key, uint32_t recNo,
                         bool forward)
{
    const unsigned char* b = Read(c.path.back().first);
    if (!b)
        return true;
    const unsigned char* item = Item(b, t, size_t(c.path.back().second));
    int cmp = Compare(t, item, key);
    if (cmp == 0)
        cmp = Get32(item) < recNo ? -1 : Get32(item) > recNo ? 1 : 0;
    if (forward ? cmp > 0 : cmp < 0)
        return true;
    // A walk that comes back to where it has been (a leaf linked twice, a
    // branch pointing back) would never end.
    m_damaged = true;
    return false;
}

uint32_t CIndexFile::CountEntries(int tag)
{
    IndexCursor c;
    uint32_t n = 0;
    for (bool ok = First(tag, c); ok; ok = Next(c))
        ++n;
    return n;
}

bool CIndexFile::DownLeft(const Tag& t, uint32_t page, IndexCursor& c)
{
    while (c.path.size() < kMaxDepth && !OnPath(c, page)) {
        const unsigned char* b = Read(page);
        if (!b || Get32(b) > uint32_t(t.maxKeys))
            break;
        c.path.emplace_back(page, 0);
        if (IsLeaf(t, b)) {
            if (Get32(b) > 0)
                return true;
            c.path.pop_back();   // an empty leaf: only an empty tree has one
            break;
        }
        KeepLast();
        page = Get32(Item(b, t, 0));
    }
    c.Reset();
    return false;
}

bool CIndexFile::DownRight(const Tag& t, uint32_t page, IndexCursor& c)
{
    while (c.path.size() < kMaxDepth && !OnPath(c, page)) {
        const unsigned char* b = Read(page);
        if (!b || Get32(b) > uint32_t(t.maxKeys))
            break;
        const uint32_t n = Get32(b);
        if (IsLeaf(t, b)) {
            if (n == 0)
                break;
            c.path.emplace_back(page, int(n) - 1);
            return true;
        }
        KeepLast();
        c.path.emplace_back(page, int(n));
        page = Get32(Item(b, t, n));
    }
    c.Reset();
    return false;
}

bool CIndexFile::First(int tag, IndexCursor& c)
{
    c.Reset();
    c.tag = tag;
    c.stamp = m_state.counter;
    return DownLeft(m_tags[size_t(tag)], Root(tag), c);
}

bool CIndexFile::Last(int tag, IndexCursor& c)
{
    c.Reset();
    c.tag = tag;
    c.stamp = m_state.counter;
    return DownRight(m_tags[size_t(tag)], Root(tag), c);
}

bool CIndexFile::Next(IndexCursor& c)
{
    if (!c.Valid())
        return false;
    const Tag& t = m_tags[size_t(c.tag)];
    const unsigned char* leaf = Read(c.path.back().first);
    if (leaf && c.path.back().second + 1 < int(Get32(leaf))) {
        ++c.path.back().second;
        return true;
    }
    // On to the next leaf: its first entry must sort after this one.
    const std::string key = KeyAt(c);
    const uint32_t recNo = RecNoAt(c);
    c.path.pop_back();
    while (!c.path.empty()) {
        auto& [page, i] = c.path.back();
        const unsigned char* b = Read(page);
        if (b && i + 1 <= int(Get32(b))) {
            ++i;
            if (!DownLeft(t, Get32(Item(b, t, size_t(i))), c))
                return false;
            if (InOrder(t, c, key, recNo, true))
                return true;
            c.Reset();
            return false;
        }
        c.path.pop_back();
    }
    return false;
}

bool CIndexFile::Prev(IndexCursor& c)
{
    if (!c.Valid())
        return false;
    const Tag& t = m_tags[size_t(c.tag)];
    if (c.path.back().second > 0) {
        --c.path.back().second;
        return true;
    }
    const std::string key = KeyAt(c);
    const uint32_t recNo = RecNoAt(c);
    c.path.pop_back();
    while (!c.path.empty()) {
        auto& [page, i] = c.path.back();
        const unsigned char* b = Read(page);
        if (b && i > 0) {
            --i;
            if (!DownRight(t, Get32(Item(b, t, size_t(i))), c))
                return false;
            if (InOrder(t, c, key, recNo, false))
                return true;
            c.Reset();
            return false;
        }
        c.path.pop_back();
    }
    return false;
}

std::string CIndexFile::KeyAt(const IndexCursor& c)
{
    const Tag& t = m_tags[size_t(c.tag)];
    const unsigned char* b = c.Valid() ? Read(c.path.back().first) : nullptr;
    return b ? Sortable(t, Item(b, t, size_t(c.path.back().second))) : std::string();
}

uint32_t CIndexFile::RecNoAt(const IndexCursor& c)
{
    const Tag& t = m_tags[size_t(c.tag)];
    const unsigned char* b = c.Valid() ? Read(c.path.back().first) : nullptr;
    return b ? Get32(Item(b, t, size_t(c.path.back().second))) : 0;
}

bool CIndexFile::Descend(int tag, std::string_view key, uint32_t recNo, bool byRecord, bool advance,
                         IndexCursor& c)
{
    const Tag& t = m_tags[size_t(tag)];
    c.Reset();
    c.tag = tag;
    c.stamp = m_state.counter;
    uint32_t page = Root(tag);
    while (c.path.size() < kMaxDepth) {
        const unsigned char* b = Read(page);
        if (!b || Get32(b) > uint32_t(t.maxKeys))
            break;
        const int n = int(Get32(b));
        if (IsLeaf(t, b)) {
            int lo = 0, hi = n;   // first item not below (key, recNo)
            while (lo < hi) {
                const int mid = (lo + hi) / 2;
                const unsigned char* item = Item(b, t, size_t(mid));
                const int cmp = Compare(t, item, key);
                if (cmp < 0 || (cmp == 0 && byRecord && Get32(item) < recNo))
                    lo = mid + 1;
                else
                    hi = mid;
            }
            c.path.emplace_back(page, lo);
            if (lo < n || !advance)
                return true;
            if (n == 0) {
                c.Reset();
                return false;
            }
            c.path.back().second = n - 1;
            return Next(c);
        }
        KeepLast();
        int lo = 0, hi = n;   // first child whose last key is not below the key
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (Compare(t, Item(b, t, size_t(mid)), key) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (byRecord && lo < n && Compare(t, Item(b, t, size_t(lo)), key) == 0) {
            // Equal keys run over several children: the record number picks
            // one, by the last entry under each. The block is copied first:
            // looking below may push it out of the cache.
            Block here;
            std::memcpy(here.data(), b, kIndexBlock);
            b = here.data();
            int end = lo, past = n;   // the last child whose key equals it
            while (end + 1 < past) {
                const int mid = (end + 1 + past) / 2;
                if (Compare(t, Item(b, t, size_t(mid)), key) == 0)
                    end = mid;
                else
                    past = mid;
            }
            int a = lo, z = end + 1;
            // An append carries the highest record number, so it usually goes
            // after every equal key: one look below the last child says so.
            if (MaxBelow(t, Get32(Item(b, t, size_t(end))), key, recNo))
                a = z;
            else
                z = end;
            while (a < z) {
                const int mid = (a + z) / 2;
                if (MaxBelow(t, Get32(Item(b, t, size_t(mid))), key, recNo))
                    a = mid + 1;
                else
                    z = mid;
            }
            lo = a;
            c.path.emplace_back(page, lo);
            page = Get32(Item(b, t, size_t(lo)));
            continue;
        }
        c.path.emplace_back(page, lo);
        page = Get32(Item(b, t, size_t(lo)));
    }
    c.Reset();
    return false;
}

bool CIndexFile::LowerBound(int tag, std::string_view key, uint32_t recNo, IndexCursor& c)
{
    const Tag& t = m_tags[size_t(tag)];
    const std::string probe = t.keyType == 'C' ? std::string(key) : Normalize(tag, key);
    return Descend(tag, probe, recNo, recNo != 0, true, c);
}

bool CIndexFile::Contains(int tag, std::string_view key, uint32_t recNo)
{
    IndexCursor c;
    const std::string k = Normalize(tag, key);
    if (!Descend(tag, k, recNo, true, true, c))
        return false;
    return RecNoAt(c) == recNo && KeyAt(c) == k;
}

// ------------------------------------------------------------------ changing

namespace {

// A block's items as pointers and stored keys, for splits and removals.
struct Items {
    std::vector<uint32_t> ptrs;
    std::vector<std::string> keys;
};

Items Unpack(const unsigned char* b, const CIndexFile::Tag& t, bool leaf)
{
    Items r;
    const uint32_t n = Get32(b);
    for (uint32_t i = 0; i < n; ++i) {
        r.ptrs.push_back(Get32(Item(b, t, i)));
        r.keys.emplace_back(reinterpret_cast<const char*>(Item(b, t, i) + 4), size_t(t.keyLength));
    }
    if (!leaf)
        r.ptrs.push_back(Get32(Item(b, t, n)));
    return r;
}

// Writes items [from, to) (and, for a branch, the pointer after them).
void Pack(unsigned char* b, const CIndexFile::Tag& t, const Items& items, size_t from, size_t to,
          bool leaf)
{
    std::memset(b, 0, kIndexBlock);
    Put32(b, uint32_t(to - from));
    for (size_t i = from; i < to; ++i) {
        unsigned char* item = b + 8 + (i - from) * size_t(t.itemLength);
        Put32(item, items.ptrs[i]);
        std::memcpy(item + 4, items.keys[i].data(), size_t(t.keyLength));
    }
    if (!leaf)
        Put32(b + 8 + (to - from) * size_t(t.itemLength), items.ptrs[to]);
}

}   // namespace

bool CIndexFile::InsertUp(int tag, IndexCursor& c, size_t level, const std::string& leftMax,
                          uint32_t left, uint32_t right)
{
    const Tag& t = m_tags[size_t(tag)];
    if (level == 0) {   // the root split: a new root above the two halves
        uint32_t page = 0;
        unsigned char* b = NewBlock(page);
        Items items{{left, right}, {leftMax}};
        Pack(b, t, items, 0, 1, false);
        return SetRoot(tag, page);
    }
    const auto [parent, ci] = c.path[level - 1];
    unsigned char* b = Change(parent);
    if (!b)
        return false;
    Items items = Unpack(b, t, false);
    items.ptrs.insert(items.ptrs.begin() + ci, left);
    items.ptrs[size_t(ci) + 1] = right;
    items.keys.insert(items.keys.begin() + ci, leftMax);
    const size_t n = items.keys.size();
    if (n <= size_t(t.maxKeys)) {
        Pack(b, t, items, 0, n, false);
        return true;
    }
    // Split the branch: keys [0, m) stay, key m goes up, the rest move right.
    bool rightmost = size_t(ci) + 1 == items.ptrs.size() - 1;
    for (size_t l = 0; rightmost && l + 1 < level; ++l) {
        const unsigned char* up = Read(c.path[l].first);
        rightmost = up && c.path[l].second == int(Get32(up));
    }
    const size_t m = rightmost ? n - 2 : n / 2;
    uint32_t page = 0;
    unsigned char* r = NewBlock(page);
    b = Change(parent);
    Items upper;
    upper.keys.assign(items.keys.begin() + long(m) + 1, items.keys.end());
    upper.ptrs.assign(items.ptrs.begin() + long(m) + 1, items.ptrs.end());
    Pack(r, t, upper, 0, upper.keys.size(), false);
    const std::string up = items.keys[m];
    Pack(b, t, items, 0, m, false);
    return InsertUp(tag, c, level - 1, up, parent, page);
}

bool CIndexFile::Insert(int tag, std::string_view key, uint32_t recNo)
{
    if (m_readOnly)
        return false;
    const Tag& t = m_tags[size_t(tag)];
    // The entry's stored bytes are those the comparable key was made from.
    std::string stored;
    const std::string k = Normalize(tag, key, &stored);
    IndexCursor c;
    if (!Descend(tag, k, recNo, true, false, c))
        return false;
    const auto [leafPage, pos] = c.path.back();
    unsigned char* b = Change(leafPage);
    if (!b)
        return false;
    const uint32_t held = Get32(b);
    if (held < uint32_t(t.maxKeys) && uint32_t(pos) <= held) {
        // Room in the leaf: the entries after the place move up by one, in
        // the block itself (the common case, most of all for appends).
        const size_t item = size_t(t.itemLength);
        unsigned char* at = b + 8 + size_t(pos) * item;
        std::memmove(at + item, at, size_t(held - uint32_t(pos)) * item);
        std::memset(at, 0, item);
        Put32(at, recNo);
        std::memcpy(at + 4, stored.data(), size_t(t.keyLength));
        Put32(b, held + 1);
        Put32(b + 8 + size_t(held + 1) * item, 0);   // a leaf's pointer after its entries
        m_state.counter += 2;
        if (!Commit())
            return false;
        ++m_state.keyCounts[size_t(tag)];
        return true;
    }
    Items items = Unpack(b, t, true);
    items.ptrs.insert(items.ptrs.begin() + pos, recNo);
    items.keys.insert(items.keys.begin() + pos, stored);
    const size_t n = items.keys.size();
    bool ok = true;
    if (n <= size_t(t.maxKeys)) {
        Pack(b, t, items, 0, n, true);
    } else {
        // A full leaf splits; an append at the right edge leaves the left
        // leaf full, so a log written in key order fills its blocks.
        bool rightmost = size_t(pos) + 1 == n;
        for (size_t l = 0; rightmost && l + 1 < c.path.size(); ++l) {
            const unsigned char* up = Read(c.path[l].first);
            rightmost = up && c.path[l].second == int(Get32(up));
        }
        const size_t keep = rightmost ? n - 1 : n / 2;
        uint32_t page = 0;
        unsigned char* r = NewBlock(page);
        b = Change(leafPage);
        Items upper;
        upper.keys.assign(items.keys.begin() + long(keep), items.keys.end());
        upper.ptrs.assign(items.ptrs.begin() + long(keep), items.ptrs.end());
        Pack(r, t, upper, 0, upper.keys.size(), true);
        Pack(b, t, items, 0, keep, true);
        ok = InsertUp(tag, c, c.path.size() - 1, items.keys[keep - 1], leafPage, page);
    }
    if (!ok) {
        m_writes.clear();
        return false;
    }
    m_state.counter += 2;   // stays odd inside a write section; cursors made before are stale
    if (!Commit())
        return false;
    ++m_state.keyCounts[size_t(tag)];
    return true;
}

bool CIndexFile::Erase(int tag, std::string_view key, uint32_t recNo, bool* failed)
{
    if (failed)
        *failed = false;
    const Tag& t = m_tags[size_t(tag)];
    const std::string k = Normalize(tag, key);
    IndexCursor c;
    if (!Descend(tag, k, recNo, true, true, c) || RecNoAt(c) != recNo || KeyAt(c) != k)
        return false;
    if (m_readOnly) {
        if (failed)
            *failed = true;
        return false;
    }
    const auto [leafPage, pos] = c.path.back();
    unsigned char* b = Change(leafPage);
    bool ok = b != nullptr;
    if (ok) {
        Items items = Unpack(b, t, true);
        items.ptrs.erase(items.ptrs.begin() + pos);
        items.keys.erase(items.keys.begin() + pos);
        Pack(b, t, items, 0, items.keys.size(), true);
        if (items.keys.empty() && c.path.size() > 1) {
            // Unlink the empty leaf; a branch left with one child gives it
            // its own place. The freed blocks stay unused until a pack.
            const size_t level = c.path.size() - 2;
            const auto [parent, ci] = c.path[level];
            unsigned char* p = Change(parent);
            ok = p != nullptr;
            if (ok) {
                Items up = Unpack(p, t, false);
                const size_t n = up.keys.size();
                if (size_t(ci) < n) {
                    up.keys.erase(up.keys.begin() + ci);
                    up.ptrs.erase(up.ptrs.begin() + ci);
                } else {
                    up.keys.pop_back();
                    up.ptrs.erase(up.ptrs.begin() + ci);
                }
                if (!up.keys.empty()) {
                    Pack(p, t, up, 0, up.keys.size(), false);
                } else if (level == 0) {
                    ok = SetRoot(tag, up.ptrs[0]);
                } else {
                    const auto [grand, gi] = c.path[level - 1];
                    unsigned char* g = Change(grand);
                    ok = g != nullptr;
                    if (ok)
                        Put32(g + 8 + size_t(gi) * size_t(t.itemLength), up.ptrs[0]);
                }
            }
        }
    }
    if (!ok) {
        m_writes.clear();
        if (failed)
            *failed = true;
        return false;
    }
    m_state.counter += 2;
    if (!Commit()) {
        if (failed)
            *failed = true;
        return false;
    }
    if (m_state.keyCounts[size_t(tag)] > 0)
        --m_state.keyCounts[size_t(tag)];
    return true;
}

bool CIndexFile::LooksSound()
{
    for (size_t i = 0; i < m_tags.size(); ++i) {
        const Tag& t = m_tags[i];
        for (bool left : {true, false}) {
            uint32_t page = Root(int(i));
            for (int depth = 0;; ++depth) {
                const unsigned char* b = depth < kMaxDepth ? Read(page) : nullptr;
                if (!b || Get32(b) > uint32_t(t.maxKeys))
                    return false;
                const uint32_t n = Get32(b);
                if (IsLeaf(t, b)) {
                    if (n == 0 && depth > 0)
                        return false;
                    break;
                }
                page = Get32(Item(b, t, left ? 0 : n));
                if (page < 2 || page >= m_pages)
                    return false;
            }
        }
    }
    return true;
}

}   // namespace dbase

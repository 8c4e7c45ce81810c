#pragma once
// The production index (.mdx) used in place: its B-tree blocks are read
// through a bounded block cache and changed where they lie, split when full,
// with empty leaves unlinked, in the published layout so other dBASE readers
// walk every tag in our order.
//
// Crash safety. The file header's reserved bytes (which other readers pass
// over) hold our own state: how many data records the index covers, whether
// the last handle closed it cleanly, a change counter, each tag's key count,
// and a small journal. A change that needs one block is one write; one that
// needs several (a split) first writes the new block images to the journal
// and commits them in the header, so a crash leaves either the old tree or a
// journal that the next open replays. A change to an existing record first
// journals the record's old image, so the next open can put that record's
// keys right whatever the crash left.
//
// Sharing. The reserved bytes also hold a change list: the blocks the last
// write sections wrote, each with the counter its section ended with. A
// handle that finds the counter moved drops from its cache only the blocks
// listed since it last looked, or everything when the list does not reach
// back that far or was not kept by the last writer.
//
// Keys cross this interface in the engine's sortable form (text as stored;
// numbers and dates as SortableDouble). Within a tag entries are ordered by
// key, then record number.

#include "engines/dbase/BlockCache.h"
#include "engines/dbase/DbaseEngine.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dbase {

inline constexpr int kIndexBlock = 1024;

// Where a walk of one tag stands: the blocks from the root down, and the
// entry's position in each.
struct IndexCursor {
    int tag = -1;
    std::vector<std::pair<uint32_t, int>> path;   // page and item, root first
    uint32_t stamp = 0;   // index change counter it was made under
    bool Valid() const { return !path.empty(); }
    void Reset() { path.clear(); }
};

class CIndexFile {
public:
    struct Tag {
        TagDefinition definition;
        char keyType = 'C';
        int keyLength = 0;
        int itemLength = 0;
        int maxKeys = 0;
        uint32_t headerPage = 0;
    };
    // The state kept in the header's reserved bytes.
    struct State {
        bool ours = false;   // the header carries our fields at all
        uint32_t coverage = 0;   // data records whose keys are all in
        bool clean = false;   // closed by its last writer
        uint32_t counter = 0;   // bumped by every change
        uint32_t journalPage = 0;
        uint32_t committed = 0;   // block images waiting in the journal
        uint32_t pendingRecord = 0;
        std::vector<uint32_t> keyCounts;
    };

    // Opens the file; nullptr when it is missing or not an index we can
    // read (`why` says what was wrong).
    // `recordLength` sizes the journal's room for a record image.
    static std::unique_ptr<CIndexFile> Open(const std::string& path, bool readOnly,
                                            size_t cacheBlocks, size_t recordLength,
                                            std::string* why);
    ~CIndexFile();

    const std::vector<Tag>& Tags() const { return m_tags; }
    // Whether `path` still names the file this object reads (a pack or a
    // rebuild elsewhere puts a new file in its place).
    bool IsFileAt(const std::string& path) const;
    const State& Header() const { return m_state; }
    State& MutableHeader() { return m_state; }
    uint32_t KeyCount(int tag) const { return m_state.keyCounts[size_t(tag)]; }

    // Reads the header afresh; when another handle changed the index since
    // this one last looked, drops the cached blocks the header's change list
    // names (every cached block when the list cannot tell). False on a read
    // failure.
    bool Reload();
    // The change counter as the file holds it now, read from a shared
    // mapping of the header (no system call); odd while a writer is inside
    // a change. Nullopt when the header could not be mapped.
    std::optional<uint32_t> CounterNow() const;
    // A write section begins (the counter turns odd, written at once) or ends
    // (even again, written with the header by the caller, and the blocks the
    // section wrote added to the change list).
    bool BeginChange();
    void EndChange()
    {
        m_state.counter = (m_state.counter | 1) + 1;
        ListChanges(m_state.counter);
    }
    // Writes the header (our fields, the page count). The key counts written
    // are those of the last finished change (MarkDurable), so a crash inside
    // a change never leaves counts that include half of it.
    bool WriteHeader();
    void MarkDurable() { m_durableCounts = m_state.keyCounts; }
    // Syncs the file to the disk.
    bool Sync();
    // Checks the root path of every tag; false when a block is not sound.
    bool LooksSound();

    // ---- walking. Each returns false at the end (the cursor is then reset).
    bool First(int tag, IndexCursor& c);
    bool Last(int tag, IndexCursor& c);
    // The first entry not below (key, recNo); a text key shorter than the
    // tag's sorts before every key it begins.
    bool LowerBound(int tag, std::string_view key, uint32_t recNo, IndexCursor& c);
    bool Next(IndexCursor& c);
    bool Prev(IndexCursor& c);
    // Entries of a tag, counted by a walk.
    uint32_t CountEntries(int tag);
    // A walk found the tree leading round in a circle or back to where it
    // had been; walks stop there. Cleared by the caller.
    bool Damaged() const { return m_damaged; }
    void ClearDamage() { m_damaged = false; }
    // The entry under the cursor.
    std::string KeyAt(const IndexCursor& c);
    uint32_t RecNoAt(const IndexCursor& c);
    // True while no change was made since the cursor was set.
    bool Current(const IndexCursor& c) const { return c.Valid() && c.stamp == m_state.counter; }

    // ---- changes; the caller holds the table's header lock and has called
    // Reload. Insert refuses nothing (duplicates keep record order); Erase
    // answers whether the entry was there. False from Insert is a failure.
    bool Insert(int tag, std::string_view key, uint32_t recNo);
    bool Erase(int tag, std::string_view key, uint32_t recNo, bool* failed = nullptr);
    bool Contains(int tag, std::string_view key, uint32_t recNo);
    // The key as the tag stores it and reads it back (numbers lose what the
    // packed decimal form cannot hold): what Insert, Erase and seeks compare.
    std::string Normalize(int tag, std::string_view key, std::string* stored = nullptr) const;

    // Journals a record's image before the record changes; Settle clears it.
    bool JournalRecord(uint32_t recNo, const char* image, size_t length);
    bool Settle();
    // The record image a crash left journalled (empty when none).
    std::string JournalledRecord(size_t length);
    // Replays block images a crash left committed in the journal.
    bool ReplayJournal();

    // Statistics for dbtool stat.
    size_t CachedBlocks() const { return m_cache ? m_cache->Size() : 0; }
    size_t CacheCapacity() const { return m_capacity; }
    uint64_t BlockReads() const { return m_reads; }
    uint32_t Pages() const { return m_pages; }

private:
    using Block = std::array<unsigned char, kIndexBlock>;

    CIndexFile() = default;
    // The block at `page` (from the write set, the cache, or the file);
    // nullptr when it cannot be read or is not sound.
    const unsigned char* Read(uint32_t page);
    // A copy of the block, put in the write set to be changed.
    unsigned char* Change(uint32_t page);
    unsigned char* NewBlock(uint32_t& page);
    // Writes the write set: one block directly, several through the journal.
    bool Commit();
    void Drop();
    void Evict(uint32_t page);
    // The block Read gave last is a branch or a tag header: kept before leaves.
    void KeepLast();
    // After another handle's change: drops what the change list says changed
    // since the counter `seen`, or everything.
    void Forget(uint32_t seen);
    // Adds the blocks this section wrote to the change list, under the
    // counter the section ended with.
    void ListChanges(uint32_t ended);
    bool ReadHeaderBytes();

    bool IsLeaf(const Tag& t, const unsigned char* b) const;
    int Compare(const Tag& t, const unsigned char* item, std::string_view key) const;
    std::string Sortable(const Tag& t, const unsigned char* item) const;
    // A number or date entry's eight sortable bytes into `out`.
    void SortableNumber(const Tag& t, const unsigned char* item, char* out) const;
    std::string Stored(const Tag& t, std::string_view key) const;
    uint32_t Root(int tag);
    bool SetRoot(int tag, uint32_t page);
    // Whether the last entry under `page` sorts below (key, recNo).
    bool MaxBelow(const Tag& t, uint32_t page, std::string_view key, uint32_t recNo);
    // To the first entry not below the key (and, `byRecord`, the record
    // number). With `advance` an end-of-leaf position moves on to the next
    // entry; without, it stays where an insert would go.
    bool Descend(int tag, std::string_view key, uint32_t recNo, bool byRecord, bool advance,
                 IndexCursor& c);
    bool OnPath(const IndexCursor& c, uint32_t page);
    // Whether the cursor's entry sorts after (`forward`) or before the entry
    // (key, recNo) a walk came from; marks the index damaged when not.
    bool InOrder(const Tag& t, const IndexCursor& c, const std::string& key, uint32_t recNo,
                 bool forward);
    bool DownLeft(const Tag& t, uint32_t page, IndexCursor& c);
    bool DownRight(const Tag& t, uint32_t page, IndexCursor& c);
    bool InsertUp(int tag, IndexCursor& c, size_t level, const std::string& leftMax, uint32_t left,
                  uint32_t right);
    bool EnsureJournal();

    std::string m_path;
    int m_fd = -1;
    bool m_readOnly = false;
    const unsigned char* m_map = nullptr;   // the header page, mapped shared and read-only
    std::array<unsigned char, 544 + 32 * 47> m_head{};   // header and tag table
    std::vector<Tag> m_tags;
    State m_state;
    std::vector<uint32_t> m_durableCounts;
    uint32_t m_pages = 0;
    size_t m_capacity = 1024;
    std::unique_ptr<CBlockCache> m_cache;
    std::vector<uint32_t> m_changedPages;   // written since the section began
    // The cached block found last, its slot and page.
    const unsigned char* m_last = nullptr;
    int32_t m_lastSlot = CBlockCache::kNone;
    uint32_t m_lastPage = 0;
    std::deque<std::pair<uint32_t, Block>> m_writes;   // the change being made (stable addresses)
    uint64_t m_reads = 0;
    size_t m_recordLength = 0;
    bool m_damaged = false;
};

}   // namespace dbase

#pragma once
// One open dBASE IV table: the data file with its memo file and production
// index. Records are read through a bounded record cache and a current-record
// buffer; the production index is used in place through a bounded block
// cache (CIndexFile), so memory stays small whatever the table's size.
//
// Every change is written through at once, inside a write section under the
// header lock: an append writes its record, then its keys, then the data
// file's count and change counter, then the index header with the number of
// records it covers. A change to an existing record journals the record's
// old image in the index first. So whatever moment a crash picks, the next
// open finds an index that covers a prefix of the data (brought up to date
// from the records past it) or a journal that tells what to put right; an
// index that is not ours or not sound is rebuilt from the data file.
//
// Sharing between handles, processes and stations goes through open-file-
// description locks on the data file: the table lock, one lock per record,
// an append lock, the header lock (held by writers for a write section and
// shared by readers for one move), and a presence lock every handle shares,
// which the open uses to tell a crashed writer from a live one. The change
// counters in the two headers tell a handle that another one wrote; it then
// drops the index blocks the writer changed (the index's change list names
// them) and, after a change in place, its cached records, and reads again
// only what it visits.

#include "engines/dbase/DbaseEngine.h"
#include "engines/dbase/IndexFile.h"
#include "engines/dbase/RecordCache.h"

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace dbase {

class CDbaseTable;
class CKeyExpression;

// A field of the open table, seen through the current record.
class CDbaseField {
public:
    const std::string& Name() const { return m_spec.name; }
    char Type() const { return m_spec.type; }
    int Width() const { return m_spec.width; }
    int Decimals() const { return m_spec.decimals; }
    int Number() const { return m_number; }   // 1-based

    // The field's bytes in the record buffer (a memo's block number text).
    std::string_view Bytes() const;
    // The field as text: the bytes at full width, or a memo's whole text.
    std::string Text() const;
    double AsDouble() const;
    // A memo field that points at a block the memo file does not hold.
    bool MemoDangling() const;
    // What is wrong with a memo field's memo in words (a block the memo
    // file does not hold, a stored length no memo has); empty when nothing.
    std::string MemoProblem() const;

    // Assignments: text cut to the width and blank-padded (a memo takes the
    // whole text); an integer right-aligned in `digits` with blanks or zeros;
    // a double right-aligned with `decimals`, asterisks when it cannot fit.
    // Each returns 0 or a negative error (also set on the engine).
    int Assign(std::string_view text);
    int AssignLong(long long value, int digits, bool zeros);
    int AssignDouble(double value, int width, int decimals);
    int AssignDouble(double value) { return AssignDouble(value, Width(), Decimals()); }

private:
    friend class CDbaseTable;
    CDbaseTable* m_table = nullptr;
    FieldSpec m_spec;
    int m_number = 0;
    int m_offset = 0;   // in the record, after the deletion flag byte
};

// A tag of the production index.
class CDbaseTag {
public:
    const std::string& Name() const { return m_spec.name; }
    const std::string& Expression() const { return m_spec.expression; }
    const std::string& Filter() const { return m_spec.filter; }
    char KeyType() const { return m_keyType; }   // 'C', 'N' or 'D'
    int KeyLength() const;   // as stored in the .mdx

    // Keys in walk order with their record numbers; numeric and date keys
    // are given as their numbers in text ("%.10g"), character keys as stored.
    std::vector<std::pair<std::string, int32_t>> Keys() const;
    size_t KeyCount() const;
    // Entries counted by a walk of the tag, without collecting them.
    size_t CountEntries() const;

private:
    friend class CDbaseTable;
    TagDefinition m_spec;
    char m_keyType = 'C';
    int m_charLength = 0;
    std::shared_ptr<CKeyExpression> m_expr;
    std::shared_ptr<CKeyExpression> m_filter;
    bool m_filtersDeleted = false;   // the filter is ".NOT. DELETED()"
    CDbaseTable* m_table = nullptr;
    int m_number = -1;   // the tag's place in the index file
};

// What dbtool stat shows of an open table.
struct TableStats {
    int32_t records = 0;
    int32_t live = -1;   // -1 when no tag tells it
    size_t recordPages = 0, recordPageCapacity = 0, recordsPerPage = 0;
    uint64_t recordPageReads = 0;
    bool index = false;
    uint32_t coverage = 0, counter = 0, pages = 0;
    bool clean = false;
    size_t cachedBlocks = 0, blockCapacity = 0;
    uint64_t blockReads = 0;
    std::vector<uint32_t> tagKeys;   // each tag's key count, from the same look
    uint64_t syncs = 0;   // the times this handle synced its files
};

class CDbaseTable {
public:
    ~CDbaseTable();
    CDbaseTable(const CDbaseTable&) = delete;
    CDbaseTable& operator=(const CDbaseTable&) = delete;

    CDbaseEngine& Engine() { return *m_engine; }
    const std::string& Path() const { return m_path; }   // without extension
    bool IsReadOnly() const { return m_readOnly; }
    uint8_t Version() const { return m_version; }   // the header's first byte
    uint8_t CodePageByte() const { return m_codePage; }   // the language driver byte
    // What the open found wrong and how it went on: a record count the file
    // cannot hold, an unreadable index, a tag dropped. Empty when all was well.
    const std::vector<std::string>& OpenWarnings() const { return m_warnings; }

    // Writes pending changes, writes the index, releases every lock, closes.
    int Close();

    // ---- fields
    int FieldCount() const { return int(m_fields.size()); }
    CDbaseField* Field(int number);   // 1-based; nullptr when missing
    CDbaseField* Field(std::string_view name);   // without case; nullptr when missing
    std::vector<FieldSpec> FieldSpecs() const;

    // ---- records
    int32_t RecNo() const { return m_recNo; }
    int32_t RecordCount();   // records in the file, deleted ones included
    // Records not marked deleted, from the key count of a tag that filters
    // ".NOT. DELETED()"; counted by a walk when no tag does.
    int32_t LiveCount();
    TableStats Stats();
    int Go(int32_t recNo);
    int Top();
    int Bottom();
    int Skip(int32_t n = 1);
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    bool Deleted() const;

    void Blank();   // blanks the record buffer
    int AppendStart();   // blank buffer for a new record (no memo carry-over)
    int Append();   // appends the buffer as a new record
    int AppendBlank();
    int Delete();   // marks the current record deleted
    int Recall();
    int Pack();   // removes deleted records, rebuilds the indexes
    int MemoCompress();   // rewrites the memo file with live memos only
    int Zap();   // removes every record
    int Flush();   // writes the current record (everything else is written at once)
    int FlushIndex();   // as Flush: the index is always written through
    void MarkChanged() { m_changed = true; }

    // ---- tags
    int TagCount() const { return int(m_tags.size()); }
    CDbaseTag* Tag(std::string_view name);   // name cut to 10, without case
    CDbaseTag* TagAt(int i) { return m_tags[size_t(i)].get(); }
    CDbaseTag* NextTag(CDbaseTag* tag);   // the first when given none
    void Select(CDbaseTag* tag);   // nullptr: record-number order
    CDbaseTag* Selected() const { return m_selected; }
    std::vector<TagDefinition> TagSpecs() const;
    // Replaces the production index's tags with `tags`, builds their keys
    // from the data and writes the .mdx; for an index found missing or unreadable.
    int Reindex(const std::vector<TagDefinition>& tags);
    // Seeks the first key of the selected tag beginning with `text` (a number
    // or "YYYYMMDD" for numeric and date tags). 0 on a match, kAfter when
    // positioned on the next key, kEof when past the end.
    int Seek(std::string_view text);
    // The record after the current one when its key also begins with `text`;
    // otherwise as Seek.
    int SeekNext(std::string_view text);

    // ---- locks
    int Lock();   // whole table; kLocked when refused
    int LockTest();   // a lock request used as a test; as Lock
    int LockRecord(int32_t recNo);
    int LockAppend();
    int Unlock();   // flushes, then releases every lock of this handle
    bool HoldsTableLock() const { return m_tableLocked; }

private:
    friend class CDbaseEngine;
    friend class CDbaseField;
    friend class CDbaseTag;
    CDbaseTable(CDbaseEngine& engine);

    int OpenFiles(const std::string& dbfPath);
    int LoadHeader();
    int RepairRecordCount();
    int32_t WholeRecordsInFile() const;
    // Raises the count over whole records an unfinished append left past it
    // (the header lock is held).
    int AdoptRecordsPastCount();
    int OpenIndex(bool rebuildWhenUnsound);
    int RecoverIndex();
    bool NeedsRepair();
    // Puts right what a crashed writer left: journal, a record half changed,
    // records past the coverage, and (`adopt`) whole records past the count.
    int RepairIndex(bool adopt);
    // After another handle wrote: a new index file (a pack or rebuild
    // elsewhere) is opened in place of the old one.
    void FollowIndexFile();
    int AddTag(const TagDefinition& tagDef);
    // Writes a fresh index for m_tags from every record, then uses it; the
    // header lock is taken (unless a write section holds it) and the count
    // read again under it.
    int RebuildIndex();
    int RebuildIndexLocked();
    // Writes an index of m_tags at `mdxPath` from the first `count` records
    // of the data file open at `fd`.
    int WriteIndexFrom(int fd, int32_t count, const std::string& mdxPath);
    // Opens the index at m_mdxPath for m_tags, in their order.
    int UseIndexFile();
    std::optional<std::string> KeyOf(const CDbaseTag& tag, const char* record) const;
    // The key a record would have ignoring the filter: where it sorts.
    std::string BareKeyOf(const CDbaseTag& tag, const char* record) const;
    int IndexRecord(int32_t recNo, const char* oldImage, const char* newImage);
    // A record's key in and out of a tag, by the tag's unique rule.
    bool AddKey(const CDbaseTag& tag, const std::string& key, int32_t recNo);
    bool RemoveKey(const CDbaseTag& tag, const std::string& key, int32_t recNo);
    int Refresh();
    int BeginRead();
    void EndRead();
    // Runs a move as one read of a whole state (see InRead in DbaseMoves.cpp).
    int InRead(const std::function<int()>& move);
    int InReadOnce(const std::function<int()>& move);
    // After a move found the index damaged: rebuilt from the data when this
    // handle may write (the move itself has failed).
    void RebuildDamagedIndex();
    int InLockedRead(const std::function<int()>& move);
    int SkipHere(int32_t n);
    int SeekNextHere(std::string_view text);
    int BeginWrite();
    int EndWrite(bool ok);
    int FlushRecord();
    // Syncs the three files when the engine's interval has passed since the
    // last sync (`now`: whatever the interval).
    int SyncIfDue(bool now);
    int WriteRecord(int32_t recNo, const char* image);
    int LoadRecord(int32_t recNo);
    int StoreMemos();
    std::string ReadMemo(std::string_view blockText) const;
    int WriteMemo(const std::string& text, std::string_view oldBlockText, uint32_t& block);
    int LockRange(off_t start, off_t len, bool wait, short type = F_WRLCK, int waitMs = -1);
    int UnlockRange(off_t start, off_t len);
    // Before a pack, memo compress or zap: refuses a read-only table, takes
    // the table lock unless held (`took`) and flushes; the lock is given back
    // when the flush fails.
    // With `alone`, also takes the open lock alone: refused (kErrShared)
    // while another handle has the table open.
    int BeginRewrite(int location, bool& took, bool alone);
    // A pack or memo compress: the new data file, and putting the new files
    // in place (see DbaseRewrite.cpp).
    int StartRewrite(int& newFd);
    int CommitRewrite(int newFd, int32_t count, const std::vector<std::string>& files);
    int LockHeader();
    void UnlockHeader();
    // The cursor on the current record's entry in the selected tag (or where
    // it would sort); false when the tag has no entries at all.
    bool PlaceCursor(bool& onEntry);
    int SetPositionAtCursor(bool valid);
    int Fail(int code, int location);
    const char* RecordAt(int32_t recNo) { return m_records.Get(recNo, m_recCount); }

    CDbaseEngine* m_engine;
    std::string m_path;   // without extension
    std::string m_dbfPath, m_dbtPath, m_mdxPath;
    bool m_readOnly = false;
    int m_fd = -1, m_memoFd = -1;
    uint8_t m_version = 0x03;
    uint8_t m_codePage = 0;
    const unsigned char* m_headMap = nullptr;   // the data file's first page, mapped shared
    void MapHeader();
    uint16_t m_headerLength = 0, m_recordLength = 1;
    uint32_t m_counter = 0;   // change counter seen last
    int32_t m_recCount = 0;
    uint32_t m_headerCount = 0;   // as the header gave it when the table opened
    unsigned char m_headerMiddle[8] =
        {};   // header bytes 8-15, rewritten as they are with the counts
    std::vector<std::unique_ptr<CDbaseField>> m_fields;
    std::vector<std::unique_ptr<CDbaseTag>> m_tags;
    CRecordCache m_records;
    std::unique_ptr<CIndexFile> m_index;
    IndexCursor m_cursor;
    IndexCursor m_savedCursor;   // where a move without the lock started
    CDbaseTag* m_selected = nullptr;

    // current record
    int32_t m_recNo = 0;
    bool m_eof = true, m_bof = true;
    std::vector<char> m_record;   // buffer being read or changed
    bool m_changed = false;
    bool m_appending = false;
    std::vector<std::optional<std::string>> m_pendingMemo;   // per field

    bool m_inWrite = false;   // a write section holds the header lock
    int m_readDepth = 0;   // moves under way (they nest)
    bool m_sharedHeld = false;   // the header lock is held shared for them
    bool m_optimistic = false;   // a move under way without the lock
    bool m_tableLocked = false;
    bool m_indexDamaged = false;   // a move found an entry that is not its record's key
    bool m_cursorStepped = false;   // the cursor moves on from an entry it stood on
    bool m_appendLocked = false;
    std::set<int32_t> m_recordLocks;
    int m_memoBlockSize = 512;
    std::vector<std::string> m_warnings;
    std::optional<std::chrono::steady_clock::time_point> m_synced;   // the last sync
    // What the files looked like when the last sync began: this process's
    // writes and both change counters. Unchanged, there is nothing to sync.
    struct SyncMark {
        uint64_t writes = 0;
        uint32_t dbfCounter = 0;
        std::optional<uint32_t> indexCounter;
    };
    std::optional<SyncMark> SyncMarkNow() const;
    std::optional<SyncMark> m_syncMark;
    uint64_t m_syncs = 0;
};

}   // namespace dbase

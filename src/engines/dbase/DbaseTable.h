#pragma once
// One open dBASE IV table: the data file with its memo file and production
// index. Records are read through a current-record buffer; changes are
// written when the table moves away from the record, on Flush, and on Close.
//
// Indexes live in memory while the table is open and are always built from
// the data file when it opens: a production index on disk is never trusted,
// so a crash that tore it costs nothing but a rebuild. The .mdx is written
// whole (to a fresh file renamed over the old) when the table closes or is
// flushed with FlushIndex, for other dBASE readers.
//
// Sharing between handles, processes and stations goes through open-file-
// description locks on the data file: the table lock, one lock per record,
// and an append lock. A change counter in the header's multi-user bytes tells
// a handle that another one wrote, and it reloads before it next reads.

#include "engines/dbase/DbaseEngine.h"

#include <cstdint>
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
    int Number() const { return m_number; }  // 1-based

    // The field's bytes in the record buffer (a memo's block number text).
    std::string_view Bytes() const;
    // The field as text: the bytes at full width, or a memo's whole text.
    std::string Text() const;
    double AsDouble() const;
    // A memo field that points at a block the memo file does not hold.
    bool MemoDangling() const;

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
    int m_offset = 0;  // in the record, after the deletion flag byte
};

// A tag of the production index.
class CDbaseTag {
public:
    const std::string& Name() const { return m_spec.name; }
    const std::string& Expression() const { return m_spec.expression; }
    const std::string& Filter() const { return m_spec.filter; }
    char KeyType() const { return m_keyType; }  // 'C', 'N' or 'D'
    int KeyLength() const;                      // as stored in the .mdx

    // Keys in walk order with their record numbers; numeric and date keys
    // are given as their numbers in text ("%.10g"), character keys as stored.
    std::vector<std::pair<std::string, int32_t>> Keys() const;
    size_t KeyCount() const { return m_entries.size(); }

private:
    friend class CDbaseTable;
    struct Entry {
        std::string key;  // order-preserving bytes: memcmp sorts them
        int32_t recNo;
        bool operator<(const Entry& o) const
        {
            const int c = key.compare(o.key);
            return c != 0 ? c < 0 : recNo < o.recNo;
        }
    };
    TagSpec m_spec;
    char m_keyType = 'C';
    int m_charLength = 0;
    std::shared_ptr<CKeyExpression> m_expr;
    std::shared_ptr<CKeyExpression> m_filter;
    std::set<Entry> m_entries;
};

class CDbaseTable {
public:
    ~CDbaseTable();
    CDbaseTable(const CDbaseTable&) = delete;
    CDbaseTable& operator=(const CDbaseTable&) = delete;

    CDbaseEngine& Engine() { return *m_engine; }
    const std::string& Path() const { return m_path; }  // without extension
    bool IsReadOnly() const { return m_readOnly; }
    // What the open found wrong and how it went on: a record count the file
    // cannot hold, an unreadable index, a tag dropped. Empty when all was well.
    const std::vector<std::string>& OpenWarnings() const { return m_warnings; }

    // Writes pending changes, writes the index, releases every lock, closes.
    int Close();

    // ---- fields
    int FieldCount() const { return int(m_fields.size()); }
    CDbaseField* Field(int number);             // 1-based; nullptr when missing
    CDbaseField* Field(std::string_view name);  // without case; nullptr when missing
    std::vector<FieldSpec> FieldSpecs() const;

    // ---- records
    int32_t RecNo() const { return m_recNo; }
    int32_t RecordCount();  // records in the file, deleted ones included
    int Go(int32_t recNo);
    int Top();
    int Bottom();
    int Skip(int32_t n = 1);
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    bool Deleted() const;

    void Blank();                 // blanks the record buffer
    int AppendStart();            // blank buffer for a new record (no memo carry-over)
    int Append();                 // appends the buffer as a new record
    int AppendBlank();
    int Delete();                 // marks the current record deleted
    int Recall();
    int Pack();                   // removes deleted records, rebuilds the indexes
    int MemoCompress();           // rewrites the memo file with live memos only
    int Zap();                    // removes every record
    int Flush();                  // writes the current record and the header
    int FlushIndex();             // writes the .mdx now
    void MarkChanged() { m_changed = true; }

    // ---- tags
    int TagCount() const { return int(m_tags.size()); }
    CDbaseTag* Tag(std::string_view name);  // name cut to 10, without case
    CDbaseTag* TagAt(int i) { return m_tags[size_t(i)].get(); }
    CDbaseTag* NextTag(CDbaseTag* tag);     // the first when given none
    void Select(CDbaseTag* tag);            // nullptr: record-number order
    CDbaseTag* Selected() const { return m_selected; }
    std::vector<TagSpec> TagSpecs() const;
    // Replaces the production index's tags with `tags`, builds their keys
    // from the data and writes the .mdx; for an index found missing or unreadable.
    int Reindex(const std::vector<TagSpec>& tags);
    // Seeks the first key of the selected tag beginning with `text` (a number
    // or "YYYYMMDD" for numeric and date tags). 0 on a match, kAfter when
    // positioned on the next key, kEof when past the end.
    int Seek(std::string_view text);
    // The record after the current one when its key also begins with `text`;
    // otherwise as Seek.
    int SeekNext(std::string_view text);

    // ---- locks
    int Lock();                      // whole table; kLocked when refused
    int LockTest();                  // a lock request used as a test; as Lock
    int LockRecord(int32_t recNo);
    int LockAppend();
    int Unlock();                    // flushes, then releases every lock of this handle
    bool HoldsTableLock() const { return m_tableLocked; }

private:
    friend class CDbaseEngine;
    friend class CDbaseField;
    CDbaseTable(CDbaseEngine& engine);

    int OpenFiles(const std::string& dbfPath);
    int LoadHeader();
    int LoadAll();
    int RepairRecordCount();
    int ReadMdxTags(const std::string& mdxPath);
    int AddTag(const TagSpec& tagDef);
    void BuildIndexes();
    std::optional<std::string> KeyOf(const CDbaseTag& tag, const char* record) const;
    void IndexRecord(int32_t recNo, const char* oldImage, const char* newImage);
    int WriteMdx();
    int WriteHeader(bool bumpCounter);
    int Refresh();
    int FlushRecord();
    int LoadRecord(int32_t recNo);
    int StoreMemos();
    std::string ReadMemo(std::string_view blockText) const;
    int WriteMemo(const std::string& text, std::string_view oldBlockText, uint32_t& block);
    int LockRange(off_t start, off_t len, bool wait);
    int UnlockRange(off_t start, off_t len);
    // Before a pack or memo compress: refuses a read-only table, takes the
    // table lock unless held (`took`) and flushes; the lock is given back
    // when the flush fails.
    int BeginRewrite(int location, bool& took);
    int LockHeader();
    void UnlockHeader();
    int SetPositionAfterMove(std::set<CDbaseTag::Entry>::const_iterator it);
    int Fail(int code, int location);
    char* RecordAt(int32_t recNo) { return m_data.data() + size_t(recNo - 1) * m_recordLength; }

    CDbaseEngine* m_engine;
    std::string m_path;       // without extension
    std::string m_dbfPath, m_dbtPath, m_mdxPath;
    bool m_readOnly = false;
    int m_fd = -1, m_memoFd = -1;
    uint8_t m_version = 0x03;
    uint16_t m_headerLength = 0, m_recordLength = 1;
    uint32_t m_counter = 0;   // change counter seen last
    int32_t m_recCount = 0;
    uint32_t m_headerCount = 0;  // as the header gave it when the table opened
    std::vector<std::unique_ptr<CDbaseField>> m_fields;
    std::vector<std::unique_ptr<CDbaseTag>> m_tags;
    std::vector<char> m_data;  // every record of the file, as on disk
    CDbaseTag* m_selected = nullptr;

    // current record
    int32_t m_recNo = 0;
    bool m_eof = true, m_bof = true;
    std::vector<char> m_record;           // buffer being read or changed
    bool m_changed = false;
    bool m_appending = false;
    std::vector<std::optional<std::string>> m_pendingMemo;  // per field

    // writes not yet on disk
    std::set<int32_t> m_dirty;  // records changed here since the last flush
    bool m_headerDirty = false;
    bool m_countShrunk = false;  // a pack made the file shorter
    bool m_indexDirty = false;  // the .mdx on disk lags the data

    bool m_tableLocked = false;
    bool m_appendLocked = false;
    std::set<int32_t> m_recordLocks;
    int m_memoBlockSize = 512;
    std::vector<std::string> m_warnings;
};

}  // namespace dbase

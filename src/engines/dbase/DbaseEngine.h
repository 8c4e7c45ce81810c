#pragma once
// The table engine: dBASE IV data files (.dbf), memo files (.dbt) and
// production index files (.mdx) as the published formats lay them out, so
// other dBASE readers open what we write.
//
// One CDbaseEngine per process owns the error code and the open switches;
// tables are opened and created through it. Results follow one rule
// everywhere: 0 is success, a positive result is a normal negative answer
// (no match, end of file, locked by someone else), a negative result is a
// failure and is also left in the engine's error code until reset.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dbase {

// Normal answers.
inline constexpr int kSuccess = 0;
inline constexpr int kAfter = 2;   // seek found no match; positioned on the next key
inline constexpr int kEof = 3;   // moved past the last record
inline constexpr int kBof = 4;   // moved before the first record
inline constexpr int kLocked = 50;   // a lock is held by another handle or process
inline constexpr int kNoTag = 60;   // no tag of that name

// Failures (negative). The first three are the codes the table layer tests.
inline constexpr int kErrMissing = -970;   // missing engine, table or field
inline constexpr int kErrNoText = -935;   // a text argument is missing
inline constexpr int kErrLockRefused = -50;   // change refused for want of a lock
inline constexpr int kErrShared = -52;   // a pack needs the table alone; another handle has it
inline constexpr int kErrCreate = -60;
inline constexpr int kErrOpen = -70;
inline constexpr int kErrRead = -80;
inline constexpr int kErrWrite = -90;
inline constexpr int kErrData = -100;   // the data file is not a table we can read
inline constexpr int kErrField = -210;   // bad field description
inline constexpr int kErrTag = -220;   // bad tag description
inline constexpr int kErrExpression = -400;   // key or filter expression not understood
inline constexpr int kErrMemo = -310;

inline constexpr int kEngineVersion = 6401;

// A field as a table is created with it. Types: 'C' text (width 1..65535;
// widths above 254 keep the high byte in the decimals byte, the common
// extension), 'N' and 'F' numbers as text, 'D' date "YYYYMMDD", 'L' logical,
// 'M' memo (width 10, the block number).
struct FieldSpec {
    std::string name;   // at most 10 characters, upper case
    char type = 'C';
    uint16_t width = 0;
    uint16_t decimals = 0;
};

// A tag of the production index. Names longer than 10 characters are cut to 10.
struct TagDefinition {
    std::string name;
    std::string expression;   // e.g. "STR( MASTER_ID, 8, 0 ) + TYPE"
    std::string filter;   // empty, or e.g. ".NOT. DELETED()"
    bool unique = false;
    bool descending = false;
};

// A result code in words, for tools and logs ("the memo file cannot be read").
std::string ErrorText(int code);

// A field or tag name as the files hold it: cut to 10 characters, upper
// case, without trailing blanks.
std::string StoredName(std::string_view name);

class CDbaseTable;

class CDbaseEngine {
public:
    CDbaseEngine();
    // Closes every table still open. A table that outlives its engine is
    // closed and may only be dropped.
    ~CDbaseEngine();
    CDbaseEngine(const CDbaseEngine&) = delete;
    CDbaseEngine& operator=(const CDbaseEngine&) = delete;

    // Creates the three files at `path` (no extension; ".dbf", ".dbt" when a
    // memo field exists, ".mdx" when tags are given) and returns the table
    // open, or nullptr with the error code set. Existing files are replaced.
    std::unique_ptr<CDbaseTable> Create(const std::string& path,
                                        const std::vector<FieldSpec>& fields,
                                        const std::vector<TagDefinition>& tags);
    // Opens `path`; without an extension ".dbf" is assumed, an explicit one
    // (".wpt") is honoured. The production index is opened with it when
    // `autoOpenIndex` is set.
    std::unique_ptr<CDbaseTable> Open(const std::string& path);

    void CloseAll();

    int ErrorCode() const { return m_error; }
    // Records a failure; a later failure does not hide the first until reset.
    int SetError(int code, int location = 0);
    void ResetError()
    {
        m_error = 0;
        m_errorLocation = 0;
    }
    int ErrorLocation() const { return m_errorLocation; }

    // Switches of the engine, as callers may flip them around one open.
    bool autoOpenIndex = true;
    bool readOnly = false;
    // Field assignments lock the current record first; when that lock is
    // refused the assignment is refused with kErrLockRefused.
    bool lockEnforce = true;
    // How long an automatic lock (append, record, header) keeps trying, in ms.
    int lockWaitMs = 2000;
    // Memory each open table may keep: data records, and index blocks of 1 KB
    // (enough for every branch of a tag of some ten million keys).
    size_t recordCacheBytes = size_t(4) << 20;
    size_t indexCacheBlocks = 8192;
    // How often a flush also syncs the files to the disk, in ms: 0 at every
    // flush, -1 never (close still syncs). A power cut loses at most this
    // much of what was flushed.
    int syncIntervalMs = 1000;
    // Memory a rebuild of an index may sort its keys in; more keys go through
    // sorted runs in an unnamed temporary file beside the table.
    size_t rebuildSortBytes = size_t(32) << 20;
    // Told how far a rebuild of an index from the data has come: reading the
    // records, then writing each tag's keys (the total is known better once
    // the records are read).
    std::function<void(int64_t done, int64_t total)> progress;

    // Tables register themselves for their lifetime so CloseAll reaches them.
    void Register(CDbaseTable* table);
    void Unregister(CDbaseTable* table);

private:
    int m_error = 0;
    int m_errorLocation = 0;
    std::vector<CDbaseTable*> m_tables;
};

}   // namespace dbase

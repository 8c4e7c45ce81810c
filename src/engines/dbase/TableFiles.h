#pragma once
// Byte layouts of the three files of a table: the .dbf header and field
// descriptors, the .dbt memo blocks, and the .mdx production index (header,
// tag table, tag headers and B-tree blocks). Internal to the engine.

#include "engines/dbase/DbaseEngine.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace dbase {

// Lock layout on the data file, far beyond any real data: the append lock at
// the base, record n at base + n, the table lock over the whole run, and the
// header lock (held only while the header is rewritten) just below the base.
inline constexpr off_t kLockBase = 0x40000000;
inline constexpr off_t kLockSpan = 0x3FFFFFFF;
// Held by a writer for a write section, shared by readers for one move.
inline constexpr off_t kHeaderLock = kLockBase - 1;
// Shared by every handle that has the table open for writing; taken alone
// only by an open that finds no other handle, which alone may repair.
inline constexpr off_t kPresenceLock = kLockBase - 2;
// Shared by every handle, read-only ones too, while it has the table open;
// a pack or memo compress takes it alone, so nobody keeps reading files
// that are no longer the table's.
inline constexpr off_t kOpenLock = kLockBase - 3;

// The whole range or false (an error, or the file ends first).
bool WriteAll(int fd, const void* data, size_t size, off_t at);
// How many writes WriteAll has begun in this process: a table compares it
// with the figure of its last sync to know nothing of ours was written since.
uint64_t WritesBegun();
bool ReadAll(int fd, void* data, size_t size, off_t at);

struct DbfHeader {
    uint8_t version = 0x03;
    uint32_t recordCount = 0;
    uint16_t headerLength = 0;
    uint16_t recordLength = 0;
    uint32_t counter = 0;   // our change counter in the multi-user bytes 16-19
    bool hasMdx = false;
    uint8_t codePage = 0;   // the language driver byte (29)
};

// Completes or undoes a pack or memo compress a crash cut short: `files` are
// the table's data file (first) and companions. With the mark that says the
// new files are whole they take their places; without it they are removed.
// True when anything was found; `done` then says which.
bool FinishRewrite(const std::vector<std::string>& files, std::string* done);

bool ReadDbfHeader(int fd, DbfHeader& header, std::vector<FieldSpec>& fields);
// Rewrites the 32-byte header's record count, date and change counter; given
// the header's bytes 8-15 as they stand, in one write.
bool WriteDbfCounts(int fd, uint32_t recordCount, uint32_t counter,
                    const unsigned char* bytes8to15 = nullptr);
// Writes an empty table (and an empty memo file when a memo field exists).
bool WriteEmptyTable(const std::string& base, const std::vector<FieldSpec>& fields,
                     const std::vector<std::string>& indexedFields = {}, bool hasMdx = false);
bool ValidFieldSpec(const FieldSpec& f);

int ReadMemoBlockSize(int memoFd, uint8_t version);
std::string ReadMemoText(int memoFd, int blockSize, uint32_t block);
// Number of blocks the memo at `block` occupies; 0 when it cannot be read.
uint32_t MemoBlocks(int memoFd, int blockSize, uint32_t block);
// Writes `text` at `block` in the dBASE IV layout, or in the older one
// (dBASE III tables); false on a write failure.
bool WriteMemoText(int memoFd, int blockSize, uint32_t block, const std::string& text,
                   bool olderLayout = false);
uint32_t BlocksFor(size_t textLength, int blockSize);
// The block where a new memo may start: the header's next free block, but
// never inside the blocks the file already holds.
uint32_t ReadNextFreeBlock(int memoFd, int blockSize);
bool WriteNextFreeBlock(int memoFd, uint32_t block);
bool WriteEmptyMemoFile(const std::string& path, const std::string& tableName);

struct MdxInfo {
    std::vector<TagDefinition> tags;
    uint32_t stamp = 0;   // the data file's change counter when written
};

bool ReadMdx(const std::string& path, MdxInfo& info);

}   // namespace dbase

#pragma once
// Records of the data file read on demand in pages of neighbours and kept in
// a bounded cache, least recently used out first. The pages are the file's
// own 4 KB pages (or a few of them for a record longer than one), so each read
// touches one page of the system's file cache; a record that lies across two
// is put together from both. Writes go to the file by the table and are
// copied here with Put; a change by another handle drops everything (Drop)
// and the next reads fetch it afresh.

#include "engines/dbase/BlockCache.h"

#include <cstdint>
#include <memory>
#include <sys/types.h>
#include <vector>

namespace dbase {

class CRecordCache {
public:
    void Reset(int fd, off_t headerLength, size_t recordLength, size_t capacityBytes);
    // Record `recNo` (1-based, at most `count`) as on disk; nullptr when it
    // cannot be read. Valid until the next call on the cache.
    const char* Get(int32_t recNo, int32_t count);
    // Keeps a cached copy in step with a record just written.
    void Put(int32_t recNo, const char* image);
    void Drop();

    size_t CachedPages() const { return m_cache ? m_cache->Size() : 0; }
    size_t CapacityPages() const { return m_capacity; }
    size_t RecordsPerPage() const { return m_perPage; }
    uint64_t PageReads() const { return m_reads; }

private:
    int m_fd = -1;
    off_t m_headerLength = 0;
    size_t m_recordLength = 1;
    size_t m_perPage = 1;
    size_t m_pageBytes = 4096;
    size_t m_capacity = 1;
    // The page `number` holding at least its bytes before `needed` (from its
    // start), read up to `fileEnd` when it does not; nullptr on a failure.
    const unsigned char* Page(uint32_t number, size_t needed, off_t fileEnd);

    // Pages of m_pageBytes, filled from the file, and how many of their bytes
    // are read (the page at the end of the records holds fewer).
    std::unique_ptr<CBlockCache> m_cache;
    std::vector<uint32_t> m_held;
    std::vector<char> m_joined;   // a record put together from two pages
    uint64_t m_reads = 0;
};

}   // namespace dbase

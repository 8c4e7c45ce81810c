#pragma once
// Records of the data file read on demand in pages of neighbours and kept in
// a bounded cache, least recently used out first. Writes go to the file by
// the table and are copied here with Put; a change by another handle drops
// everything (Drop) and the next reads fetch it afresh.

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
    size_t m_capacity = 1;
    // Pages of m_perPage records' room, filled from the file, and how many
    // records each holds (the last page may hold fewer).
    std::unique_ptr<CBlockCache> m_cache;
    std::vector<int32_t> m_held;
    uint64_t m_reads = 0;
};

}   // namespace dbase

#pragma once
// Records of the data file read on demand in pages of neighbours and kept in
// a bounded cache, least recently used out first. Writes go to the file by
// the table and are copied here with Put; a change by another handle drops
// everything (Drop) and the next reads fetch it afresh.

#include <cstdint>
#include <list>
#include <memory>
#include <sys/types.h>
#include <unordered_map>
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

    size_t CachedPages() const { return m_pages.size(); }
    size_t CapacityPages() const { return m_capacity; }
    size_t RecordsPerPage() const { return m_perPage; }
    uint64_t PageReads() const { return m_reads; }

private:
    struct Page {
        std::unique_ptr<char[]> bytes;   // m_perPage records' room, filled from the file
        int32_t records = 0;   // how many the page holds (the last page may hold fewer)
        std::list<int32_t>::iterator lru;
    };
    int m_fd = -1;
    off_t m_headerLength = 0;
    size_t m_recordLength = 1;
    size_t m_perPage = 1;
    size_t m_capacity = 1;
    std::unordered_map<int32_t, Page> m_pages;
    std::list<int32_t> m_lru;   // most recent first
    uint64_t m_reads = 0;
};

}   // namespace dbase

#include "engines/dbase/RecordCache.h"

#include "engines/dbase/TableFiles.h"

#include <algorithm>
#include <cstring>

namespace dbase {

void CRecordCache::Reset(int fd, off_t headerLength, size_t recordLength, size_t capacityBytes)
{
    constexpr size_t kFilePage = 4096;
    m_fd = fd;
    m_headerLength = headerLength;
    m_recordLength = std::max<size_t>(recordLength, 1);
    m_pageBytes = (m_recordLength + kFilePage - 1) / kFilePage * kFilePage;
    m_perPage = std::max<size_t>(m_pageBytes / m_recordLength, 1);
    m_capacity = std::max<size_t>(capacityBytes / m_pageBytes, 4);
    m_cache = std::make_unique<CBlockCache>(m_capacity, m_pageBytes);
    m_held.assign(m_capacity, 0);
    m_joined.resize(m_recordLength);
}

void CRecordCache::Drop()
{
    if (m_cache)
        m_cache->Clear();
}

const unsigned char* CRecordCache::Page(uint32_t number, size_t needed, off_t fileEnd)
{
    int32_t slot = m_cache->Find(number);
    if (slot != CBlockCache::kNone && m_held[size_t(slot)] >= needed)
        return m_cache->Data(slot);
    // Not cached, or cached before the records now asked for were appended.
    const off_t at = off_t(number) * off_t(m_pageBytes);
    const size_t bytes = size_t(std::min<off_t>(off_t(m_pageBytes), fileEnd - at));
    if (slot == CBlockCache::kNone)
        slot = m_cache->Insert(number);
    m_held[size_t(slot)] = 0;
    if (bytes < needed || !ReadAll(m_fd, m_cache->Data(slot), bytes, at)) {
        m_cache->Erase(number);
        return nullptr;
    }
    ++m_reads;
    m_held[size_t(slot)] = uint32_t(bytes);
    return m_cache->Data(slot);
}

const char* CRecordCache::Get(int32_t recNo, int32_t count)
{
    if (recNo < 1 || recNo > count || !m_cache)
        return nullptr;
    const off_t start = m_headerLength + off_t(recNo - 1) * off_t(m_recordLength);
    const off_t end = start + off_t(m_recordLength);
    const off_t fileEnd = m_headerLength + off_t(count) * off_t(m_recordLength);
    const off_t size = off_t(m_pageBytes);
    const uint32_t first = uint32_t(start / size), last = uint32_t((end - 1) / size);
    const off_t firstAt = off_t(first) * size;
    const size_t inFirst = size_t(std::min(end, firstAt + size) - firstAt);
    const unsigned char* a = Page(first, inFirst, fileEnd);
    if (!a)
        return nullptr;
    const size_t from = size_t(start - firstAt);
    if (first == last)
        return reinterpret_cast<const char*>(a) + from;
    // Across two pages: the first one's end, then the second one's start.
    const size_t head = inFirst - from;
    std::memcpy(m_joined.data(), a + from, head);
    const unsigned char* b = Page(last, m_recordLength - head, fileEnd);
    if (!b)
        return nullptr;
    std::memcpy(m_joined.data() + head, b, m_recordLength - head);
    return m_joined.data();
}

void CRecordCache::Put(int32_t recNo, const char* image)
{
    if (recNo < 1 || !m_cache)
        return;
    const off_t start = m_headerLength + off_t(recNo - 1) * off_t(m_recordLength);
    const off_t end = start + off_t(m_recordLength);
    const off_t size = off_t(m_pageBytes);
    for (uint32_t n = uint32_t(start / size); off_t(n) * size < end; ++n) {
        const off_t at = off_t(n) * size;
        const off_t from = std::max(start, at), to = std::min(end, at + size);
        const int32_t slot = m_cache->Find(n);
        if (slot != CBlockCache::kNone && off_t(m_held[size_t(slot)]) >= to - at)
            std::memcpy(m_cache->Data(slot) + (from - at), image + (from - start),
                        size_t(to - from));
    }
}

}   // namespace dbase

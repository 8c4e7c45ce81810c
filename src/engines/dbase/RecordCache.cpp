#include "engines/dbase/RecordCache.h"

#include "engines/dbase/TableFiles.h"

#include <algorithm>
#include <cstring>

namespace dbase {

void CRecordCache::Reset(int fd, off_t headerLength, size_t recordLength, size_t capacityBytes)
{
    m_fd = fd;
    m_headerLength = headerLength;
    m_recordLength = std::max<size_t>(recordLength, 1);
    m_perPage =
        std::max<size_t>(4096 / m_recordLength, 1);   // one memory page: random reads stay cheap
    m_capacity = std::max<size_t>(capacityBytes / (m_perPage * m_recordLength), 4);
    m_cache = std::make_unique<CBlockCache>(m_capacity, m_perPage * m_recordLength);
    m_held.assign(m_capacity, 0);
}

void CRecordCache::Drop()
{
    if (m_cache)
        m_cache->Clear();
}

const char* CRecordCache::Get(int32_t recNo, int32_t count)
{
    if (recNo < 1 || recNo > count || !m_cache)
        return nullptr;
    const uint32_t number = uint32_t(size_t(recNo - 1) / m_perPage);
    const int32_t first = int32_t(size_t(number) * m_perPage) + 1;
    const size_t place = size_t(recNo - first);
    int32_t slot = m_cache->Find(number);
    if (slot != CBlockCache::kNone && size_t(m_held[size_t(slot)]) > place)
        return reinterpret_cast<const char*>(m_cache->Data(slot)) + place * m_recordLength;
    // Not cached, or cached before the records now asked for were appended.
    const int32_t records = int32_t(std::min<size_t>(m_perPage, size_t(count - first + 1)));
    if (slot == CBlockCache::kNone)
        slot = m_cache->Insert(number);
    m_held[size_t(slot)] = 0;
    if (!ReadAll(m_fd, m_cache->Data(slot), size_t(records) * m_recordLength,
                 m_headerLength + off_t(first - 1) * off_t(m_recordLength))) {
        m_cache->Erase(number);
        return nullptr;
    }
    ++m_reads;
    m_held[size_t(slot)] = records;
    return reinterpret_cast<const char*>(m_cache->Data(slot)) + place * m_recordLength;
}

void CRecordCache::Put(int32_t recNo, const char* image)
{
    if (recNo < 1 || !m_cache)
        return;
    const uint32_t number = uint32_t(size_t(recNo - 1) / m_perPage);
    const size_t place = size_t(recNo - 1) - size_t(number) * m_perPage;
    const int32_t slot = m_cache->Find(number);
    if (slot != CBlockCache::kNone && size_t(m_held[size_t(slot)]) > place)
        std::memcpy(m_cache->Data(slot) + place * m_recordLength, image, m_recordLength);
}

}   // namespace dbase

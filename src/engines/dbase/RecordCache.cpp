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
    Drop();
}

void CRecordCache::Drop()
{
    m_pages.clear();
    m_lru.clear();
}

const char* CRecordCache::Get(int32_t recNo, int32_t count)
{
    if (recNo < 1 || recNo > count)
        return nullptr;
    const int32_t number = int32_t(size_t(recNo - 1) / m_perPage);
    const int32_t first = int32_t(size_t(number) * m_perPage) + 1;
    const size_t slot = size_t(recNo - first);
    auto it = m_pages.find(number);
    if (it != m_pages.end() && size_t(it->second.records) > slot) {
        m_lru.splice(m_lru.begin(), m_lru, it->second.lru);
        return it->second.bytes.get() + slot * m_recordLength;
    }
    const int32_t records = int32_t(std::min<size_t>(m_perPage, size_t(count - first + 1)));
    std::unique_ptr<char[]> bytes;
    if (it != m_pages.end()) {
        bytes = std::move(it->second.bytes);
        m_lru.splice(m_lru.begin(), m_lru, it->second.lru);
    } else {
        while (m_pages.size() >= m_capacity) {
            bytes = std::move(
                m_pages[m_lru.back()].bytes);   // the room of the page going out is reused
            m_pages.erase(m_lru.back());
            m_lru.pop_back();
        }
        m_lru.push_front(number);
        it = m_pages.emplace(number, Page{}).first;
        it->second.lru = m_lru.begin();
    }
    if (!bytes)
        bytes.reset(new char[m_perPage * m_recordLength]);
    it->second.bytes = std::move(bytes);
    it->second.records = 0;
    if (!ReadAll(m_fd, it->second.bytes.get(), size_t(records) * m_recordLength,
                 m_headerLength + off_t(first - 1) * off_t(m_recordLength)))
        return nullptr;
    ++m_reads;
    it->second.records = records;
    return it->second.bytes.get() + slot * m_recordLength;
}

void CRecordCache::Put(int32_t recNo, const char* image)
{
    if (recNo < 1)
        return;
    const int32_t number = int32_t(size_t(recNo - 1) / m_perPage);
    const size_t slot = size_t(recNo - 1) - size_t(number) * m_perPage;
    auto it = m_pages.find(number);
    if (it != m_pages.end() && size_t(it->second.records) > slot)
        std::memcpy(it->second.bytes.get() + slot * m_recordLength, image, m_recordLength);
}

}   // namespace dbase

#include "engines/dbase/BlockCache.h"

#include <algorithm>

namespace dbase {

CBlockCache::CBlockCache(size_t capacity, size_t blockBytes)
    : m_capacity(std::max<size_t>(capacity, 1)), m_blockBytes(blockBytes),
      m_data(new unsigned char[m_capacity * blockBytes]), m_slots(m_capacity)
{
    // A table at least twice the room keeps probe runs short.
    int bits = 1;
    while ((size_t(1) << bits) < 2 * m_capacity)
        ++bits;
    m_table.assign(size_t(1) << bits, 0);
    m_mask = m_table.size() - 1;
    m_shift = 32 - bits;
}

size_t CBlockCache::Position(uint32_t number) const
{
    size_t i = Home(number);
    while (m_table[i] != 0 && m_slots[size_t(m_table[i] - 1)].number != number)
        i = (i + 1) & m_mask;
    return i;
}

int32_t CBlockCache::Find(uint32_t number)
{
    const int32_t entry = m_table[Position(number)];
    if (entry == 0)
        return kNone;
    const int32_t slot = entry - 1;
    if (m_head[m_slots[size_t(slot)].list] != slot) {
        const uint8_t list = m_slots[size_t(slot)].list;
        Unlink(slot);
        PushFront(slot, list);
    }
    return slot;
}

void CBlockCache::Unlink(int32_t slot)
{
    Slot& s = m_slots[size_t(slot)];
    (s.prev == kNone ? m_head[s.list] : m_slots[size_t(s.prev)].next) = s.next;
    (s.next == kNone ? m_tail[s.list] : m_slots[size_t(s.next)].prev) = s.prev;
    --m_count[s.list];
    s.prev = s.next = kNone;
}

void CBlockCache::PushFront(int32_t slot, uint8_t list)
{
    Slot& s = m_slots[size_t(slot)];
    s.list = list;
    s.prev = kNone;
    s.next = m_head[list];
    if (m_head[list] != kNone)
        m_slots[size_t(m_head[list])].prev = slot;
    m_head[list] = slot;
    if (m_tail[list] == kNone)
        m_tail[list] = slot;
    ++m_count[list];
}

void CBlockCache::RemoveFromTable(uint32_t number)
{
    // Backward-shift deletion: entries after the hole that may sit in it
    // move up, so every probe run stays unbroken.
    size_t hole = Position(number);
    if (m_table[hole] == 0)
        return;
    m_table[hole] = 0;
    for (size_t j = (hole + 1) & m_mask; m_table[j] != 0; j = (j + 1) & m_mask) {
        const size_t home = Home(m_slots[size_t(m_table[j] - 1)].number);
        const bool movable = hole <= j ? (home <= hole || home > j) : (home <= hole && home > j);
        if (movable) {
            m_table[hole] = m_table[j];
            m_table[j] = 0;
            hole = j;
        }
    }
}

int32_t CBlockCache::TakeSlot()
{
    if (m_freeSlots != kNone) {
        const int32_t slot = m_freeSlots;
        m_freeSlots = m_slots[size_t(slot)].next;
        return slot;
    }
    if (m_neverUsed < m_capacity)
        return int32_t(m_neverUsed++);
    // Full: ordinary blocks leave first, kept ones once they crowd the room.
    const bool kept = m_count[kOrdinary] == 0 || m_count[kKept] > m_capacity - m_capacity / 8;
    const int32_t slot = m_tail[kept ? kKept : kOrdinary];
    Unlink(slot);
    RemoveFromTable(m_slots[size_t(slot)].number);
    --m_size;
    return slot;
}

int32_t CBlockCache::Insert(uint32_t number)
{
    const int32_t slot = TakeSlot();
    m_slots[size_t(slot)].number = number;
    PushFront(slot, kOrdinary);
    m_table[Position(number)] = slot + 1;
    ++m_size;
    return slot;
}

void CBlockCache::Keep(int32_t slot)
{
    if (m_slots[size_t(slot)].list == kOrdinary) {
        Unlink(slot);
        PushFront(slot, kKept);
    }
}

void CBlockCache::Erase(uint32_t number)
{
    const int32_t entry = m_table[Position(number)];
    if (entry == 0)
        return;
    const int32_t slot = entry - 1;
    Unlink(slot);
    RemoveFromTable(number);
    m_slots[size_t(slot)].list = kFree;
    m_slots[size_t(slot)].next = m_freeSlots;
    m_freeSlots = slot;
    --m_size;
}

void CBlockCache::Clear()
{
    std::fill(m_table.begin(), m_table.end(), 0);
    for (size_t i = 0; i < m_neverUsed; ++i)
        m_slots[i] = Slot{};
    m_head[0] = m_head[1] = m_tail[0] = m_tail[1] = kNone;
    m_count[0] = m_count[1] = 0;
    m_size = 0;
    m_freeSlots = kNone;
    m_neverUsed = 0;
}

}   // namespace dbase

#pragma once
// A bounded cache of fixed-size blocks found by number: the blocks live in one
// array allocated once (its pages become resident only as they fill), found
// through an open-addressed table, and leave least recently used first. Blocks
// marked kept (the branches of a B-tree) leave only after the others, unless
// they fill all but an eighth of the room, so a stream of blocks seen once
// does not push out the few that every lookup passes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace dbase {

class CBlockCache {
public:
    static constexpr int32_t kNone = -1;

    CBlockCache(size_t capacity, size_t blockBytes);

    // The slot holding `number`, made the most recent of its kind; kNone
    // when it is not cached.
    int32_t Find(uint32_t number);
    // A slot for `number` (which must not be cached), the least recently
    // used block leaving when the cache is full; the caller fills it.
    int32_t Insert(uint32_t number);
    unsigned char* Data(int32_t slot) { return m_data.get() + size_t(slot) * m_blockBytes; }
    uint32_t NumberAt(int32_t slot) const { return m_slots[size_t(slot)].number; }
    // Marks the block in `slot` as one to keep before the others.
    void Keep(int32_t slot);
    void Erase(uint32_t number);
    void Clear();

    size_t Size() const { return m_size; }
    size_t Capacity() const { return m_capacity; }

private:
    struct Slot {
        uint32_t number = 0;
        int32_t prev = kNone, next = kNone;
        uint8_t list = 0;   // kOrdinary, kKept, or kFree
    };
    static constexpr uint8_t kOrdinary = 0, kKept = 1, kFree = 2;

    size_t Home(uint32_t number) const { return (number * 0x9E3779B1u) >> m_shift & m_mask; }
    // The table position holding `number`, or the empty one where it would go.
    size_t Position(uint32_t number) const;
    void Unlink(int32_t slot);
    void PushFront(int32_t slot, uint8_t list);
    void RemoveFromTable(uint32_t number);
    int32_t TakeSlot();

    size_t m_capacity, m_blockBytes;
    std::unique_ptr<unsigned char[]> m_data;
    std::vector<Slot> m_slots;
    std::vector<int32_t> m_table;   // slot + 1, or 0 when empty
    size_t m_mask = 0;
    int m_shift = 0;
    int32_t m_head[2] = {kNone, kNone}, m_tail[2] = {kNone, kNone};
    size_t m_count[2] = {0, 0};
    size_t m_size = 0;
    int32_t m_freeSlots = kNone;   // slots given back, linked through next
    size_t m_neverUsed = 0;   // slots below this have been handed out
};

}   // namespace dbase

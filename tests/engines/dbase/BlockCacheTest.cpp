// The bounded block cache against a plain model of it: random finds, inserts,
// keeps and erases over numbers that crowd the same table places; every block
// the model holds is found with its bytes, no other is, and the one that
// leaves a full cache is the least recent ordinary one (a kept one only when
// kept blocks crowd the room).
#include "engines/dbase/BlockCache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <random>

using dbase::CBlockCache;

namespace {

struct Model {
    std::list<uint32_t> ordinary, kept;   // most recent first
    size_t capacity;

    bool Has(uint32_t n) const
    {
        return std::find(ordinary.begin(), ordinary.end(), n) != ordinary.end() ||
               std::find(kept.begin(), kept.end(), n) != kept.end();
    }
    void Touch(uint32_t n)
    {
        for (auto* l : {&ordinary, &kept}) {
            auto it = std::find(l->begin(), l->end(), n);
            if (it != l->end()) {
                l->splice(l->begin(), *l, it);
                return;
            }
        }
    }
    void Insert(uint32_t n)
    {
        if (ordinary.size() + kept.size() == capacity) {
            const bool fromKept = ordinary.empty() || kept.size() > capacity - capacity / 8;
            (fromKept ? kept : ordinary).pop_back();
        }
        ordinary.push_front(n);
    }
    void Keep(uint32_t n)
    {
        auto it = std::find(ordinary.begin(), ordinary.end(), n);
        if (it != ordinary.end()) {
            ordinary.erase(it);
            kept.push_front(n);
        }
    }
    void Erase(uint32_t n)
    {
        ordinary.remove(n);
        kept.remove(n);
    }
};

}   // namespace

TEST(BlockCache, BehavesAsItsModelThroughRandomUse)
{
    for (size_t capacity : {1u, 7u, 37u, 64u}) {
        CBlockCache cache(capacity, 16);
        Model model{{}, {}, capacity};
        std::mt19937 rng{uint32_t(capacity)};
        for (int step = 0; step < 20000; ++step) {
            // Even numbers, as index pages go, from a range a few times the room.
            const uint32_t n = 2 * uint32_t(rng() % (3 * capacity + 5));
            const int op = int(rng() % 10);
            if (op < 5) {
                const int32_t slot = cache.Find(n);
                ASSERT_EQ(slot != CBlockCache::kNone, model.Has(n)) << step;
                if (slot == CBlockCache::kNone) {
                    const int32_t fresh = cache.Insert(n);
                    std::memcpy(cache.Data(fresh), &n, 4);
                    model.Insert(n);
                } else {
                    uint32_t stored = 0;
                    std::memcpy(&stored, cache.Data(slot), 4);
                    ASSERT_EQ(stored, n) << step;
                    model.Touch(n);
                }
            } else if (op < 7) {
                const int32_t slot = cache.Find(n);
                if (slot != CBlockCache::kNone) {
                    cache.Keep(slot);
                    model.Touch(n);
                    model.Keep(n);
                }
            } else if (op < 9) {
                cache.Erase(n);
                model.Erase(n);
            } else if (step % 997 == 0) {
                cache.Clear();
                model.ordinary.clear();
                model.kept.clear();
            }
            ASSERT_EQ(cache.Size(), model.ordinary.size() + model.kept.size()) << step;
            ASSERT_LE(cache.Size(), capacity);
        }
        // Every number: found exactly when the model holds it.
        for (uint32_t n = 0; n < 2 * (3 * capacity + 5); n += 2) {
            const bool has = model.Has(n);
            EXPECT_EQ(cache.Find(n) != CBlockCache::kNone, has) << capacity << " " << n;
            if (has)
                model.Touch(n);
        }
    }
}

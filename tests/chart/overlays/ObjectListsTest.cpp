#include "chart/overlays/ObjectLists.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Item {
    Item(int id, int& alive) : id(id), alive(alive) { ++alive; }
    ~Item() { --alive; }
    int GetId() const { return id; }
    int id;
    int& alive;
};

}   // namespace

TEST(ObjectLists, OwnFindRemoveAndTake)
{
    int alive = 0;
    {
        chart::COwningList<Item> list;
        EXPECT_EQ(list.FindById(1), nullptr);
        list.Add(std::make_unique<Item>(1, alive));
        list.Add(nullptr);
        list.Add(std::make_unique<Item>(2, alive));
        list.Add(std::make_unique<Item>(2, alive));
        EXPECT_EQ(list.size(), 3u);
        Item* first2 = list.FindById(2);
        ASSERT_NE(first2, nullptr);
        EXPECT_EQ(first2, (list.begin() + 1)->get());

        Item stranger(9, alive);
        EXPECT_FALSE(list.Remove(&stranger));   // not listed: nothing deleted
        EXPECT_FALSE(list.Remove(nullptr));
        EXPECT_EQ(alive, 4);
        EXPECT_TRUE(list.Remove(first2));
        EXPECT_EQ(alive, 3);
        std::unique_ptr<Item> kept = list.Take(list.FindById(1));
        ASSERT_TRUE(kept);
        EXPECT_EQ(list.size(), 1u);
        EXPECT_EQ(alive, 3);
    }
    EXPECT_EQ(alive, 0);   // the list deleted what it still held
}

namespace {

struct Tracked {
    Tracked(int id, std::vector<int>& gone) : id(id), gone(gone) { }
    ~Tracked() { gone.push_back(id); }
    int GetId() const { return id; }
    int id;
    std::vector<int>& gone;
};

}   // namespace

// RemoveAll deletes every element from the head on and leaves the list empty
// and usable; the list's end does the same.
TEST(ObjectLists, RemoveAllDeletesFromTheHead)
{
    std::vector<int> gone;
    {
        chart::COwningList<Tracked> list;
        for (int id : {3, 1, 2})
            list.Add(std::make_unique<Tracked>(id, gone));
        list.RemoveAll();
        EXPECT_EQ(gone, (std::vector<int>{3, 1, 2}));
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(list.FindById(3), nullptr);
        list.Add(std::make_unique<Tracked>(7, gone));
        list.Add(std::make_unique<Tracked>(8, gone));
    }
    EXPECT_EQ(gone, (std::vector<int>{3, 1, 2, 7, 8}));
}

#include "chart/overlays/ObjectLists.h"

#include <gtest/gtest.h>

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

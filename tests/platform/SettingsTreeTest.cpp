#include "platform/SettingsTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <tuple>

using namespace platform;
using namespace platform::settings;

namespace {

// Keys and values of a tree, without regard to case or creation order.
using Flat = std::set<std::tuple<std::string, std::string, std::uint32_t, std::string>>;

Flat Flatten(const Key& key, const std::string& path = "", Flat&& out = {})
{
    const auto folded = [](std::string s) {
        for (char& c : s)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        return s;
    };
    out.insert({path, "", 0xFFFFFFFF, ""});   // the key itself, values or not
    for (const auto& [name, value] : key.values)
        out.insert({path, folded(name), value.type, value.data});
    for (const auto& child : key.children)
        out = Flatten(*child, path + "\\" + folded(child->name), std::move(out));
    return std::move(out);
}

Key& Replay(Key& tree, const std::vector<Change>& journal)
{
    for (const Change& change : journal)
        Apply(tree, change);
    return tree;
}

// Random edits over a few keys and names spelt in several ways, so that
// spellings of one value meet, and so do names that differ only in a
// doubled backslash. Three in four edits set a value.
Change RandomChange(std::mt19937& random)
{
    static const char* keys[] = {"Nav",   "nav\\Fix",  "NAV\\fix\\", "\\Nav\\\\Fix\\Sub",
                                 "Chart", "chart\\Day"};
    static const char* names[] = {"Lat", "LAT", "lon", "a\\b", "a\\\\b", ""};
    static const Change::Kind kinds[] = {Change::Kind::DeleteValue, Change::Kind::DeleteTree,
                                         Change::Kind::CreateKey};
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const int kind = pick(12);
    return {kind < 9 ? Change::Kind::SetValue : kinds[kind - 9], keys[pick(6)], names[pick(6)],
            SettingValue::FromDword(static_cast<std::uint32_t>(pick(1000)))};
}

TEST(SettingsJournal, CompactedJournalReplaysToTheSameTree)
{
    std::mt19937 random(42);
    for (int round = 0; round < 200; ++round) {
        // What other processes saved meanwhile: some random tree.
        std::vector<Change> saved(30),
            journal(std::uniform_int_distribution<std::size_t>(1, 400)(random));
        for (auto* changes : {&saved, &journal})
            std::generate(changes->begin(), changes->end(), [&] { return RandomChange(random); });
        std::vector<Change> compacted = journal;
        CompactJournal(compacted);
        EXPECT_LE(compacted.size(), journal.size());
        Key onDiskA, onDiskB;
        ASSERT_EQ(Flatten(Replay(Replay(onDiskA, saved), journal)),
                  Flatten(Replay(Replay(onDiskB, saved), compacted)))
            << "round " << round;
    }
}

// A long run of edits to a few values compacts to one set of each, whatever
// the spelling of its key.
TEST(SettingsJournal, CompactionKeepsOneSetPerValue)
{
    const char* names[] = {"Lat", "a\\b", "a\\\\b"};
    std::vector<Change> journal;
    for (std::uint32_t i = 0; i < 3000; ++i)
        journal.push_back({Change::Kind::SetValue, i % 2 ? "Nav\\Fix" : "nav\\\\FIX\\",
                           names[i % 3], SettingValue::FromDword(i)});
    CompactJournal(journal);
    ASSERT_EQ(journal.size(), 3u);
    Key tree;
    const Key* fix = FindKey(Replay(tree, journal), "Nav\\Fix");
    ASSERT_TRUE(fix && fix->values.size() == 3u);
    EXPECT_EQ(*fix->Value("lat"), SettingValue::FromDword(2997));
}

}   // namespace

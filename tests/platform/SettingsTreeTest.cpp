#include "platform/SettingsTree.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

using namespace platform;
using namespace platform::settings;

namespace {

std::string Folded(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
}

// Keys and values of a tree, without regard to case or creation order.
using Flat = std::set<std::tuple<std::string, std::string, std::uint32_t, std::string>>;

void Flatten(const Key& key, const std::string& path, Flat& out)
{
    out.insert({path, "", 0xFFFFFFFF, ""});   // the key itself, values or not
    for (const auto& [name, value] : key.values)
        out.insert({path, Folded(name), value.type, value.data});
    for (const auto& child : key.children)
        Flatten(*child, path + "\\" + Folded(child->name), out);
}

Flat Flatten(const Key& root)
{
    Flat out;
    Flatten(root, "", out);
    return out;
}

// Random edits over a few keys and names spelt in several ways, so that
// spellings of one value meet, and so do names that differ only in a
// doubled backslash.
Change RandomChange(std::mt19937& random)
{
    static const char* keys[] = {"Nav", "nav\\Fix", "NAV\\fix\\", "\\Nav\\\\Fix\\Sub", "Chart", "chart\\Day"};
    static const char* names[] = {"Lat", "LAT", "lon", "a\\b", "a\\\\b", ""};
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    Change change{};
    change.key = keys[pick(6)];
    change.name = names[pick(6)];
    const int roll = pick(100);
    if (roll < 75) {
        change.kind = Change::Kind::SetValue;
        change.value = SettingValue::FromDword(static_cast<std::uint32_t>(pick(1000)));
    } else if (roll < 85) {
        change.kind = Change::Kind::DeleteValue;
    } else if (roll < 93) {
        change.kind = Change::Kind::DeleteTree;
    } else {
        change.kind = Change::Kind::CreateKey;
    }
    return change;
}

TEST(SettingsJournal, CompactedJournalReplaysToTheSameTree)
{
    std::mt19937 random(42);
    for (int round = 0; round < 200; ++round) {
        // What other processes saved meanwhile: some random tree.
        Key onDiskA, onDiskB;
        for (int i = 0; i < 30; ++i) {
            const Change change = RandomChange(random);
            Apply(onDiskA, change);
            Apply(onDiskB, change);
        }
        std::vector<Change> journal;
        const int length = std::uniform_int_distribution<int>(1, 400)(random);
        for (int i = 0; i < length; ++i)
            journal.push_back(RandomChange(random));
        std::vector<Change> compacted = journal;
        CompactJournal(compacted);
        EXPECT_LE(compacted.size(), journal.size());

        for (const Change& change : journal)
            Apply(onDiskA, change);
        for (const Change& change : compacted)
            Apply(onDiskB, change);
        ASSERT_EQ(Flatten(onDiskA), Flatten(onDiskB)) << "round " << round;
    }
}

TEST(SettingsJournal, CompactionKeepsOneSetPerValue)
{
    std::vector<Change> journal;
    for (std::uint32_t i = 0; i < 1000; ++i) {
        journal.push_back({Change::Kind::SetValue, i % 2 ? "Nav\\Fix" : "nav\\\\FIX\\", "Lat", SettingValue::FromDword(i)});
        journal.push_back({Change::Kind::SetValue, "Nav\\Fix", "a\\b", SettingValue::FromDword(i)});
        journal.push_back({Change::Kind::SetValue, "Nav\\Fix", "a\\\\b", SettingValue::FromDword(i)});
    }
    CompactJournal(journal);
    ASSERT_EQ(journal.size(), 3u);
    Key tree;
    for (const Change& change : journal)
        Apply(tree, change);
    const Key* fix = FindKey(tree, "Nav\\Fix");
    ASSERT_NE(fix, nullptr);
    EXPECT_EQ(*fix->Value("lat"), SettingValue::FromDword(999));
    EXPECT_EQ(fix->values.size(), 3u);
}

}  // namespace

#include "app/FileDlgModel.h"

#include <gtest/gtest.h>

#include <fstream>

#include "../support/TempFolder.h"

namespace {

void Touch(const std::filesystem::path& p)
{
    std::ofstream(p) << "x";
}

TEST(FileDlgModel, ValidNames)
{
    app::CFileDlgModel m;
    struct Row { const char* name; bool keepExt; bool valid; } rows[] = {
        {"report", false, true},   {"Route 1", false, true},   {"a:b", false, false},  {"star*", false, false},
        {"what?", false, false},   {"~temp", false, false},    {"", false, false},     {"chart.dbf", false, false},
        {"chart.dbf", true, true}, {"dir/name", true, false},  {"dir\\name", true, false}, {"a|b", true, false},
        {"<x>", true, false},      {"say \"hi\"", true, false},
    };
    for (const auto& r : rows) {
        m.keepExtension = r.keepExt;
        EXPECT_EQ(m.IsValidFileName(r.name), r.valid) << r.name << " keep=" << r.keepExt;
    }
}

TEST(FileDlgModel, PathTakesThePatternsExtension)
{
    app::CFileDlgModel m;
    m.folder = "/data/Logs";
    m.name = "Voyage";
    m.pattern = "log";
    EXPECT_EQ(m.GetPathName(), "/data/Logs/Voyage.log");
    m.name = "Voyage.txt";
    EXPECT_EQ(m.GetPathName(), "/data/Logs/Voyage.log");
    m.pattern.clear();
    EXPECT_EQ(m.GetPathName(), "/data/Logs/Voyage");   // a typed extension goes with an empty pattern
    m.keepExtension = true;
    m.applyPattern = false;
    EXPECT_EQ(m.GetPathName(), "/data/Logs/Voyage.txt");
}

TEST(FileDlgModel, TypeFilter)
{
    EXPECT_EQ(app::CFileDlgModel::GetFilterPatterns("Route (*.rte;*.rdb)"), "*.rte;*.rdb");
    EXPECT_EQ(app::CFileDlgModel::GetFilterPatterns("No patterns"), "");
    EXPECT_EQ(app::CFileDlgModel::GetFilterPatterns("odd )(*.x"), "");

    auto f = app::CFileDlgModel::ParseTypeFilter("All\nPlan (*.pln)\nLog (*.log)");
    EXPECT_EQ(f.entries, (std::vector<std::string>{"All", "Plan (*.pln)", "Log (*.log)"}));
    EXPECT_EQ(f.selected, 1);
    EXPECT_EQ(f.patterns, "*.pln");
    f = app::CFileDlgModel::ParseTypeFilter("All\nLog (*.log)");   // only the last entry has patterns
    EXPECT_EQ(f.selected, 0);
    EXPECT_EQ(f.patterns, "*.log");
    f = app::CFileDlgModel::ParseTypeFilter("Bitmap (*.bmp)");
    EXPECT_EQ(f.entries.size(), 1u);
    EXPECT_EQ(f.patterns, "*.bmp");
}

TEST(FileDlgModel, Wildcards)
{
    EXPECT_TRUE(app::MatchesPattern("Voyage.LOG", "*.log"));
    EXPECT_TRUE(app::MatchesPattern("chart1.dbf", "chart?.dbf"));
    EXPECT_FALSE(app::MatchesPattern("chart12.dbf", "chart?.dbf"));
    EXPECT_TRUE(app::MatchesPattern("a.b.c", "*.*"));
    EXPECT_FALSE(app::MatchesPattern("log", "*.log"));
    EXPECT_FALSE(app::MatchesPattern(std::string(200, 'a'), std::string(50, '*') + "b*"));
}

TEST(FileDlgModel, ListAndRefreshFollowTheFolder)
{
    brine_test::TempFolder dir;
    Touch(dir.Path() / "Voyage.log");
    Touch(dir.Path() / "bridge.LOG");
    Touch(dir.Path() / "~lock.log");
    Touch(dir.Path() / "notes.txt");
    app::CFileDlgModel m;
    m.folder = dir.Path();
    m.name = "VOYAGE";
    m.pattern = "log";
    m.extensions = {"log"};
    std::optional<std::size_t> selected;
    auto list = m.ListFiles("*.log", &selected);
    ASSERT_EQ(list.size(), 2u);
    ASSERT_TRUE(selected);
    EXPECT_EQ(list[*selected].shownName, "Voyage");

    // A file deleted and another added while the dialog is open: within three steps.
    std::filesystem::remove(dir.Path() / "Voyage.log");
    Touch(dir.Path() / "Passage.log");
    bool refill = false;
    for (int i = 0; i < 3; ++i)
        refill = refill || m.RefreshStep(list) == app::CFileDlgModel::RefreshAction::Refill;
    EXPECT_FALSE(refill);   // same count: not a refill, the steps mend it
    std::vector<std::string> names;
    for (const auto& e : list)
        names.push_back(e.shownName);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Passage", "bridge"}));
    // A changed count asks for a refill at step 1.
    Touch(dir.Path() / "extra.log");
    EXPECT_EQ(m.NextRefreshStep(), 1);
    EXPECT_EQ(m.RefreshStep(list), app::CFileDlgModel::RefreshAction::Refill);
}

}  // namespace

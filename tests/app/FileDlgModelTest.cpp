#include "app/FileDlgModel.h"

#include <gtest/gtest.h>

#include <fstream>

#include "../support/TempFolder.h"

namespace {

void Touch(const std::filesystem::path& p) { std::ofstream(p) << "x"; }

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

TEST(FileDlgModel, PathTypeFilterAndWildcards)
{
    app::CFileDlgModel m;
    m.folder = "/data/Logs";
    m.name = "Voyage.txt";
    m.pattern = "log";
    EXPECT_EQ(m.GetPathName(), "/data/Logs/Voyage.log");
    m.pattern.clear();
    EXPECT_EQ(m.GetPathName(), "/data/Logs/Voyage");   // a typed extension goes with an empty pattern
    m.keepExtension = true;
    m.applyPattern = false;
    EXPECT_EQ(m.GetPathName(), "/data/Logs/Voyage.txt");

    EXPECT_EQ(app::CFileDlgModel::GetFilterPatterns("Route (*.rte;*.rdb)"), "*.rte;*.rdb");
    EXPECT_EQ(app::CFileDlgModel::GetFilterPatterns("odd )(*.x"), "");
    auto f = app::CFileDlgModel::ParseTypeFilter("All\nPlan (*.pln)\nLog (*.log)");
    EXPECT_EQ(f.entries, (std::vector<std::string>{"All", "Plan (*.pln)", "Log (*.log)"}));
    EXPECT_EQ(std::pair(f.selected, f.patterns), std::pair(1, std::string("*.pln")));
    f = app::CFileDlgModel::ParseTypeFilter("All\nLog (*.log)");   // only the last entry has patterns
    EXPECT_EQ(std::pair(f.selected, f.patterns), std::pair(0, std::string("*.log")));

    const struct { std::string name, pattern; bool matches; } rows[] = {
        {"Voyage.LOG", "*.log", true}, {"chart1.dbf", "chart?.dbf", true}, {"chart12.dbf", "chart?.dbf", false},
        {"a.b.c", "*.*", true}, {"log", "*.log", false}, {std::string(200, 'a'), std::string(50, '*') + "b*", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(app::MatchesPattern(r.name, r.pattern), r.matches) << r.name << " " << r.pattern;
}

TEST(FileDlgModel, ListAndRefreshFollowTheFolder)
{
    brine_test::TempFolder dir;
    for (const char* name : {"Voyage.log", "bridge.LOG", "~lock.log", "notes.txt"})
        Touch(dir.Path() / name);
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

    // A file deleted and another added while the dialog is open: within three steps, and not by a refill.
    std::filesystem::remove(dir.Path() / "Voyage.log");
    Touch(dir.Path() / "Passage.log");
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(m.RefreshStep(list), app::CFileDlgModel::RefreshAction::Refill) << i;
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

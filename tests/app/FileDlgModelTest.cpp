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
    struct Row {
        const char* name;
        bool keepExt;
        bool valid;
    } rows[] = {
        {"report", false, true},   {"Route 1", false, true},    {"a:b", false, false},
        {"star*", false, false},   {"what?", false, false},     {"~temp", false, false},
        {"", false, false},        {"chart.dbf", false, false}, {"chart.dbf", true, true},
        {"dir/name", true, false}, {"dir\\name", true, false},  {"a|b", true, false},
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
    EXPECT_EQ(m.GetPathName(),
              "/data/Logs/Voyage");   // a typed extension goes with an empty pattern
    m.keepExtension = true;
    m.applyPattern = false;
    EXPECT_EQ(m.GetPathName(), "/data/Logs/Voyage.txt");

    EXPECT_EQ(app::CFileDlgModel::GetFilterPatterns("Route (*.rte;*.rdb)"), "*.rte;*.rdb");
    EXPECT_EQ(app::CFileDlgModel::GetFilterPatterns("odd )(*.x"), "");
    auto f = app::CFileDlgModel::ParseTypeFilter("All\nPlan (*.pln)\nLog (*.log)");
    EXPECT_EQ(f.entries, (std::vector<std::string>{"All", "Plan (*.pln)", "Log (*.log)"}));
    EXPECT_EQ(std::pair(f.selected, f.patterns), std::pair(1, std::string("*.pln")));
    f = app::CFileDlgModel::ParseTypeFilter(
        "All\nLog (*.log)");   // only the last entry has patterns
    EXPECT_EQ(std::pair(f.selected, f.patterns), std::pair(0, std::string("*.log")));

    const struct {
        std::string name, pattern;
        bool matches;
    } rows[] = {
        {"Voyage.LOG", "*.log", true},
        {"chart1.dbf", "chart?.dbf", true},
        {"chart12.dbf", "chart?.dbf", false},
        {"a.b.c", "*.*", true},
        {"log", "*.log", false},
        {std::string(200, 'a'), std::string(50, '*') + "b*", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(app::MatchesPattern(r.name, r.pattern), r.matches) << r.name << " " << r.pattern;
}

TEST(FileDlgModel, ListAndRefreshFollowTheFolder)
{
    brine_test::TempFolder dir;
    for (const char* name : {"Voyage.log", "bridge.LOG", "~lock.log", "notes.txt", "VOYAGE2.LOG"})
        Touch(dir.Path() / name);
    app::CFileDlgModel m;
    m.folder = dir.Path();
    m.name = "VOYAGE";
    m.pattern = "log";
    m.extensions = {"log"};
    std::optional<std::size_t> selected;
    auto list = m.ListFiles("*.log", &selected);
    const auto names = [&list] {
        std::vector<std::string> shown;
        for (const auto& e : list)
            shown.push_back(e.shownName);
        return shown;
    };
    // Name order, whatever the case of names and extensions.
    EXPECT_EQ(names(), (std::vector<std::string>{"bridge", "Voyage", "VOYAGE2"}));
    ASSERT_TRUE(selected);
    EXPECT_EQ(list[*selected].shownName, "Voyage");

    // Files whose extension is not in the pattern's case stay listed: a
    // whole round of refresh steps changes nothing.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m.RefreshStep(list), app::CFileDlgModel::RefreshAction::None) << i;

    // A file deleted and another added while the dialog is open: within three
    // steps, not by a refill, and the new one in its place in name order.
    std::filesystem::remove(dir.Path() / "Voyage.log");
    Touch(dir.Path() / "Passage.LOG");
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(m.RefreshStep(list), app::CFileDlgModel::RefreshAction::Refill) << i;
    EXPECT_EQ(names(), (std::vector<std::string>{"bridge", "Passage", "VOYAGE2"}));
    // A changed count asks for a refill at step 1.
    Touch(dir.Path() / "extra.log");
    EXPECT_EQ(m.NextRefreshStep(), 1);
    EXPECT_EQ(m.RefreshStep(list), app::CFileDlgModel::RefreshAction::Refill);
}

}   // namespace

// The options sheet's order of checking and applying, with fake pages.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/OptionPages.h"

namespace {

// Records every call into a shared log as "<title>:<call>".
class CFakePage : public app::COptionPageModel {
public:
    CFakePage(std::string title, std::vector<std::string>& log)
        : m_title(std::move(title)), m_log(log)
    { }
    std::string Title() const override { return m_title; }
    std::vector<app::CFieldError> Validate() const override
    {
        m_log.push_back(m_title + ":validate");
        return errors;
    }
    void Apply() override { m_log.push_back(m_title + ":apply"); }
    void Reset() override { m_log.push_back(m_title + ":reset"); }
    void OnSheetClosing() override { m_log.push_back(m_title + ":closing"); }

    std::vector<app::CFieldError> errors;

private:
    std::string m_title;
    std::vector<std::string>& m_log;
};

struct Sheet {
    std::vector<std::string> log;
    CFakePage a{"A", log}, b{"B", log}, c{"C", log};
    app::COptionSheetModel sheet;
    Sheet()
    {
        sheet.AddPage(a);
        sheet.AddPage(b);
        sheet.AddPage(c);
    }
    std::vector<std::string> Calls(const std::string& what) const
    {
        std::vector<std::string> out;
        for (const auto& entry : log)
            if (entry.ends_with(":" + what))
                out.push_back(entry.substr(0, entry.find(':')));
        return out;
    }
};

using Titles = std::vector<std::string>;

TEST(OptionSheetModel, OkAppliesEveryPageInOrderAfterCheckingAll)
{
    Sheet s;   // pages B and C were never shown: the model does not care
    EXPECT_FALSE(s.sheet.Ok());
    EXPECT_EQ(s.log, (Titles{"A:validate", "B:validate", "C:validate", "A:closing", "A:apply",
                             "B:closing", "B:apply", "C:closing", "C:apply"}));
}

TEST(OptionSheetModel, ARefusalAnywhereAppliesNothing)
{
    for (int bad = 0; bad < 3; ++bad) {
        Sheet s;
        CFakePage* pages[] = {&s.a, &s.b, &s.c};
        pages[bad]->errors = {{"first", "First is wrong"}, {"second", "Second is wrong"}};
        for (auto run : {&app::COptionSheetModel::Apply, &app::COptionSheetModel::Ok}) {
            const auto refusal = (s.sheet.*run)();
            ASSERT_TRUE(refusal) << bad;
            EXPECT_EQ(refusal->page, static_cast<std::size_t>(bad));
            // The first bad field of the page is the one the user is sent to.
            EXPECT_EQ(refusal->error.field, "first");
            EXPECT_EQ(refusal->error.message, "First is wrong");
        }
        EXPECT_TRUE(s.Calls("apply").empty()) << bad;
        EXPECT_TRUE(s.Calls("closing").empty()) << bad;
    }
}

TEST(OptionSheetModel, ApplyTwiceThenCancel)
{
    Sheet s;
    EXPECT_FALSE(s.sheet.Apply());
    EXPECT_FALSE(s.sheet.Apply());
    s.sheet.Cancel();
    EXPECT_EQ(s.Calls("apply"), (Titles{"A", "B", "C", "A", "B", "C"}));
    EXPECT_EQ(s.Calls("reset"), (Titles{"A", "B", "C"}));
    // Apply leaves the sheet open: only Cancel tells the pages it closes.
    EXPECT_EQ(s.Calls("closing"), (Titles{"A", "B", "C"}));
    EXPECT_EQ(s.log[12], "A:closing");
}

TEST(OptionSheetModel, RangeMessagesAreLocaleFreeAndInclusive)
{
    EXPECT_FALSE(app::CheckRange("dp", "Decimal places", 0LL, 0, 4));
    EXPECT_FALSE(app::CheckRange("dp", "Decimal places", 4LL, 0, 4));
    const auto five = app::CheckRange("dp", "Decimal places", 5LL, 0, 4);
    ASSERT_TRUE(five);
    EXPECT_EQ(five->message, "Decimal places run from 0 to 4");
    const auto rate = app::CheckRange("rate", "Rates", 0.0, 0.1, 10.0);
    ASSERT_TRUE(rate);
    EXPECT_EQ(rate->message, "Rates run from 0.1 to 10");
    EXPECT_TRUE(app::CheckRange("rate", "Rates", std::nan(""), 0.1, 10.0));
    EXPECT_FALSE(app::CheckRange("rate", "Rates", 0.1, 0.1, 10.0));
}

}   // namespace

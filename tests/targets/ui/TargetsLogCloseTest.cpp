// Radar targets and tenders join the navigator's list on its pass. Closing the
// vessel log drops every one: none is left on the list nor in the modules' slots, the radar targets
// end their log rows while the log is still open, and the next reports make new targets that join
// the list as the first ones did.

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

#include "ARPARig.h"
#include "FileSettingsHome.h"
#include "navigator/NavigatorModule.h"
#include "targets/ui/TenderWindows.h"

using namespace std::chrono_literals;

namespace {

int g_argc = 1;
char g_arg0[] = "targets_ui_TargetsLogCloseTest";
char* g_argv[] = {g_arg0, nullptr};

// Rows the radar targets start and end, and whether the log could still take the end.
struct Rows : targets::CTargetLogRows {
    explicit Rows(const navigator::CNavigatorModule& nav) : nav(nav) { }
    std::optional<CRow> StartRow(int, int, const std::string&) override { return CRow{++next, {}}; }
    void EndRow(long row, std::chrono::system_clock::time_point) override
    {
        ended.push_back(row);
        endedWhileOpen = endedWhileOpen && nav.Logbook().IsOpen();
    }
    const navigator::CNavigatorModule& nav;
    long next = 0;
    std::vector<long> ended;
    bool endedWhileOpen = true;
};

struct LogCloseTest : ::testing::Test {
    static void SetUpTestSuite()
    {
        static auto* app = new QApplication(g_argc, g_argv);   // lives to the end
        (void)app;
    }
    brine_test::TempFolder folder;
    brine_test::FileSettingsHome home{folder.Path() / "settings.conf"};
    brine_test::FakeClock clock;
    brine_test::FakePorts ports;
    navigator::CNavigatorModule nav{home, clock};
    targets::CARPAModule arpa{home, ports, clock, nullptr};
    targets::CTenderWindows tenders{home, clock, ports};
    Rows rows{nav};

    LogCloseTest()
    {
        clock.SetUtc(std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + 15h);
        arpa.Initialise();
        arpa.SetVesselList(nav.Vessels());
        arpa.SetLogRows(&rows);
        tenders.SetVesselList(nav.Vessels());
        for (int channel : {0, 4})
            tenders.Tracking().Settings().channels[std::size_t(channel)].valid = true;
        nav.Logbook().SetFolder(folder.Path());
    }
    ~LogCloseTest() override
    {
        arpa.SetLogRows(nullptr);
        arpa.Terminate();
        tenders.Terminate();
    }

    void Radar(const std::string& body)
    {
        ASSERT_TRUE(arpa.Parser().ParseLine(brine_test::NmeaLine(body)));
    }
    // Off Point No Point, heading into Admiralty Inlet.
    void Tender(int channel, const char* serial, const char* kind = "RMC")
    {
        const std::string body = std::string(kind) == "MOVB"
                                     ? "MOVB"
                                     : "RMC,150000,A,4754.000,N,12232.000,W,4.0,200.0,071226,,";
        ASSERT_TRUE(tenders.Tracking().Store().ParseTargetLine(channel, std::string("$PABX,") +
                                                                            serial + "," + body));
    }
    void Feed()
    {
        Radar("RATTM,03,1.2,090.0,T,6.0,180.0,T,,,N,TUG,T,,,A");
        Radar("RATTM,07,2.5,300.0,T,12.0,020.0,T,,,N,FERRY,T,,,A");
        Tender(0, "0001");
        Tender(4, "0005");
        Tender(4, "0005", "MOVB");
    }
    std::size_t TenderSlots()
    {
        std::size_t filled = 0;
        for (int c = 0; c < targets::kTenderChannels; ++c)
            filled += tenders.Tracking().Store().Slot(c) != nullptr;
        return filled;
    }
};

TEST_F(LogCloseTest, ClosingTheLogDropsEveryTargetAndNewReportsMakeNewOnes)
{
    ASSERT_TRUE(nav.OpenVesselLog((folder / "Trip").string()));
    Feed();
    ASSERT_TRUE(nav.NavigationTimerPass());
    ASSERT_EQ(nav.Vessels()->Vessels().size(), 4u);
    ASSERT_EQ(arpa.Targets().size(), 2u);
    ASSERT_EQ(tenders.Tracking().Tenders().size(), 2u);
    ASSERT_EQ(tenders.Tracking().ManOverboardCount(), 1);
    tenders.SetCurrent(4);
    std::weak_ptr<targets::CTrackedTarget> tug = arpa.Store().Target(3);
    std::weak_ptr<targets::CTenderRecord> first = tenders.Tracking().Store().Slot(0);
    std::weak_ptr<targets::CTenderVessel> firstObject = tenders.Tracking().Find(0)->vessel;

    // Opening another log closes this one.
    ASSERT_TRUE(nav.OpenVesselLog((folder / "Next").string()));
    EXPECT_TRUE(nav.Vessels()->Vessels().empty());
    EXPECT_EQ(nav.Vessels()->QueuedCount(), 0u);
    EXPECT_TRUE(arpa.Targets().empty());
    EXPECT_EQ(arpa.Store().SlotCount(), 0);
    EXPECT_TRUE(tug.expired());
    EXPECT_EQ(rows.ended, (std::vector<long>{2, 1}));
    EXPECT_TRUE(rows.endedWhileOpen);
    EXPECT_TRUE(tenders.Tracking().Tenders().empty());
    EXPECT_EQ(TenderSlots(), 0u);
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(firstObject.expired());
    EXPECT_EQ(tenders.Tracking().current, -1);
    EXPECT_EQ(tenders.Tracking().ManOverboardCount(), 0);

    // The same numbers and channels report again: new targets, on the list.
    clock.Advance(1s);
    Feed();
    ASSERT_TRUE(nav.NavigationTimerPass());
    ASSERT_EQ(arpa.Targets().size(), 2u);
    EXPECT_EQ(nav.Vessels()->Vessels().size(), 4u);
    EXPECT_EQ(arpa.Targets()[0].record->Number(), 3);
    EXPECT_TRUE(arpa.Targets()[0].record->live);
    EXPECT_EQ(arpa.Targets()[0].logRow, 3);
    ASSERT_EQ(tenders.Tracking().Tenders().size(), 2u);
    EXPECT_NE(tenders.Tracking().Find(0), nullptr);
    EXPECT_EQ(tenders.Tracking().ManOverboardCount(), 1);
}

// The program closing the log at its end drops the targets the same way.
TEST_F(LogCloseTest, TheLogClosingWithTheProgramDropsTheTargets)
{
    ASSERT_TRUE(nav.OpenVesselLog((folder / "Trip").string()));
    Feed();
    ASSERT_TRUE(nav.NavigationTimerPass());
    ASSERT_EQ(nav.Vessels()->Vessels().size(), 4u);
    nav.Terminate();
    EXPECT_TRUE(nav.Vessels()->Vessels().empty());
    EXPECT_TRUE(arpa.Targets().empty());
    EXPECT_EQ(rows.ended.size(), 2u);
    EXPECT_TRUE(rows.endedWhileOpen);
    EXPECT_TRUE(tenders.Tracking().Tenders().empty());
    EXPECT_EQ(TenderSlots(), 0u);
}

}   // namespace

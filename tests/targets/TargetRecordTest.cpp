// What a target record is: a new record's flags and kind, the item numbers
// each sentence's fields land on (and those it leaves alone), values that
// count only within the owning module's refresh time, the readers that fall
// back from TTM to TLL as values age, a tender's report time from its RMC's
// time and date, and values written on one thread while another reads them.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "ARPARig.h"
#include "FakeClock.h"
#include "TenderJoined.h"
#include "nmea/NMEASentenceTable.h"
#include "nmea/NMEAValueIndex.h"
#include "targets/ARPATargetStore.h"
#include "targets/TenderTargetStore.h"
#include "targets/TenderTracking.h"

using namespace std::chrono_literals;
using namespace std::chrono;
namespace item = nmea::item;

namespace {

struct RadarFeed {
    brine_test::FakeClock clock;
    targets::CARPATargetStore store{clock};
    nmea::CNMEAMessage message;

    // One sentence from its id onward (talker and checksum removed), parsed
    // into the store as the radar's device would.
    bool Feed(const std::string& text)
    {
        message.SetClock(clock);
        message.SetTargetSentenceParser(&store);
        message.SetSentence(nmea::NmeaSentenceIndex(text.substr(0, 3)), text);
        message.Parse();
        return message.IsValid();
    }
};

// The items of `record` that hold a value.
std::set<int> ValidItems(const targets::CTargetRecord& record)
{
    std::set<int> valid;
    for (int i = 0; i < nmea::kValueCount; ++i)
        if (record.Value(i).IsValid())
            valid.insert(i);
    return valid;
}

class NoPorts : public nmea::CPortDirectory {
public:
    nmea::CPort* FindPort(std::uint8_t) const override { return nullptr; }
    std::uint8_t GetFirstPortNumber() const override { return 0; }
};

}   // namespace

// A radar target's record is kind 2 and a tender's kind 4; each starts with
// no flag set, no label, and all 155 values empty on its module's refresh
// time; a value then counts while younger than that time.
TEST(TargetRecord, NewRecordsAreSilentAndTheirValuesLastTheRefreshTime)
{
    RadarFeed radar;
    radar.store.SetRefreshTime(10s);
    ASSERT_TRUE(radar.Feed("TLL,02,5430.000,N,00530.000,E,ONE,101500,T,"));
    const auto arpa = radar.store.Slot(2);
    ASSERT_NE(arpa, nullptr);
    EXPECT_EQ(arpa->Kind(), navigator::kVesselArpa);
    EXPECT_FALSE(arpa->current);
    EXPECT_FALSE(arpa->live);   // set when it joins the navigator's list
    EXPECT_FALSE(arpa->ttmUpdated);
    EXPECT_EQ(arpa->Label(), "");
    for (int i = 0; i < nmea::kValueCount; ++i)
        EXPECT_EQ(arpa->Value(i).GetValiditySpan(), 10s) << i;
    EXPECT_THROW(arpa->Value(nmea::kValueCount), std::out_of_range);

    radar.clock.Advance(9s);
    EXPECT_TRUE(arpa->Value(item::TllTargetStatus).IsValid());
    EXPECT_EQ(arpa->StatusText(), "T");
    radar.clock.Advance(2s);   // 11 s old
    EXPECT_FALSE(arpa->Value(item::TllTargetStatus).IsValid());
    EXPECT_EQ(arpa->StatusText(), "");
    EXPECT_TRUE(ValidItems(*arpa).empty());

    brine_test::FakeClock clock;
    targets::CTenderTargetStore tenders(clock);
    tenders.SetRefreshTime(10s);
    ASSERT_TRUE(tenders.ParseTargetLine(
        0, "$PABX,1234,RMC,123519,A,4736.000,N,12224.000,W,3.5,359.7,071226,15.0,E"));
    const auto tender = tenders.Slot(0);
    ASSERT_NE(tender, nullptr);
    EXPECT_EQ(tender->Kind(), navigator::kVesselTender);
    EXPECT_FALSE(tender->current);
    EXPECT_FALSE(tender->live);
    EXPECT_FALSE(tender->tllUpdated);
    EXPECT_FALSE(tender->ttmUpdated);
    for (int i = 0; i < nmea::kValueCount; ++i)
        EXPECT_EQ(tender->Value(i).GetValiditySpan(), 10s) << i;
    clock.Advance(9s);
    EXPECT_TRUE(tender->Value(item::Latitude).IsValid());
    clock.Advance(2s);
    EXPECT_TRUE(ValidItems(*tender).empty());
}

// A target joining later takes the refresh time the module has then; the
// ARPA module's "NMEARefreshTime" reaches its targets' records, the tender
// module's its tenders'.
TEST(TargetRecord, EachModuleGivesItsOwnRefreshTime)
{
    brine_test::ARPARig<targets::CARPAModule> rig;
    auto options = rig.module.GetOptions();
    options.refreshSeconds = 10;
    rig.module.ApplyOptions(options);
    ASSERT_TRUE(rig.Receive({"RATTM,04,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A"}));
    const auto target = rig.module.Store().Slot(4);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->Value(item::TtmTargetNumber).GetValiditySpan(), 10s);
    EXPECT_EQ(target->Value(item::TtmTime).GetValiditySpan(), 10s);

    brine_test::FakeClock clock;
    NoPorts ports;
    targets::CTenderTracking tracking(clock, ports);
    targets::CTenderSettings settings = tracking.Settings();
    settings.refreshSeconds = 7;
    tracking.ApplySettings(settings);
    ASSERT_TRUE(tracking.Store().ParseTargetLine(
        3, "$PABX,1234,RMC,123519,A,4736.000,N,12224.000,W,3.5,359.7,071226,15.0,E"));
    EXPECT_EQ(tracking.Store().Slot(3)->Value(item::Date).GetValiditySpan(), 7s);
}

// Every field lands on its own item and no other: characters as their codes,
// the reference flag as 1 for "R" and 0 otherwise, times as hhmmss, positions
// signed with the hemisphere folded in (items 127 and 129 stay empty). A TTM
// leaves the TLL items alone and the other way round, and RSD goes to the
// module's own values, never into a target.
TEST(TargetRecord, SentenceFieldsLandOnTheirItemsAndNowhereElse)
{
    RadarFeed radar;
    ASSERT_TRUE(radar.Feed("TLL,05,5430.000,S,00530.000,W,BUOY,101530.50,Q,R"));
    const auto five = radar.store.Slot(5);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(ValidItems(*five), (std::set<int>{125, 126, 128, 130, 131, 132, 133}));
    EXPECT_EQ(five->Value(item::TllTargetNumber).GetInt(), 5);
    const auto position = five->ReportedPosition();
    ASSERT_TRUE(position);
    EXPECT_NEAR(position->latitude, -54.5, 1e-12);
    EXPECT_NEAR(position->longitude, -5.5, 1e-12);
    EXPECT_EQ(five->Value(item::TllTargetName).GetString(), "BUOY");
    EXPECT_EQ(five->Name(), "BUOY");
    EXPECT_DOUBLE_EQ(five->Value(item::TllTime).GetDouble(), 101530.5);
    EXPECT_EQ(five->Value(item::TllTargetStatus).GetInt(), 'Q');
    EXPECT_EQ(five->Value(item::TllReferenceTarget).GetByte(), 1);
    EXPECT_TRUE(five->IsReferenceTarget());

    ASSERT_TRUE(radar.Feed("TTM,05,1.25,045.5,R,12.5,270.0,T,0.30,5.5,K,TUG,T,X,101531.00,M"));
    EXPECT_EQ(ValidItems(*five),
              (std::set<int>{125, 126, 128, 130, 131, 132, 133, 134, 135, 136, 137,
                             138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148}));
    EXPECT_EQ(five->Value(item::TtmTargetNumber).GetInt(), 5);
    EXPECT_DOUBLE_EQ(five->Value(item::TtmTargetDistance).GetDouble(), 1.25);
    EXPECT_DOUBLE_EQ(five->Value(item::TtmTargetBearing).GetDouble(), 45.5);
    EXPECT_EQ(five->Value(item::TtmBearingReference).GetInt(), 'R');
    EXPECT_DOUBLE_EQ(five->Value(item::TtmTargetSpeed).GetDouble(), 12.5);
    EXPECT_DOUBLE_EQ(five->Value(item::TtmTargetCourse).GetDouble(), 270.0);
    EXPECT_EQ(five->Value(item::TtmCourseReference).GetInt(), 'T');
    EXPECT_DOUBLE_EQ(five->Value(item::TtmClosestApproach).GetDouble(), 0.30);
    EXPECT_DOUBLE_EQ(five->Value(item::TtmTimeToClosestApproach).GetDouble(), 5.5);
    EXPECT_EQ(five->Value(item::TtmUnit).GetInt(), 'K');
    EXPECT_EQ(five->Value(item::TtmTargetName).GetString(), "TUG");
    EXPECT_EQ(five->Value(item::TtmTargetStatus).GetInt(), 'T');
    EXPECT_EQ(five->Value(item::TtmReferenceTarget).GetByte(), 0);   // "X" is not "R"
    EXPECT_DOUBLE_EQ(five->Value(item::TtmTime).GetDouble(), 101531.0);
    EXPECT_EQ(five->Value(item::TtmAcquisitionType).GetInt(), 'M');
    // The TLL's values stand beside the TTM's.
    EXPECT_EQ(five->Value(item::TllTargetStatus).GetInt(), 'Q');
    EXPECT_EQ(five->Name(), "BUOY");
    // The TTM's flag while valid, the TLL's after, false with neither.
    EXPECT_FALSE(five->IsReferenceTarget());
    radar.clock.Advance(3s);
    ASSERT_TRUE(radar.Feed("TLL,05,5430.000,S,00530.000,W,BUOY,101534,T,R"));
    radar.clock.Advance(3s);   // TTM 6 s old: out of date at the default 5 s
    EXPECT_TRUE(five->IsReferenceTarget());
    EXPECT_EQ(five->StatusText(), "T");
    radar.clock.Advance(3s);
    EXPECT_FALSE(five->IsReferenceTarget());

    brine_test::ARPARig<targets::CARPAModule> rig;
    ASSERT_TRUE(rig.Receive({"RATTM,06,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A",
                             "RARSD,1.0,10.0,2.0,20.0,3.0,30.0,4.0,40.0,2.0,180.0,3.0,N,H"}));
    const auto six = rig.module.Store().Slot(6);
    ASSERT_NE(six, nullptr);
    for (int i = item::RadarRangeUnit - 11; i <= item::RadarDisplayRotation; ++i) {
        EXPECT_FALSE(six->Value(i).IsValid()) << i;
        EXPECT_TRUE(rig.module.Parser().Value(i).IsValid()) << i;
    }
    EXPECT_EQ(rig.module.Parser().Value(item::RadarRangeUnit).GetInt(), 'N');
    EXPECT_EQ(rig.module.Parser().Value(item::RadarDisplayRotation).GetInt(), 'H');
}

// A tender's RMC fills the own-ship items of the position sentence: course
// 49, speed 51, latitude 58, longitude 59, variation 67, time 91, date 97.
TEST(TargetRecord, TenderReportsUseThePositionSentenceItems)
{
    brine_test::FakeClock clock;
    targets::CTenderTargetStore store(clock);
    ASSERT_TRUE(store.ParseTargetLine(
        2, "$PABX,1234,RMC,123519.5,A,4736.000,N,12224.000,W,3.5,359.7,071226,15.0,W"));
    const auto tender = store.Slot(2);
    ASSERT_NE(tender, nullptr);
    EXPECT_EQ(ValidItems(*tender), (std::set<int>{49, 51, 58, 59, 67, 91, 97}));
    EXPECT_DOUBLE_EQ(tender->Value(item::CourseOverGroundTrue).GetDouble(), 359.7);
    EXPECT_DOUBLE_EQ(tender->Value(item::SpeedOverGroundKnots).GetDouble(), 3.5);
    EXPECT_DOUBLE_EQ(tender->Value(item::MagneticVariation).GetDouble(), -15.0);   // west
    EXPECT_DOUBLE_EQ(tender->Value(item::PositionTime).GetDouble(), 123519.5);
    EXPECT_DOUBLE_EQ(tender->Value(item::Date).GetDouble(), 71226.0);
}

// A tender's last report is its RMC's time on its RMC's date (years below
// 70 in this century), whatever the navigation time; without both, or once
// either is out of date, it is the navigation time.
TEST(TargetRecord, TenderReportTimeNeedsTheRmcTimeAndDate)
{
    brine_test::FakeClock clock;
    targets::CTenderTargetStore store(clock);
    const auto navigation = sys_days{2026y / December / 8} + 1h;
    ASSERT_TRUE(store.ParseTargetLine(
        1, "$PABX,1234,RMC,235959,A,4736.000,N,12224.000,W,3.5,359.7,071226,,"));
    const auto tender = store.Slot(1);
    ASSERT_NE(tender, nullptr);
    EXPECT_EQ(tender->LastReportTime(navigation), sys_days{2026y / December / 7} + 86399s);
    ASSERT_TRUE(store.ParseTargetLine(
        1, "$PABX,1234,RMC,010203,A,4736.000,N,12224.000,W,3.5,359.7,311269,,"));
    EXPECT_EQ(tender->LastReportTime(navigation), sys_days{2069y / December / 31} + 3723s);
    ASSERT_TRUE(store.ParseTargetLine(
        1, "$PABX,1234,RMC,010203,A,4736.000,N,12224.000,W,3.5,359.7,010170,,"));
    EXPECT_EQ(tender->LastReportTime(navigation), sys_days{1970y / January / 1} + 3723s);
    // A time with no date of its own: the navigation time.
    tender->Value(item::Date).Reset();
    EXPECT_EQ(tender->LastReportTime(navigation), navigation);
    ASSERT_TRUE(store.ParseTargetLine(
        1, "$PABX,1234,RMC,010203,A,4736.000,N,12224.000,W,3.5,359.7,010170,,"));
    clock.Advance(6s);
    EXPECT_EQ(tender->LastReportTime(navigation), navigation);
}

// The tender pass ages a silent tender by the navigation time it is given
// (the instrument's time), not by the computer's clock.
TEST(TargetRecord, SilentTendersAgeByTheNavigationTime)
{
    brine_test::FakeClock clock;
    clock.SetUtc(sys_days{2026y / December / 7} + 12h);
    NoPorts ports;
    targets::CTenderTracking tracking(clock, ports);
    tracking.Settings().channels[1].valid = true;
    targets::COwnSituation own;
    own.navigationUtc = clock.UtcNow() + 1h;   // the GPS's clock an hour ahead
    // A reply without a date: its report time is the navigation time.
    ASSERT_TRUE(tracking.Store().ParseTargetLine(
        1, "$PABX,0001,RMC,120000,A,4736.000,N,12224.000,W,3.5,45.0,,,"));
    tracking.OnTimer(own);
    const targets::CTender* t = tracking.Find(1);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->lastReport, *own.navigationUtc);
    ASSERT_EQ(t->track.size(), 1u);
    EXPECT_EQ(t->track[0].utc, *own.navigationUtc);
    EXPECT_TRUE(t->reporting);
    // The computer's clock runs on; the navigation time stands: still reporting.
    clock.Advance(tracking.Settings().dangerousInterval);
    tracking.OnTimer(own);
    EXPECT_TRUE(tracking.Find(1)->reporting);
    *own.navigationUtc += tracking.Settings().dangerousInterval;
    tracking.OnTimer(own);
    EXPECT_FALSE(tracking.Find(1)->reporting);
}

// The radar's thread writes a target's values while this thread reads them:
// every read sees one whole report's text, never a mix or a torn string.
TEST(TargetRecord, ValuesWrittenOnTheDeviceThreadReadWholeHere)
{
    RadarFeed radar;
    ASSERT_TRUE(radar.Feed("TTM,08,1.0,090.0,T,5.0,180.0,T,,,N,,T,,,A"));
    const auto eight = radar.store.Slot(8);
    const std::string a(200, 'A'), b(200, 'B');
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        nmea::CNMEAMessage message;
        message.SetClock(radar.clock);
        message.SetTargetSentenceParser(&radar.store);
        for (int i = 0; !stop; ++i) {
            const std::string text = "TTM,08,1.0,090.0,T,5.0,180.0,T,,,N," + (i % 2 ? a : b) + "," +
                                     (i % 2 ? "T" : "Q") + ",,,A";
            message.SetSentence(nmea::NmeaSentenceIndex("TTM"), text);
            message.Parse();
        }
    });
    int reads = 0;
    for (; reads < 20000; ++reads) {
        const std::string name = eight->Value(item::TtmTargetName).GetString();
        ASSERT_TRUE(name.empty() || name == a || name == b);
        const std::string status = eight->StatusText();
        ASSERT_TRUE(status == "T" || status == "Q") << status;
        ASSERT_TRUE(eight->SpeedKnots());
    }
    stop = true;
    writer.join();
    EXPECT_EQ(reads, 20000);
}

// A TLL marks its target reported when the target then has a position (from
// this TLL or one still in date); a TLL with no position to go by does not.
TEST(TargetRecord, TllCountsAsAReportOnlyWithAPosition)
{
    RadarFeed radar;
    ASSERT_TRUE(radar.Feed("TLL,07,,,,,SEVEN,101500,Q,"));
    const auto seven = radar.store.Slot(7);
    ASSERT_NE(seven, nullptr);
    EXPECT_FALSE(seven->tllUpdated);
    EXPECT_EQ(seven->StatusText(), "Q");   // its values are stored all the same
    ASSERT_TRUE(radar.Feed("TLL,07,5430.000,N,00530.000,E,SEVEN,101501,T,"));
    EXPECT_TRUE(seven->tllUpdated);
    seven->tllUpdated = false;   // the timer pass took it
    radar.clock.Advance(3s);
    ASSERT_TRUE(radar.Feed("TLL,07,,,,,SEVEN,101504,T,"));
    EXPECT_TRUE(seven->tllUpdated);   // the last position is still in date
    seven->tllUpdated = false;
    radar.clock.Advance(3s);
    ASSERT_TRUE(radar.Feed("TLL,07,,,,,SEVEN,101507,T,"));
    EXPECT_FALSE(seven->tllUpdated);
    EXPECT_EQ(seven->ReportedSource(), targets::CTargetRecord::RowSource::None);
}

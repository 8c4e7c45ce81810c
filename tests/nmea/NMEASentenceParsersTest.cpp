#include "nmea/NMEAMessageParser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "FakeClock.h"
#include "NMEATestLines.h"
#include "nmea/NMEAConvert.h"

using nmea::CNMEAGPSParser;
using nmea::ValueKind;
using nmea_test::WithChecksum;

namespace {

struct Stored {
    int item;
    double number;
    const char* text = nullptr;
};

struct Case {
    const char* body;   // the sentence without '$' and checksum
    bool accepted;
    std::vector<Stored> stored;   // exactly the items that hold a value afterwards
};

// Compares every item of the store: listed ones hold their value, all others
// stay empty.
void ExpectStore(CNMEAGPSParser& parser, const Case& c)
{
    std::map<int, Stored> expected;
    for (const Stored& s : c.stored)
        expected[s.item] = s;
    for (int item = 0; item < nmea::kValueCount; ++item) {
        const auto& value = parser.Value(item);
        const auto it = expected.find(item);
        if (it == expected.end()) {
            EXPECT_FALSE(value.IsValid()) << c.body << ": item " << item << " written";
            continue;
        }
        ASSERT_TRUE(value.IsValid()) << c.body << ": item " << item << " not written";
        switch (nmea::NmeaItemInfo(item).kind) {
        case ValueKind::Double: EXPECT_DOUBLE_EQ(value.GetDouble(), it->second.number) << c.body << " item " << item; break;
        case ValueKind::Int: EXPECT_EQ(value.GetInt(), static_cast<int>(it->second.number)) << c.body << " item " << item; break;
        case ValueKind::Byte: EXPECT_EQ(value.GetByte(), static_cast<int>(it->second.number)) << c.body << " item " << item; break;
        case ValueKind::String: EXPECT_EQ(value.GetString(), it->second.text) << c.body << " item " << item; break;
        case ValueKind::None: ADD_FAILURE() << "item " << item << " has no kind"; break;
        }
    }
}

void RunCases(const std::vector<Case>& cases, const std::atomic<bool>* ignoreWarnings = nullptr)
{
    brine_test::FakeClock clock;
    for (const Case& c : cases) {
        CNMEAGPSParser parser(clock, 5);
        parser.SetIgnoreWarningFlags(ignoreWarnings);
        EXPECT_EQ(parser.ParseLine(WithChecksum(c.body)), c.accepted) << c.body;
        ExpectStore(parser, c);
    }
}

TEST(InstrumentParsers, StoreTheirItemsWithSignsAndUnits)
{
    RunCases({
        {"SDDBT,0036.4,f,0011.1,M,0006.0,F", true, {{8, 36.4}, {11, 11.1}, {64, 6.0}}},
        {"SDDBT,0036.4,f,,M,0006.0,", true, {{8, 36.4}}},
        {"HCHDM,359.4,M", true, {{5, 359.4}}},
        {"HCHDM,359.7,M", true, {{5, 0.0}}},
        {"IIVHW,359.6,T,010.0,M,5.5,N,10.2,K", true, {{69, 0.0}, {5, 10.0}, {1, 5.5}, {70, 10.2}}},
        {"GPVTG,054.7,T,034.4,M,005.5,N,010.2,K", true, {{49, 54.7}, {50, 34.4}, {51, 5.5}, {71, 10.2}}},
        {"GPVTG,3.0,T,,,0.50,N,,,D", true, {{49, 3.0}, {51, 0.5}}},
        {"WIMWV,214.8,R,0.1,K,A", true, {{10, 214.8}, {14, 'R'}, {12, 0.1}, {13, 'K'}, {15, 'A'}}},
        {"WIMWD,270,T,275,M,10.5,N,5.4,M", true,
         {{10, 270}, {14, 'T'}, {77, 275}, {76, 'M'}, {12, 10.5}, {13, 'N'}, {79, 5.4}, {78, 'M'}, {15, 'A'}}},
        {"WIMWD,,,,,,,,", true, {{15, 'A'}}},
        {"GPBOD,097.0,T,103.2,M,POINTB,POINTA", true, {{89, 97.0}, {90, 103.2}}},
        {"GPBWW,097.0,T,103.2,M,POINTB,POINTA", true, {{55, 97.0}, {56, 103.2}}},
        {"GPBWC,225444,4917.24,N,12309.57,W,051.9,T,031.6,M,001.3,N,004", true,
         {{80, 225444}, {81, -4917.24}, {82, 12309.57}, {83, 51.9}, {85, 31.6}, {87, 1.3}}},
        {"GPBWR,225444,4917.24,S,12309.57,E,051.9,T,031.6,M,001.3,N,004", true,
         {{80, 225444}, {81, 4917.24}, {82, -12309.57}, {84, 51.9}, {86, 31.6}, {88, 1.3}}},
        {"GPBER,225444,4917.24,N,12309.57,W,051.9,T,031.6,M,001.3,N,004", true,
         {{80, 225444}, {81, -4917.24}, {82, 12309.57}, {43, 51.9}, {44, 31.6}, {47, 1.3}}},
        {"GPBEC,081837,3910.080,N,07717.034,W,213.9,T,223.3,M,0.2,N,ABC", true,
         {{80, 81837}, {81, -3910.08}, {82, 7717.034}, {45, 213.9}, {46, 223.3}, {48, 0.2}}},
        {"GPGLP,123519,5030.50,N,00140.25,E,", true, {{91, 123519}, {92, -5030.5}, {93, -140.25}}},
        {"GPGLL,5030.50,N,00140.25,E,123519,A", true, {{58, -5030.5}, {59, -140.25}, {91, 123519}}},
        {"GPGLL,5030.50,S,00140.25,W,123519,V", true, {{58, 5030.5}, {59, 140.25}, {91, 123519}}},
        {"GPGLL,5030.50,X,00140.25,W,123519,A", false, {}},
        {"GPRMA,A,5030.50,N,00140.25,W,1.5,2.5,10.0,359.9,3.1,E", true,
         {{58, -5030.5}, {59, 140.25}, {94, 1.5}, {95, 2.5}, {51, 10.0}, {49, 0.0}, {67, 3.1}}},
        {"GPRMB,A,0.66,L,003,004,4917.24,N,12309.57,W,001.3,052.5,000.5,V", true,
         {{54, -0.66}, {81, -4917.24}, {82, 12309.57}, {47, 1.3}, {43, 52.5}, {52, 0.5}}},
        {"GPRMB,V,0.66,L,003,004,4917.24,N,12309.57,W,001.3,052.5,000.5,V", false, {}},
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", true,
         {{91, 123519}, {97, 230394}, {58, -4807.038}, {59, -1131.0}, {51, 22.4}, {49, 84.4}, {67, -3.1}}},
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,,003.1,W", true,
         {{58, -4807.038}, {59, -1131.0}, {51, 22.4}, {49, 84.4}, {67, -3.1}}},
        {"GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", false, {}},
        {"GPRMC,,V,,,,,,,,,,N", false, {}},
        {"GPXTE,A,A,0.67,L,N", true, {{54, -0.67}}},
        {"GPXTE,A,V,0.67,L,N", false, {}},
        {"GPZDA,201530.00,04,07,2002,-05,00", true,
         {{149, 201530}, {150, 4}, {151, 7}, {152, 2002}, {153, -5}, {154, 0}}},
        {"GPZTG,153200.82,041630.00,WPT", true, {{53, 41630}}},
        {"GPZTG,,041630.00,WPT", true, {}},
        {"GPDTM,W84,,0.0,N,0.0,E,0.0,W84", true, {{99, 0, "W84"}, {100, -0.0}, {101, -0.0}, {102, 0, "W84"}}},
        {"GPDTM,,,0.5,S,1.25,W,0.0,W84", true, {{99, 0, "999"}, {100, 0.5}, {101, 1.25}, {102, 0, "W84"}}},
        {"GPDTM,W84,C", true, {}},
        {"GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", true, {{91, 123519}}},
        {"GPGGA,123519,,,,,0,00,,,M,,M,,", false, {}},
        {"RAOSD,35.1,V,36.0,T,10.2,W,5.0,1.0,N", true,
         {{107, 36.0}, {109, 10.2}, {110, 5.0}, {104, 'V'}, {106, 'T'}, {108, 'W'}, {111, 'N'}}},
        {"RARSD,1,2,3,4,5,6,7,8,9,10,11,N,H", true,
         {{112, 1}, {113, 2}, {114, 3}, {115, 4}, {116, 5}, {117, 6}, {118, 7}, {119, 8}, {120, 9}, {121, 10},
          {122, 11}, {123, 'N'}, {124, 'H'}}},
    });
}

// Values outside what the field can hold refuse the whole sentence, and the
// store keeps what it had.
TEST(InstrumentParsers, OutOfRangeFieldsRefuseTheSentence)
{
    const char* bad[] = {
        "GPGLL,5060.00,N,00140.25,E,123519,A",     // latitude minutes 60
        "GPGLL,9100.00,N,00140.25,E,123519,A",     // latitude beyond the pole
        "GPGLL,-5030.50,N,00140.25,E,123519,A",    // sign belongs in the letter
        "GPGLL,5030.50,N,18100.00,E,123519,A",     // longitude beyond 180
        "GPGLL,5030.50,N,00140.25,E,246000,A",     // hour 24
        "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,320394,003.1,W",   // day 32
        "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,231394,003.1,W",   // month 13
        "GPRMC,123519,A,4807.038,N,01131.000,E,-1.0,084.4,230394,003.1,W",    // negative speed
        "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,360.5,230394,003.1,W",   // course past 360
        "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,X",   // variation letter
        "GPRMB,A,0.66,Q,003,004,4917.24,N,12309.57,W,001.3,052.5,000.5,V",    // steer letter
        "GPZDA,201530.00,04,13,2002,-05,00",       // month 13
        "GPZDA,201530.00,04,07,2002,-05,75",       // zone minutes
        "SDDBT,-3.0,f,,M,,F",                      // negative depth
        "GPDTM,W84,,0.5,X,1.25,W,0.0,W84",         // offset letter
    };
    brine_test::FakeClock clock;
    for (const char* body : bad) {
        CNMEAGPSParser parser(clock, 5);
        ASSERT_TRUE(parser.ParseLine(WithChecksum("GPGLL,1000.00,N,02000.00,W,010000,A")));
        ASSERT_TRUE(parser.ParseLine(WithChecksum("GPRMC,010000,A,1000.00,N,02000.00,W,1.0,2.0,010120,1.0,E")));
        EXPECT_FALSE(parser.ParseLine(WithChecksum(body))) << body;
        EXPECT_EQ(parser.LastResult(), nmea::NMEALineResult::Refused) << body;
        EXPECT_EQ(parser.Value(nmea::item::Latitude).GetDouble(), -1000.0) << body;
        EXPECT_EQ(parser.Value(nmea::item::Longitude).GetDouble(), 2000.0) << body;
        EXPECT_EQ(parser.Value(nmea::item::PositionTime).GetDouble(), 10000.0) << body;
        EXPECT_EQ(parser.Value(nmea::item::SpeedOverGroundKnots).GetDouble(), 1.0) << body;
        EXPECT_EQ(parser.Value(nmea::item::MagneticVariation).GetDouble(), 1.0) << body;
        EXPECT_FALSE(parser.Value(nmea::item::ZdaMonth).IsValid()) << body;
        EXPECT_FALSE(parser.Value(nmea::item::DepthFeet).IsValid()) << body;
    }
}

TEST(InstrumentParsers, IgnoringWarningFlagsTakesVAsA)
{
    std::atomic<bool> ignore{true};
    RunCases(
        {
            {"GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", true,
             {{91, 123519}, {97, 230394}, {58, -4807.038}, {59, -1131.0}, {51, 22.4}, {49, 84.4}, {67, -3.1}}},
            {"GPXTE,V,V,0.67,R,N", true, {{54, 0.67}}},
            {"GPRMC,123519,X,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", false, {}},
            // OSD compares its heading status with "A" itself.
            {"RAOSD,35.1,V,36.0,T,10.2,W,5.0,1.0,N", true,
             {{107, 36.0}, {109, 10.2}, {110, 5.0}, {104, 'V'}, {106, 'T'}, {108, 'W'}, {111, 'N'}}},
        },
        &ignore);
}

TEST(Conversions, ReadersTurnStoredFormsIntoUnits)
{
    EXPECT_NEAR(nmea::DegreesToNmeaDegMin(nmea::NmeaDegMinToDegrees(-17959.999)), -17959.999, 1e-9);
    const auto t = nmea::NmeaTimeToHMS(123519.99);
    EXPECT_EQ((std::vector<int>{t.dayCarry, t.hours, t.minutes, t.seconds}), (std::vector<int>{0, 12, 35, 19}));
    const auto carry = nmea::NmeaTimeToHMS(501000);   // 50 hours to go
    EXPECT_EQ((std::vector<int>{carry.dayCarry, carry.hours, carry.minutes}), (std::vector<int>{2, 2, 10}));
    const auto early = nmea::NmeaTimeToHMS(5);   // 00:00:05, padded to six digits
    EXPECT_EQ((std::vector<int>{early.hours, early.minutes, early.seconds}), (std::vector<int>{0, 0, 5}));
    EXPECT_EQ(nmea::NmeaDateToDMY(230394).year, 1994);
    EXPECT_EQ(nmea::NmeaDateToDMY(10611).year, 2011);
    EXPECT_EQ(nmea::NmeaDateToDMY(10611).day, 1);
    EXPECT_EQ(nmea::NmeaDateToDMY(311269).year, 2069);
    EXPECT_EQ(nmea::NmeaDateToDMY(311270).year, 1970);
}

}  // namespace

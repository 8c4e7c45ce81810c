// The radar target log's cells for one fix: each column's format, the
// status and acquisition words, and empty cells for what the fix lacks.

#include <gtest/gtest.h>

#include "targets/ARPARows.h"

using namespace targets;

TEST(TrackLogCells, ARadarFixWholeAndEmpty)
{
    geo::CPositionFormat format;
    const LocalTimeText local = [](auto) { return std::string("local"); };
    CTargetTrackFix fix;
    fix.position = {47.5, -122.25};
    fix.course = 4.6;
    fix.speedKnots = 12.04;
    fix.rangeNm = 9.994;
    fix.bearing = 359.6;
    fix.minutesToClosestApproach = 3.456;
    fix.closestApproachNm = 123.4;
    fix.status = "T";
    fix.reference = true;
    fix.acquisition = 'A';
    auto cells = ARPAFixTexts(fix, format, local);
    const geo::CPosition position(47.5, -122.25, 0.0);
    EXPECT_EQ(cells[0], "local");
    EXPECT_EQ(cells[1], position.FormatLatitude(format));
    EXPECT_EQ(cells[2], position.FormatLongitude(format));
    EXPECT_EQ(cells[3], position.GetDatumName());
    EXPECT_EQ(cells[4], "12.0");
    EXPECT_EQ(cells[5], "005");
    EXPECT_EQ(cells[6], "9.99");   // two decimals below 10
    EXPECT_EQ(cells[7], "000");
    EXPECT_EQ(cells[8], "3.46");
    EXPECT_EQ(cells[9], "123");   // none from 100
    EXPECT_EQ(cells[10], "Tracking");
    EXPECT_EQ(cells[11], "Yes");
    EXPECT_EQ(cells[12], "Auto");

    fix.rangeNm = 10.04;   // one between
    for (const auto& [status, word] :
         {std::pair{"L", "Lost"}, {"Q", "Query"}, {"T", "Tracking"}, {"X", ""}, {"", ""}}) {
        fix.status = status;
        cells = ARPAFixTexts(fix, format, local);
        EXPECT_EQ(cells[10], word) << status;
    }
    EXPECT_EQ(cells[6], "10.0");
    for (const auto& [code, word] :
         {std::pair{'A', "Auto"}, {'M', "Manual"}, {'R', "Reported"}, {'x', ""}}) {
        fix.acquisition = code;
        EXPECT_EQ(ARPAFixTexts(fix, format, local)[12], word) << code;
    }

    // Nothing but a position: the numeric cells stay empty, the reference is "No".
    CTargetTrackFix bare;
    bare.position = fix.position;
    cells = ARPAFixTexts(bare, format, local);
    for (int column : {4, 5, 6, 7, 8, 9, 10, 12})
        EXPECT_EQ(cells[std::size_t(column)], "") << column;
    EXPECT_EQ(cells[11], "No");
    EXPECT_EQ(cells[1], position.FormatLatitude(format));
}

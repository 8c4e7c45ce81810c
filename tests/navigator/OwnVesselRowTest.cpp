// The own vessel's row of the log index as an outside dBASE reader sees it:
// its kind, voyage, watch officer and the vessel's name from its particulars
// (a vessel without particulars leaves the name empty).

#include <gtest/gtest.h>

#include "FakeClock.h"
#include "OuterTools.h"
#include "TempFolder.h"
#include "navigator/VesselLogbook.h"

using namespace navigator;

TEST(OwnVesselRow, TheRowNamesTheVesselFromItsParticulars)
{
    brine_test::TempFolder dir;
    brine_test::FakeClock clock;
    std::optional<COwnVessel> particulars;
    CVesselLogServices services;
    services.particulars = [&] { return particulars; };
    CVesselLogbook log(clock, services);
    log.SetFolder(dir.Path());
    ASSERT_TRUE(log.Open((dir / "named").string()));
    ASSERT_TRUE(log.StartVoyage("PS-0701", "Ada"));
    ASSERT_TRUE(log.EndVoyage());
    particulars.emplace();
    particulars->name = "Brine Spirit";
    log.SetAppendToExisting(true);
    ASSERT_TRUE(log.StartVoyage("PS-0702", "Ada"));
    ASSERT_TRUE(log.Close(true));
    const std::string rows = brine_test::Python(dir.Path(), R"(
import sys, dbfread
for r in dbfread.DBF(sys.argv[1] + '.dbf', load=True).records:
    print(r['VSLTYPE'], r['TARGETNO'], repr(r['TARGETNAME']), r['VOYAGEID'], r['OOWNAME'],
          r['APPENDNO'])
)",
                                                (dir / "named").string());
    EXPECT_EQ(rows, "1 0 '' PS-0701 Ada 1\n"
                    "1 0 'Brine Spirit' PS-0702 Ada 2\n");
}

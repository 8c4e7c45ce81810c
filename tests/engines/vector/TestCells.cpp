#include "TestCells.h"

#include "S57CellWriter.h"

namespace vtest {

bool WriteSampleCell(const std::filesystem::path& folder, const std::string& stem, int* buoyFeature)
{
    using vchart::LonLat;
    vchart::CS57CellWriter w;
    if (!w.Create((folder / (stem + ".000")).string(), vchart::CellHeader{}))
        return false;
    const vchart::Ring cover = {
        {-122.45, 47.55}, {-122.45, 47.65}, {-122.3, 47.65}, {-122.3, 47.55}, {-122.45, 47.55}};
    const bool ok =
        w.Area("M_COVR", {{cover}}, {{"CATCOV", "1"}}) &&
        w.Area("M_NSYS", {{cover}}, {{"MARSYS", "2"}}) &&
        w.Area("DEPARE",
               {{{{-122.44, 47.56},
                  {-122.44, 47.64},
                  {-122.36, 47.64},
                  {-122.36, 47.56},
                  {-122.44, 47.56}},
                 {{-122.42, 47.58}, {-122.40, 47.58}, {-122.40, 47.60}, {-122.42, 47.58}}}},
               {{"DRVAL1", "10"}, {"DRVAL2", "20"}}) &&
        w.Line("COALNE", {{-122.35, 47.56}, {-122.34, 47.60}, {-122.35, 47.64}}, {}) &&
        w.Point("BOYLAT", {-122.3912345, 47.6012345},
                {{"BOYSHP", "2"}, {"COLOUR", "3"}, {"CATLAM", "2"}}) &&
        (!buoyFeature || (*buoyFeature = w.LastFeatureId()) > 0) &&
        w.Soundings({{-122.43, 47.57}, {-122.37, 47.63}}, {12.5, 18.2});
    return w.Close() && ok;
}

}   // namespace vtest

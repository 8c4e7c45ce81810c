#include "TestCells.h"

#include <zlib.h>

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
        w.Soundings({{-122.43, 47.57}, {-122.37, 47.63}}, {12.5, 18.2}, {{"SCAMIN", "21999"}});
    return w.Close() && ok;
}

std::string AsFirstFormat(const std::string& bytes)
{
    auto u32 = [&bytes](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t(std::uint8_t(bytes[at + i])) << (8 * i);
        return v;
    };
    auto put = [](std::string& s, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s[at + i] = char(std::uint8_t(v >> (8 * i)));
    };
    // The scale table is the last section: the older file is everything
    // before it, with its header's version, length and table fields as they
    // were, and its own CRC-32.
    std::string old = bytes.substr(0, u32(56));
    old[4] = 1;
    old[5] = 0;
    put(old, 56, 0);
    put(old, 60, 0);
    put(old, 12, std::uint32_t(old.size() + 4));
    old.resize(old.size() + 4);
    return Resealed(std::move(old));
}

std::string Resealed(std::string bytes)
{
    const auto crc =
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size() - 4));
    for (int i = 0; i < 4; ++i)
        bytes[bytes.size() - 4 + i] = char(std::uint8_t(crc >> (8 * i)));
    return bytes;
}

}   // namespace vtest

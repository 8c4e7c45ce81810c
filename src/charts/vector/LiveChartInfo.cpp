#include "charts/vector/LiveChartInfo.h"

#include <array>

#include "geo/DatumInfo.h"

namespace charts {

std::string DatumLevelText(int code)
{
    static const std::array<const char*, 31> texts = {
        "Unspecified",
        "MLWS - Mean Low Water Springs",
        "MLLWS - Mean Lower Low Water Springs",
        "MSL - Mean Sea Level",
        "LLW - Lowest Low Water",
        "MLW - Mean Low Water",
        "LLWS - Lowest Low Water Springs",
        "AMLWS - Approximate Mean Low Water Springs",
        "ISLW - Indian Spring Low Water",
        "LWS - Low Water Springs",
        "ALAT - Approximate Lowest Astronomical Tide",
        "NLLW - Nearly Lowest Low Water",
        "MLLW - Mean Lower Low Water",
        "LW - Low Water",
        "AMLW - Approximate Mean Low Water",
        "AMLLW - Approximate Mean Lower Low Water",
        "MHW - Mean High Water",
        "MHWS - Mean High Water Springs",
        "HW - High Water",
        "AMSL - Approximate Mean Sea Level",
        "HWS - High Water Springs",
        "MHHW - Mean Higher High Water",
        // S-57's further vertical datums.
        "ESLW - Equinoctial Spring Low Water",
        "LAT - Lowest Astronomical Tide",
        "Local Datum",
        "IGLD 1985 - International Great Lakes Datum 1985",
        "MWL - Mean Water Level",
        "LLWLT - Lower Low Water Large Tide",
        "HHWLT - Higher High Water Large Tide",
        "NHHW - Nearly Highest High Water",
        "HAT - Highest Astronomical Tide",
    };
    if (code < 0 || code >= int(texts.size()))
        return {};
    return texts[std::size_t(code)];
}

std::string DepthUnitsText(int code, std::string_view ownText)
{
    switch (code) {
    case 1: return "metres";
    case 2: return "feet";
    case 3: return "fathoms";
    case 4: return std::string(ownText);
    default: return {};
    }
}

std::string BuoyageText(int code)
{
    static const std::array<const char*, 8> texts = {"IALA A",
                                                     "IALA B",
                                                     "Modified US",
                                                     "Old US",
                                                     "US Intercoastal Waterways",
                                                     "US uniform state",
                                                     "US western rivers",
                                                     "SIGNI"};
    if (code < 1 || code > int(texts.size()))
        return {};
    return texts[std::size_t(code - 1)];
}

ChartOrientation OrientationFromFlags(std::uint8_t flags)
{
    ChartOrientation o;
    o.projection = "UT Mercator";
    o.orientation = "North up";
    if (flags & 0x01) {
        o.crossesDateLine = true;
        o.orientation = "North up,crossing Date Line";
    }
    // A polar chart keeps the crossing its bit 0 gives: the mapping only
    // wraps an extent whose west lies east of its east.
    if (flags > 2) {
        o.orientation = "Polar";
        if (flags & 0x04)
            o.projection = "North pole";
        if (flags & 0x08)
            o.projection = "South pole";
    }
    return o;
}

std::uint16_t DatumIndexFromCodes(int code38, int code39)
{
    const int code = code38 >= 1 && code38 <= 254 ? code38 : code39;
    // S-57 horizontal datum codes whose datum the table holds, by name.
    const char* name = nullptr;
    switch (code) {
    case 1: name = "WGS 72"; break;
    case 2: name = "WGS 84"; break;
    case 3: name = "European 1950"; break;
    default: break;
    }
    if (!name)
        return geo::DatumIndexFallback();
    return geo::CDatumInfo::FindByName(name);
}

std::string CleanNotes(std::string_view notes)
{
    std::string out;
    out.reserve(notes.size());
    for (char c : notes) {
        const auto u = static_cast<unsigned char>(c);
        const char ch = u < 0x20 || u == 0x7F ? ' ' : c;
        if (ch == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out.push_back(ch);
    }
    return out;
}

std::string ScaleText(std::int32_t scale)
{
    return scale == 0 ? std::string() : "1:" + std::to_string(scale);
}

}   // namespace charts

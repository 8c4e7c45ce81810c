// vchart: makes the sample S-57 cells and dumps a cell as this system reads
// it (imported, stored as ".b" and read back), as GeoJSON, for comparison
// with GDAL's own reading.
//
//   vchart samples <folder>
//   vchart geojson <cell.000> [--no-updates]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "SampleCells.h"
#include "engines/vector/S57Import.h"
#include "engines/vector/VChartStore.h"
#include "platform/LocaleFreeNumbers.h"

namespace {

std::string JsonText(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (u < 0x20)
            out += platform::FormatC("\\u%04x", u);
        else
            out += c;
    }
    return out + "\"";
}

std::string Coord(const vengine::VCoord& c)
{
    return platform::FormatC("[%.7f,%.7f]", c.lon * 1e-7, c.lat * 1e-7);
}

std::string Geometry(const vengine::VFeature& f)
{
    using vengine::VGeom;
    auto list = [](const vengine::VPart& part) {
        std::string s = "[";
        for (std::size_t i = 0; i < part.points.size(); ++i)
            s += (i ? "," : "") + Coord(part.points[i]);
        return s + "]";
    };
    if (f.parts.empty())
        return "null";
    switch (f.geom) {
    case VGeom::Point:
        return "{\"type\":\"Point\",\"coordinates\":" + Coord(f.parts[0].points.at(0)) + "}";
    case VGeom::Line: {
        if (f.parts.size() == 1)
            return "{\"type\":\"LineString\",\"coordinates\":" + list(f.parts[0]) + "}";
        std::string s = "{\"type\":\"MultiLineString\",\"coordinates\":[";
        for (std::size_t i = 0; i < f.parts.size(); ++i)
            s += (i ? "," : "") + list(f.parts[i]);
        return s + "]}";
    }
    case VGeom::Area: {
        std::string s = "{\"type\":\"MultiPolygon\",\"coordinates\":[";
        bool firstPolygon = true;
        for (std::size_t i = 0; i < f.parts.size(); ++i) {
            if (f.parts[i].outer) {
                s += firstPolygon ? "[" : "],[";
                firstPolygon = false;
            } else {
                s += ",";
            }
            s += list(f.parts[i]);
        }
        return s + "]]}";
    }
    default: return "null";
    }
}

int Dump(const std::string& cell, bool updates)
{
    vengine::VChartData chart;
    auto result = vengine::ImportS57Cell(cell, updates, chart);
    if (!result.ok) {
        std::cerr << cell << ": " << result.error << "\n";
        return 1;
    }
    if (!result.missingUpdate.empty())
        std::cerr << cell << ": update " << result.missingUpdate << " is missing\n";
    // Through the store and back, so the dump is what the charts draw.
    const std::string bytes = vengine::EncodeVChart(chart);
    vengine::CVChartView view;
    std::string error;
    vengine::VChartData back;
    if (!view.Attach(bytes, &error) || !view.ReadAll(back)) {
        std::cerr << error << "\n";
        return 1;
    }
    std::cout << "{\"type\":\"FeatureCollection\",\"features\":[\n";
    for (std::size_t i = 0; i < back.features.size(); ++i) {
        const auto& f = back.features[i];
        std::cout << (i ? ",\n" : "")
                  << "{\"type\":\"Feature\",\"properties\":{\"class\":" << JsonText(f.objectClass);
        for (const auto& [key, value] : f.attributes)
            std::cout << "," << JsonText(key) << ":" << JsonText(value);
        std::cout << "},\"geometry\":" << Geometry(f) << "}";
    }
    std::cout << "\n]}\n";
    return 0;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "samples") == 0) {
        std::string error;
        if (!vchart::MakeSampleCells(argv[2], error)) {
            std::cerr << "vchart: " << error << "\n";
            return 1;
        }
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "geojson") == 0)
        return Dump(argv[2], !(argc >= 4 && std::strcmp(argv[3], "--no-updates") == 0));
    std::cerr << "usage: vchart samples <folder> | vchart geojson <cell.000> [--no-updates]\n";
    return 2;
}

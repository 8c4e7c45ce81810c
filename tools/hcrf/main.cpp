// hcrf: makes a raster chart set from a picture, and dumps one as text.
//
//   hcrf make --out DIR [--image FILE.png|FILE.ppm | --generate WxH] [--name NUMBER]
//             [--title TEXT] [--bounds NORTH,SOUTH,WEST,EAST] [--scale N] [--ratio N]
//             [--update COL,ROW]... [--subpanels 1|2] [--insets N] [--notes N]
//             [--no-datum-shift] [--shift LATSEC,LONSEC]
//   hcrf make --sample-media DIR [--processes N]
//   hcrf dump CHART.chr [--brief] [--tile COL,ROW [--low] --png FILE]

#include "ChartDump.h"
#include "ChartSetWriter.h"
#include "SampleMedia.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

int Usage()
{
    std::cerr
        << "usage: hcrf make --out DIR [--image FILE | --generate WxH] [--name NUMBER] [--title "
           "TEXT]\n"
           "                 [--bounds N,S,W,E] [--scale N] [--ratio N] [--update COL,ROW]...\n"
           "                 [--subpanels 1|2] [--insets N] [--notes N] [--no-datum-shift]\n"
           "                 [--shift LATSEC,LONSEC]\n"
           "       hcrf make --sample-media DIR [--processes N]\n"
           "       hcrf dump CHART.chr [--brief] [--tile COL,ROW [--low] --png FILE]\n";
    return 2;
}

std::vector<double> Numbers(const std::string& text)
{
    std::vector<double> values;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, text.find('x') != std::string::npos ? 'x' : ',')) {
        double value = 0;   // a point for decimals, whatever the locale
        std::from_chars(item.data(), item.data() + item.size(), value);
        values.push_back(value);
    }
    return values;
}

// The chart medium and two update media of the sample charts.
int MakeSampleMedia(const std::vector<std::string>& args)
{
    std::string out;
    unsigned processes = std::max(1u, std::thread::hardware_concurrency());
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--sample-media")
            out = args[i + 1];
        else if (args[i] == "--processes")
            processes = unsigned(std::max(1, std::atoi(args[i + 1].c_str())));
        else
            return Usage();
    }
    if (out.empty() || args.size() % 2 != 0)
        return Usage();
    std::string error;
    if (!hcrftool::WriteSampleMedia(out, processes, std::cout, error)) {
        std::cerr << "hcrf: " << error << "\n";
        return 1;
    }
    return 0;
}

int Make(const std::vector<std::string>& args)
{
    if (!args.empty() && args[0] == "--sample-media")
        return MakeSampleMedia(args);
    hcrftool::ChartParameters p;
    std::string out, image, generate;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() { return args[++i]; };
        if (a == "--no-datum-shift") {
            p.datumShift = false;
        } else if (!hasValue) {
            return Usage();
        } else if (a == "--out") {
            out = value();
        } else if (a == "--image") {
            image = value();
        } else if (a == "--generate") {
            generate = value();
        } else if (a == "--name") {
            p.chartNumber = value();
        } else if (a == "--title") {
            p.title = value();
        } else if (a == "--bounds") {
            const auto v = Numbers(value());
            if (v.size() != 4)
                return Usage();
            p.north = v[0], p.south = v[1], p.west = v[2], p.east = v[3];
        } else if (a == "--scale") {
            p.scale = std::atol(value().c_str());
        } else if (a == "--ratio") {
            p.lowResolutionRatio = unsigned(std::atoi(value().c_str()));
        } else if (a == "--update") {
            const auto v = Numbers(value());
            if (v.size() != 2)
                return Usage();
            p.updateTiles.emplace_back(unsigned(v[0]), unsigned(v[1]));
        } else if (a == "--subpanels") {
            p.subPanels = unsigned(std::atoi(value().c_str()));
        } else if (a == "--insets") {
            p.insets = unsigned(std::atoi(value().c_str()));
        } else if (a == "--notes") {
            p.notes = unsigned(std::atoi(value().c_str()));
        } else if (a == "--shift") {
            const auto v = Numbers(value());
            if (v.size() != 2)
                return Usage();
            p.wgs84ShiftLatSec = v[0], p.wgs84ShiftLonSec = v[1];
        } else {
            return Usage();
        }
    }
    if (out.empty() || image.empty() == generate.empty())
        return Usage();
    hcrftool::IndexedImage picture;
    std::string error;
    if (!image.empty()) {
        if (!hcrftool::ReadPicture(image, picture, error)) {
            std::cerr << "hcrf: " << error << "\n";
            return 1;
        }
    } else {
        const auto v = Numbers(generate);
        if (v.size() != 2 || v[0] < 1 || v[1] < 1 || v[0] > 100000 || v[1] > 100000)
            return Usage();
        picture = hcrftool::GeneratePicture(unsigned(v[0]), unsigned(v[1]));
    }
    hcrftool::WrittenChart written;
    if (!hcrftool::WriteChartSet(picture, p, out, written, error)) {
        std::cerr << "hcrf: " << error << "\n";
        return 1;
    }
    std::printf("%s\n", written.chartFile.string().c_str());
    return 0;
}

int Dump(const std::vector<std::string>& args)
{
    if (args.empty())
        return Usage();
    hcrftool::DumpOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--brief") {
            options.tiles = options.codeTables = false;
        } else if (args[i] == "--low") {
            options.tileLowResolution = true;
        } else if (args[i] == "--tile" && i + 1 < args.size()) {
            const auto v = Numbers(args[++i]);
            if (v.size() != 2 || v[0] < 0 || v[1] < 0)
                return Usage();
            options.tileColumn = int(v[0]);
            options.tileRow = int(v[1]);
        } else if (args[i] == "--png" && i + 1 < args.size()) {
            options.png = args[++i];
        } else {
            return Usage();
        }
    }
    return hcrftool::DumpChart(args[0], options, std::cout);
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "make")
        return Make(args);
    if (command == "dump")
        return Dump(args);
    return Usage();
}

// navcalc: the program's navigation maths from the command line.
//
//   navcalc rhumb LAT1 LON1 LAT2 LON2   rhumb-line range (nm) and bearing (deg)
//   navcalc gc LAT1 LON1 LAT2 LON2      great-circle range (nm) and initial bearing
//   navcalc dest LAT LON RANGE BEARING  end of a rhumb line: latitude and longitude
//   navcalc var LAT LON YYYY-MM-DD      magnetic variation (deg, east positive)
//
// Signed decimal degrees in, plain numbers out, one result per line, with a
// point for decimals under any locale (the tool runs under the user's, as the
// program does, so it shows the program's own figures). The
// magnetic model is read from the folder holding this program, as the program
// reads it from its own folder.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "geo/Geomag.h"
#include "geo/NavMaths.h"
#include "platform/LocaleFreeNumbers.h"

namespace {

int Usage()
{
    std::fputs("usage: navcalc rhumb|gc LAT1 LON1 LAT2 LON2\n"
               "       navcalc dest LAT LON RANGE BEARING\n"
               "       navcalc var LAT LON YYYY-MM-DD\n",
               stderr);
    return 2;
}

bool Number(const char* text, double* out)
{
    const auto value = platform::ParseDouble(text);
    if (!value)
        return false;
    *out = *value;
    return true;
}

void PrintLines(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
}

std::filesystem::path ProgramFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

int Variation(double lat, double lon, const char* dateText)
{
    int y = 0;
    unsigned m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(dateText, "%d-%u-%u%c", &y, &m, &d, &tail) != 3)
        return Usage();
    const std::chrono::year_month_day date{std::chrono::year{y}, std::chrono::month{m},
                                           std::chrono::day{d}};
    if (!date.ok()) {
        std::fprintf(stderr, "navcalc: no such date %s\n", dateText);
        return 1;
    }
    // The model of the date's five-year epoch, or the newest earlier one there is.
    for (int epochYear = y - y % 5; epochYear >= y - y % 5 - 25; epochYear -= 5) {
        geo::CGeomag model(nullptr, [epochYear] { return epochYear; });
        if (!model.LoadModel(ProgramFolder()))
            continue;
        const double v = model.GetVariation(date, geo::CPosition(lat, lon));
        if (v == geo::kUndefinedVariation) {
            std::fputs("navcalc: no variation defined there\n", stderr);
            return 1;
        }
        PrintLines(platform::FormatC("%.4f\n", v));
        return 0;
    }
    std::fprintf(stderr, "navcalc: no magnetic model file for %d in %s\n", y,
                 ProgramFolder().c_str());
    return 1;
}

}   // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "var") {
        double lat = 0, lon = 0;
        if (argc != 5 || !Number(argv[2], &lat) || !Number(argv[3], &lon))
            return Usage();
        return Variation(lat, lon, argv[4]);
    }
    double v[4];
    if (argc != 6)
        return Usage();
    for (int i = 0; i < 4; ++i) {
        if (!Number(argv[i + 2], &v[i]))
            return Usage();
    }
    if (command == "rhumb" || command == "gc") {
        const geo::CPosition from(v[0], v[1]), to(v[2], v[3]);
        if (!from.IsValid() || !to.IsValid()) {
            std::fputs("navcalc: latitude or longitude out of range\n", stderr);
            return 1;
        }
        double range = 0, bearing = 0;
        if (command == "rhumb")
            geo::RhumbRangeBearing(from, to, &range, &bearing, true);
        else
            geo::GreatCircleRangeBearing(from, to, &range, &bearing);
        PrintLines(platform::FormatC("%.6f\n%.6f\n", range, bearing));
        return 0;
    }
    if (command == "dest") {
        double lat = 0, lon = 0;
        if (!geo::CPosition(v[0], v[1]).IsValid() ||
            !geo::PositionFromRangeBearing(v[0], v[1], v[2], geo::NormaliseAngle360(v[3]), &lat,
                                           &lon)) {
            std::fputs("navcalc: no position at that range and bearing\n", stderr);
            return 1;
        }
        PrintLines(platform::FormatC("%.8f\n%.8f\n", lat, lon));
        return 0;
    }
    return Usage();
}

// report-sample: sample data for reports, in the sample area.
//
//   report-sample set <folder> <captures>      the whole sample set (see
//                                              SampleSet.h), its vessel log
//                                              from the *.nmea captures in
//                                              <captures>
//   report-sample chartpoints <path> [count]   a chartpoint database of
//                                              `count` marks (default 200)
//   report-sample routes <path>                three routes of the sample area
//   report-sample log <path> [passages]        a vessel log of the sample
//                                              passage sailed `passages`
//                                              times in one voyage (default 10)
//
// Paths are without extension. Nothing in them is for navigation.

#include "ReportSample.h"
#include "SampleSet.h"

#include <charconv>
#include <iostream>
#include <string>
#include <string_view>

namespace {

int Count(int argc, char** argv, int fallback)
{
    if (argc < 4)
        return fallback;
    const std::string_view text = argv[3];
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value > 0 ? value : -1;
}

}   // namespace

int main(int argc, char** argv)
{
    const std::string what = argc >= 3 ? argv[1] : "";
    std::string error;
    if (argc == 4 && what == "set") {
        if (report_sample::WriteSampleSet(argv[2], argv[3], error))
            return 0;
    } else if (argc <= 4 && what == "chartpoints") {
        const int count = Count(argc, argv, 200);
        if (count > 0 && report_sample::WriteChartpoints(argv[2], count, error))
            return 0;
    } else if (argc == 3 && what == "routes") {
        if (report_sample::WriteRoutes(argv[2], error))
            return 0;
    } else if (argc <= 4 && what == "log") {
        const int passages = Count(argc, argv, 10);
        if (passages > 0 && report_sample::WriteLog(argv[2], passages, error))
            return 0;
    } else {
        std::cerr << "usage: report-sample set <folder> <captures>\n"
                     "       report-sample chartpoints <path> [count]\n"
                     "       report-sample routes <path>\n"
                     "       report-sample log <path> [passages]\n";
        return 2;
    }
    std::cerr << "report-sample: "
              << (error.empty() ? "the count must be a whole number above 0" : error) << "\n";
    return 1;
}

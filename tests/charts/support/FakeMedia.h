#pragma once
// Chart media for the installation tests, made with the hcrf tool's writer:
// a chart medium (ReadMe.cdv, RasChts/GGG/NAME, ChartCat, Misc) with several
// charts, and update media carrying the catalogue and, when asked, the charts'
// update files. Charts with insets must come first (their plan offsets are
// kept as written).

#include "ChartSetWriter.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace brine_test {

struct FakeChart {
    hcrftool::ChartParameters parameters;
    unsigned width = 600, height = 400;
    hcrftool::WrittenChart written;
};

inline std::string Padded(std::string text, std::size_t width)
{
    text.resize(width, ' ');
    return text;
}

inline void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline void WriteCdv(const std::filesystem::path& root, const std::string& country,
                     const std::string& name, const std::string& date)
{
    WriteText(root / "ReadMe.cdv", country + Padded(name, 10) + Padded(date, 8) + Padded("", 10) +
                                       "1.000" + Padded("Test medium", 500));
}

inline std::string Group(const std::string& number)
{
    std::string digits;
    for (char c : number)
        if (c >= '0' && c <= '9')
            digits += c;
        else if (!digits.empty())
            break;
    while (digits.size() < 5)
        digits.insert(0, "0");
    return digits.substr(0, 3);
}

// Writes every chart into `work`, then lays out the chart medium at
// `chartMedium` and the update medium at `updateMedium` (update files there
// only when `withUpdates`).
inline bool MakeMedia(std::vector<FakeChart>& charts, const std::filesystem::path& work,
                      const std::filesystem::path& chartMedium, const std::string& chartName,
                      const std::filesystem::path& updateMedium, const std::string& updateName,
                      const std::string& updateDate, bool withUpdates, std::string& error)
{
    namespace fs = std::filesystem;
    std::string ptr, cat, plan;
    for (FakeChart& c : charts) {
        const fs::path dir = work / c.parameters.chartNumber;
        hcrftool::IndexedImage picture = hcrftool::GeneratePicture(
            c.width, c.height, std::uint32_t(c.parameters.chartNumber.size()));
        if (!hcrftool::WriteChartSet(picture, c.parameters, dir, c.written, error))
            return false;
        const fs::path rel =
            fs::path("RasChts") / Group(c.parameters.chartNumber) / c.parameters.chartNumber;
        fs::create_directories(chartMedium / rel);
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file())
                continue;
            const std::string ext = entry.path().extension().string();
            const bool update = ext.size() == 4 && (ext[1] == 'u' || ext[1] == 'U');
            if (update) {
                if (withUpdates) {
                    fs::create_directories(updateMedium / rel);
                    fs::copy_file(entry.path(), updateMedium / rel / entry.path().filename(),
                                  fs::copy_options::overwrite_existing);
                }
            } else {
                fs::copy_file(entry.path(), chartMedium / rel / entry.path().filename(),
                              fs::copy_options::overwrite_existing);
            }
        }
        auto read = [](const fs::path& p) {
            std::ifstream in(p, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        std::string entry = read(dir / "ChartCat" / "Chart.cat");
        entry.replace(158, 10, Padded(chartName, 10));
        // The entry's edition field matches the header's, as on real media.
        entry.replace(10, 8, read(dir / (c.parameters.chartNumber + ".hdr")).substr(13, 8));
        char offset[16];
        std::snprintf(offset, sizeof offset, "%07zu", cat.size());
        ptr += Padded(c.parameters.chartNumber, 8) + offset + "\x0B\x0D\x0A";
        cat += entry;
        plan += read(dir / "ChartCat" / "Plan.cat");
        for (const fs::path& medium : {chartMedium, updateMedium})
            fs::create_directories(medium),
                fs::copy(dir / "Misc", medium / "Misc",
                         fs::copy_options::overwrite_existing | fs::copy_options::recursive);
    }
    for (const fs::path& medium : {chartMedium, updateMedium}) {
        WriteText(medium / "ChartCat" / "Chart.ptr", ptr);
        WriteText(medium / "ChartCat" / "Chart.cat", cat);
        WriteText(medium / "ChartCat" / "Plan.cat", plan);
    }
    WriteCdv(chartMedium, "GB", chartName, "20260101");
    WriteCdv(updateMedium, "GB", updateName, updateDate);
    return true;
}

}   // namespace brine_test

// Starting inputs for the vector chart fuzzers, written into a folder:
// fuzz_vcell/ the small test cell, fuzz_vchart/ its ".b" store and a folio
// of three records (one not in use, one crossing 180 degrees).
#include <filesystem>
#include <fstream>
#include <iostream>

#include "TestCells.h"
#include "engines/vector/Folio.h"
#include "engines/vector/S57Import.h"
#include "engines/vector/VChartStore.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: vengine_fuzz_seeds <folder>\n";
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const auto cells = root / "fuzz_vcell", stores = root / "fuzz_vchart";
    std::filesystem::create_directories(cells);
    std::filesystem::create_directories(stores);
    if (!vtest::WriteSampleCell(cells, "SEED")) {
        std::cerr << "vengine_fuzz_seeds: the sample cell for the fuzzers could not be written\n";
        return 1;
    }
    vengine::VChartData chart;
    const auto result = vengine::ImportS57Cell((cells / "SEED.000").string(), true, chart);
    if (!result.ok) {
        std::cerr << "vengine_fuzz_seeds: " << result.error << "\n";
        return 1;
    }
    std::ofstream(stores / "SEED.b", std::ios::binary) << vengine::EncodeVChart(chart);
    const std::vector<vengine::FolioRecord> folio = {
        {"SEED", -1224500000, 475500000, -1223500000, 476500000, 20000, true},
        {"OVERVIEW", -1230000000, 470000000, -1220000000, 480000000, 250000, false},
        {"DATELINE", 1790000000, -100000000, -1790000000, 100000000, 1000000, true},
    };
    std::ofstream(stores / "LC.FOL", std::ios::binary) << vengine::EncodeFolio(folio);
    return 0;
}

// Input: the bytes of an S-57 cell, put in GDAL's memory file system and
// imported. The import must refuse it or give a chart that stores and reads
// back whole.
#include <cpl_vsi.h>

#include "engines/vector/S57Import.h"
#include "engines/vector/VChartStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vengine::EnsureGdalReady();
    const char* path = "/vsimem/fuzz/CELL.000";
    VSILFILE* f = VSIFileFromMemBuffer(path, const_cast<GByte*>(data), vsi_l_offset(size), FALSE);
    if (!f)
        return 0;
    VSIFCloseL(f);
    vengine::VChartData chart;
    auto result = vengine::ImportS57Cell(path, true, chart);
    if (result.ok) {
        std::string bytes = vengine::EncodeVChart(chart);
        vengine::CVChartView view;
        std::string error;
        if (!view.Attach(bytes, &error))
            __builtin_trap();
    }
    VSIUnlink(path);
    return 0;
}

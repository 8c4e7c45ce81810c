// Input: the bytes of a ".b" file or of a folio "LC.FOL". The view must
// refuse it or read every feature and answer area queries without reading
// out of bounds; the folio's records must search without fault and store and
// read back as they were (names cut to the width a record holds).
#include <cstdint>
#include <string_view>

#include "engines/vector/Folio.h"
#include "engines/vector/VChartStore.h"

namespace {

void Store(std::string_view bytes)
{
    vengine::CVChartView view;
    std::string error;
    if (!view.Attach(bytes, &error))
        return;
    vengine::VChartData chart;
    view.ReadAll(chart);
    view.FeaturesIn({-1800000000, -900000000, 1800000000, 900000000});
    view.FeaturesIn({-1224000000, 475000000, -1223000000, 477000000});
    view.FeaturesIn({-1800000000, -900000000, 1800000000, 900000000}, 50000);
    view.FeaturesIn({-1224000000, 475000000, -1223000000, 477000000}, 50000);
    for (std::size_t i = 0; i <= view.FeatureCount(); ++i)
        view.ScaleMinimumOf(i);
}

void Folio(std::string_view bytes)
{
    auto records = vengine::DecodeFolio(bytes);
    const vengine::FolioQuery queries[] = {
        {-1224000000, -1223000000, 475000000, 477000000, false, 0},
        {-1224000000, -1223000000, 475000000, 477000000, true, 20000},
        {1790000000, -1790000000, -10000000, 10000000, false, 0},
        {INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, false, INT32_MAX},
    };
    for (const auto& query : queries)
        if (auto best = vengine::FindBestChart(records, query); best && *best >= records.size())
            __builtin_trap();
    for (auto& r : records)
        r.name.resize(std::min(r.name.size(), vengine::kFolioNameWidth - 1));
    if (vengine::DecodeFolio(vengine::EncodeFolio(records)) != records)
        __builtin_trap();
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Store(bytes);
    Folio(bytes);
    return 0;
}

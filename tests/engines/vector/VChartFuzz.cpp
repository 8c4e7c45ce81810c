// Input: the bytes of a ".b" file. The view must refuse it or read every
// feature and answer area queries without reading out of bounds.
#include "engines/vector/VChartStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vengine::CVChartView view;
    std::string error;
    if (!view.Attach(std::string_view(reinterpret_cast<const char*>(data), size), &error))
        return 0;
    vengine::VChartData chart;
    view.ReadAll(chart);
    view.FeaturesIn({-1800000000, -900000000, 1800000000, 900000000});
    return 0;
}

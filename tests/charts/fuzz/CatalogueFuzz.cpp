// Feeds one input to the chart catalogue readers and the medium descriptor:
// as a pointer file, as "Chart.cat" and "Plan.cat" entries read at offsets
// taken from the input itself, and as a "ReadMe.cdv" record. Seeds are the
// catalogue files of a chart made by the hcrf tool.

#include "charts/hcrf/CdIdentifier.h"
#include "charts/hcrf/ChartCatalogue.h"

#include <string>
#include <vector>

using namespace charts::hcrf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ByteView in(data, size);
    CCatalogueFolder::PointerMap pointers;
    std::vector<std::string> numbers;
    CCatalogueFolder::ParsePointers(in, pointers, numbers);
    CARCSCatEntry entry;
    entry.Read(in, 0);
    for (const auto& [key, offset] : pointers)
        entry.Read(in, offset);
    const std::uint32_t offset = size >= 4 ? std::uint32_t(data[0] | data[1] << 8) : 0;
    entry.Read(in, offset);
    if (entry.valid)
        for (unsigned p = 0; p <= entry.plans + 1u; ++p)
            if (const auto at = entry.PlanOffset(p)) {
                CPlanCatEntry plan;
                plan.Read(in, *at);
            }
    CARCSCatInfoRec header;
    header.Read(in, offset);
    CPlanCatEntry plan;
    plan.Read(in, 0);
    plan.Read(in, offset);
    CCDIdentifier id;
    ParseCdvRecord(AsText(in), id);
    FormatCdDate(id.date);
    return 0;
}

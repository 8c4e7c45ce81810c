// Any bytes as a ".vsl" text and as a ".hdr" record: a refused record leaves
// the record exactly as it was (a refused text may have given the values
// before its damaged line), and a read record writes and reads back the
// same (numbers are written as the shortest text that reads back exactly).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "navigator/VesselFiles.h"

namespace {

navigator::COwnVessel Sentinel()
{
    navigator::COwnVessel v;
    v.name = "sentinel";
    v.length = 7.0;
    v.deviation[5] = -3.0;
    return v;
}

// A written number reads back as the same double.
bool SameInText(double a, double b)
{
    return a == b;
}

bool SameNumbersInText(const navigator::COwnVessel& a, const navigator::COwnVessel& b)
{
    if (!SameInText(a.length, b.length))
        return false;
    for (std::size_t i = 0; i < a.deviation.size(); ++i)
        if (!SameInText(a.deviation[i], b.deviation[i]))
            return false;
    return true;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    {
        navigator::COwnVessel v = Sentinel();
        if (!navigator::ParseVesselFile(bytes, v)) {
            // What it gave writes and reads back the same.
            navigator::COwnVessel again = Sentinel();
            if (!navigator::ParseVesselFile(navigator::FormatVesselFile(v), again) ||
                !SameNumbersInText(again, v))
                __builtin_trap();
        } else {
            navigator::COwnVessel again = Sentinel();
            if (!navigator::ParseVesselFile(navigator::FormatVesselFile(v), again) ||
                !SameNumbersInText(again, v))
                __builtin_trap();
        }
    }
    {
        navigator::COwnVessel v = Sentinel();
        if (!navigator::ParseVesselHeader(bytes, v)) {
            if (!v.IsEqual(Sentinel()))
                __builtin_trap();
        } else {
            navigator::COwnVessel again = Sentinel();
            if (!navigator::ParseVesselHeader(navigator::FormatVesselHeader(v), again) ||
                !again.IsEqual(v))
                __builtin_trap();
        }
    }
    return 0;
}

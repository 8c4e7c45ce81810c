// Position entry under arbitrary formats, keys, pastes and spins: no crash,
// and whatever happens the text either stays valid or is put back.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "geo/PositionEntry.h"
#include "navigator/DeviationEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // Up to the first newline: a format; the rest: operations.
    const auto cut = input.find('\n');
    geo::CPositionEntry entry;
    entry.SetDatums({"WGS 84", "ED 50"}, 0);
    if (cut != std::string_view::npos)
        entry.SetFormat(input.substr(0, cut));
    std::string_view ops = cut == std::string_view::npos ? input : input.substr(cut + 1);
    entry.SetPosition({-33.8568, 151.2153, 12.0, 1});
    while (!ops.empty()) {
        const unsigned char op = static_cast<unsigned char>(ops.front());
        ops.remove_prefix(1);
        switch (op % 8) {
        case 0: {   // paste the next run of bytes up to a control byte
            const auto end = ops.find('\x01');
            entry.Paste(ops.substr(0, end));
            ops = end == std::string_view::npos ? std::string_view() : ops.substr(end + 1);
            break;
        }
        case 1: entry.Spin(op & 8); break;
        case 2: entry.SelectFieldAt(op / 8); break;
        case 3: entry.SelectNextField(op & 8); break;
        case 4: entry.Undo(); break;
        case 5: entry.Redo(); break;
        default:
            if (!ops.empty()) {
                entry.Type(static_cast<unsigned char>(ops.front()));
                ops.remove_prefix(1);
            }
        }
        // A refused change leaves the text as it was, so it is always valid.
        if (entry.ParseText())
            std::abort();
        const auto range = entry.SelectedRange();
        if (range.first > range.second || range.second > entry.Text().size() + 64)
            std::abort();
    }
    std::array<std::string, navigator::kDeviationEntries> deviations;
    for (std::size_t i = 0; i < input.size(); ++i)
        deviations[i % deviations.size()].push_back(input[i]);
    const auto parsed = navigator::ParseDeviationEntries(deviations);
    if (parsed.badEntry < 0)
        for (double d : parsed.degrees)
            if (!(d >= -180.0 && d <= 180.0))
                std::abort();
    geo::CheckDegreeText(input, true);
    geo::CheckZoneTime(input);
    return 0;
}

// Fuzzes tender intake: each input line is "<channel byte><tender line>", so
// any channel, including ones outside the 17, meets any "$PABX" line. After
// the lines the new tenders are taken as the user-interface thread takes them
// and every one is read back as the panel and the log write it. A record
// exists only for a channel that sent a whole RMC with a position, and a
// position read back is a real one.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "TenderJoined.h"
#include "targets/TenderRows.h"
#include "targets/TenderTargetStore.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static platform::CSystemClock clock;
    targets::CTenderTargetStore store(clock);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos)
            end = input.size();
        std::string_view line = input.substr(start, end - start);
        start = end + 1;
        if (line.empty())
            continue;
        // Signed, so negative channels are tried too.
        const int channel = static_cast<signed char>(line.front()) % 20;
        line.remove_prefix(1);
        const bool taken = store.ParseTargetLine(channel, line);
        if (taken)
            Check(targets::SplitTenderLine(line).has_value());
        // The 82 characters are counted without the line end.
        std::string_view body = line;
        while (!body.empty() && (body.back() == '\r' || body.back() == '\n'))
            body.remove_suffix(1);
        if (body.size() > targets::kTenderLineMax)
            Check(!taken);
    }
    const geo::CPositionFormat format{};
    const auto local = [](std::chrono::system_clock::time_point) { return std::string("t"); };
    for (const auto& record : brine_test::JoinQueuedTenders(store)) {
        Check(record->Channel() >= 0 && record->Channel() < targets::kTenderChannels);
        Check(store.Slot(record->Channel()) == record);
        targets::CTender tender;
        tender.record = record;
        if (const auto p = tender.Position()) {
            Check(std::isfinite(p->latitude) && std::fabs(p->latitude) <= 90.0);
            Check(std::isfinite(p->longitude) && std::fabs(p->longitude) <= 180.0);
        }
        if (const auto d = tender.Depth())
            Check(!std::isnan(*d));
        const auto row = targets::TenderRowTexts(tender, format, clock.UtcNow(), local);
        Check(row[0] == record->Identifier());
        targets::CTenderFix fix;
        if (const auto p = tender.Position())
            fix.position = *p;
        targets::TenderFixTexts(fix, format, local);
        targets::TenderLogTitle(&tender);
        store.ClearSlot(*record);
        Check(store.Slot(record->Channel()) == nullptr);
    }
    return 0;
}

// Fuzzes radar target intake: every line of the input goes through the ARPA
// parser as received and through Dispatch (no checksum needed), so the TTM,
// TLL, TLB, RSD and OSD handlers see anything; then the pass adopts and ages
// the targets, positions are worked out and the radar cursor read. The slots
// never pass the 100 target numbers, nor the navigator's list the targets the
// pass knows. Seeded with radar-sim runs.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "nmea/NMEAMessageParser.h"
#include "targets/ARPATargetPass.h"
#include "targets/RadarCursor.h"
#include "targets/TargetMotion.h"

namespace {

struct Intake {
    platform::CSystemClock clock;
    nmea::CNMEAGPSParser parser{clock, 5};
    targets::CARPATargetStore store{clock};
    targets::CARPATargetPass pass{store};
    Intake()
    {
        parser.SetStores({parser.Values(), parser.Values(), parser.Values()});
        parser.Message().SetTargetSentenceParser(&store);
        store.Vessels().SetOwner(navigator::kVesselArpa, [this](const auto& vessel) {
            pass.Join(std::static_pointer_cast<targets::CTrackedTarget>(vessel), clock.UtcNow());
        });
    }
};

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Intake intake;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos)
            end = input.size();
        std::string_view line = input.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        intake.parser.ParseLine(line);
        if (!line.empty() && line.front() == '$')
            intake.parser.Dispatch(line.substr(1));
        start = end + 1;
    }
    if (intake.store.SlotCount() > targets::kMaxTargetNumber + 1)
        std::abort();
    const auto now = intake.clock.UtcNow();
    intake.store.Vessels().AdoptQueued();
    targets::COwnShip own;
    own.position = targets::CTargetPosition{50.0, -1.0};
    own.heading = 10.0;
    own.courseOverGround = 20.0;
    own.speedOverGround = 5.0;
    for (auto& t : intake.pass.MutableTargets()) {
        t.fix = targets::TargetFixNow(*t.record, own);
        if (t.fix)
            t.rangeNm = t.fix->rangeNm;
    }
    intake.pass.Run(now);
    (void)targets::RadarCursorFrom(intake.parser.Values(), 10.0, 20.0);
    if (intake.store.Vessels().Vessels().size() != intake.pass.Targets().size())
        std::abort();
    if (intake.pass.Targets().size() > 200)
        intake.pass.Reset();
    return 0;
}

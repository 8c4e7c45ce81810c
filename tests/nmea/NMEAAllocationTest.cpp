// Sentence intake allocates nothing per sentence or field once its buffers
// have grown: this program replaces the global allocator to count calls.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "FakeClock.h"
#include "NMEATestLines.h"
#include "nmea/NMEAMessageParser.h"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

// The pointers come from the malloc above; GCC cannot see that pairing.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

TEST(Allocation, ParsingCapturesAllocatesNothingOnceWarm)
{
    std::vector<std::string> lines;
    for (int n = 1; n <= 8; ++n) {
        const auto capture = nmea_test::ReadLines(nmea_test::CaptureDir() + "capture-0" + std::to_string(n) + ".nmea");
        lines.insert(lines.end(), capture.begin(), capture.end());
    }
    ASSERT_GT(lines.size(), 4000u);

    brine_test::FakeClock clock;
    nmea::CNMEAGPSParser parser(clock, 5);
    for (const auto& line : lines)   // warm-up: the sentence copy and text values reach their size
        parser.ParseLine(line);

    int stored = 0;
    const long before = g_allocations.load();
    for (const auto& line : lines) {
        parser.ParseLine(line);
        stored += parser.LastResult() == nmea::NMEALineResult::Parsed ? parser.Message().WrittenCount() : 0;
    }
    const long allocations = g_allocations.load() - before;
    EXPECT_EQ(allocations, 0) << "over " << lines.size() << " lines";
    EXPECT_GT(stored, 5000);
}

}  // namespace

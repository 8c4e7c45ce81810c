#include "app/StartupChecks.h"

#include <gtest/gtest.h>

#include "../support/ScriptedPrompt.h"

namespace {

using platform::PromptAnswer;
using platform::PromptIcon;

TEST(StartupChecks, ScreenBufferEstimate)
{
    struct Row {
        int bpp, w, h;
        std::uint64_t expected;
    } rows[] = {
        {16, 1024, 768, 11'324'620},   // 2 x 1024 x 768 x 6 x 1.2, truncated
        {24, 1280, 1024, 28'311'552},   // 3 bytes a pixel
        {32, 7680, 4320, 955'514'880},   // 8K: the estimate alone passes 2^29
        {4, 1024, 768, 0},   // less than a whole byte a pixel
        {12, 801, 601, 3'466'087},   // 1 whole byte; 801 x 601 x 6 x 1.2 = 3466087.2
        {0, 1024, 768, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(app::ScreenBufferEstimate(r.bpp, r.w, r.h), r.expected)
            << r.bpp << " " << r.w << "x" << r.h;
}

TEST(StartupChecks, EachCheckGivesItsMessageAndOutcome)
{
    constexpr std::uint64_t GB = 1ull << 30;
    // Rows: facts (memory, bits per pixel, static colours, width, height), starts, message or none,
    // its icon.
    const struct {
        const char* name;
        app::CSystemFacts facts;
        bool starts;
        const char* message;
        PromptIcon icon;
    } rows[] = {
        {"plenty", {8 * GB, 24, true, 1920, 1080}, true, nullptr, PromptIcon::None},
        {"exactly enough",
         {11'324'620 + 3'000'000, 16, true, 1024, 768},
         true,
         nullptr,
         PromptIcon::None},
        {"one byte short",
         {11'324'620 + 3'000'000 - 1, 16, true, 1024, 768},
         false,
         app::kNotEnoughMemoryText,
         PromptIcon::Stop},
        // Counted in 32 bits, 4 GB + 16 MB would wrap to 16 MB and refuse to start.
        {"more than 4 GB",
         {4 * GB + 16'000'000, 32, true, 1920, 1200},
         true,
         nullptr,
         PromptIcon::None},
        {"4 bits per pixel",
         {8 * GB, 4, true, 1024, 768},
         false,
         app::kUnsupportedModeText,
         PromptIcon::Stop},
        {"no static colours",
         {8 * GB, 8, false, 1024, 768},
         false,
         app::kUnsupportedModeText,
         PromptIcon::Stop},
        {"unknown depth",
         {8 * GB, 0, true, -1, -1},
         false,
         app::kUnsupportedModeText,
         PromptIcon::Stop},
        {"low height",
         {8 * GB, 24, true, 1024, 560},
         true,
         app::kLowResolutionText,
         PromptIcon::Exclamation},
        {"low width",
         {8 * GB, 24, true, 799, 600},
         true,
         app::kLowResolutionText,
         PromptIcon::Exclamation},
        {"800x600", {8 * GB, 24, true, 800, 600}, true, nullptr, PromptIcon::None},
    };
    for (const auto& r : rows) {
        brine_test::ScriptedPrompt prompt;
        if (r.message)
            prompt.Expect(PromptAnswer::Ok);
        EXPECT_EQ(app::RunStartupChecks(r.facts, prompt), r.starts) << r.name;
        ASSERT_TRUE(prompt.Done()) << r.name;
        ASSERT_EQ(prompt.AskedPrompts().size(), r.message ? 1u : 0u) << r.name;
        const auto& asked = prompt.AskedPrompts();
        EXPECT_TRUE(!r.message || (asked[0].text == r.message && asked[0].icon == r.icon))
            << r.name;
    }
}

TEST(StartupChecks, IdleFlags)
{
    app::CSystemFacts facts{11'324'620, 16, true, 1024, 768};
    EXPECT_FALSE(app::IsMemoryLow(facts));
    facts.availableMemory -= 1;
    EXPECT_TRUE(app::IsMemoryLow(facts));
    constexpr std::uint64_t MB = 1024 * 1024;
    EXPECT_TRUE(app::IsDiskLow(20 * MB - 1));
    EXPECT_FALSE(app::IsDiskLow(20 * MB) || app::IsDiskLow(std::nullopt));
}

}   // namespace

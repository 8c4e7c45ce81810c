#include "app/StartupChecks.h"

namespace app {

namespace {
constexpr const char* kCaption = "Brinevane";
}

std::uint64_t ScreenBufferEstimate(int bitsPerPixel, int width, int height)
{
    if (bitsPerPixel <= 0 || width <= 0 || height <= 0)
        return 0;
    const std::uint64_t bytesPerPixel = static_cast<std::uint64_t>(bitsPerPixel) / 8;
    const std::uint64_t raw = bytesPerPixel * std::uint64_t(width) * std::uint64_t(height) * 6;
    return raw * 12 / 10;   // x 1.2 truncated, in integers so no rounding creeps in
}

bool RunStartupChecks(const CSystemFacts& facts, platform::CPrompt& prompt)
{
    using platform::PromptButtons;
    using platform::PromptIcon;
    // 64-bit throughout: a machine with more than 4 GB available must not wrap
    // round to "not enough".
    const std::uint64_t needed =
        ScreenBufferEstimate(facts.bitsPerPixel, facts.screenWidth, facts.screenHeight) +
        kStartupMemoryMargin;
    if (facts.availableMemory < needed) {
        prompt.Ask(kNotEnoughMemoryText, kCaption, PromptIcon::Stop, PromptButtons::Ok);
        return false;
    }
    if (facts.bitsPerPixel < 8 || !facts.paletteHasStaticColours) {
        prompt.Ask(kUnsupportedModeText, kCaption, PromptIcon::Stop, PromptButtons::Ok);
        return false;
    }
    if (facts.screenWidth < 800 || facts.screenHeight < 600)
        prompt.Ask(kLowResolutionText, kCaption, PromptIcon::Exclamation, PromptButtons::Ok);
    return true;
}

bool IsMemoryLow(const CSystemFacts& facts)
{
    return facts.availableMemory <
           ScreenBufferEstimate(facts.bitsPerPixel, facts.screenWidth, facts.screenHeight);
}

bool IsDiskLow(std::optional<std::uint64_t> freeBytes)
{
    // Unknown free space raises no warning: the message would be a guess.
    return freeBytes && *freeBytes / (1024 * 1024) < 20;
}

}   // namespace app

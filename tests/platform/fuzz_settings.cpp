// Any bytes as a settings file: reading never crashes, and whatever reads
// writes back to text that reads to the same text again.
#include "platform/SettingsTree.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace platform::settings;
    Key first;
    if (ParseSettings(std::string_view(reinterpret_cast<const char*>(data), size), first))
        return 0;
    const std::string written = WriteSettings(first);
    Key second;
    if (ParseSettings(written, second) || WriteSettings(second) != written)
        std::abort();
    return 0;
}

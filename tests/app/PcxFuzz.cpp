// Any bytes through the PCX reader: it must answer, never read outside them.
#include "app/PcxImage.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    app::CPcxImage image;
    std::string error;
    if (app::DecodePcx(std::string_view(reinterpret_cast<const char*>(data), size), image,
                       &error)) {
        if (image.pixels.size() != std::size_t(image.width) * std::size_t(image.height))
            __builtin_trap();
    }
    return 0;
}

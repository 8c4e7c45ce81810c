// Any bytes as UTF-8 for both code pages: never crashes, never grows, and a
// decoded byte string always encodes back to itself.
#include "platform/CodePage.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace platform;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (Utf8ToCp1252(bytes).size() > size || Utf8ToCp437(bytes).size() > size)
        std::abort();
    if (Utf8ToCp1252(Cp1252ToUtf8(bytes)) != bytes || Utf8ToCp437(Cp437ToUtf8(bytes)) != bytes)
        std::abort();
    if (IsValidUtf8(bytes) && Cp1252ToUtf8(Utf8ToCp1252(bytes)).empty() != bytes.empty())
        std::abort();
    return 0;
}

// Both model readers on arbitrary bytes: the ".tid" lines and the ".dat" body.
// A ".dat" ends in the CRC of what comes before it, so random bytes would
// stop at that check: each input is also read with its last four bytes
// replaced by the right CRC, which takes the body's size checks and fields.
#include "engines/tidal/ModelFiles.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tidal::ModelHeader header;
    tidal::ParseModelHeader(std::string(reinterpret_cast<const char*>(data), size), header);
    tidal::ModelData model;
    tidal::ParseModelData(data, size, model);
    if (size >= 4) {
        std::vector<std::uint8_t> stamped(data, data + size);
        const auto crc = std::uint32_t(crc32(0L, stamped.data(), uInt(size - 4)));
        for (int i = 0; i < 4; ++i)
            stamped[size - 4 + std::size_t(i)] = std::uint8_t(crc >> (8 * i));
        tidal::ModelData stampedModel;
        tidal::ParseModelData(stamped.data(), stamped.size(), stampedModel);
    }
    return 0;
}

// Both model readers on arbitrary bytes: the ".tid" lines and the ".dat" body.
#include "engines/tidal/ModelFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tidal::ModelHeader header;
    tidal::ParseModelHeader(std::string(reinterpret_cast<const char*>(data), size), header);
    tidal::ModelData model;
    tidal::ParseModelData(data, size, model);
    return 0;
}

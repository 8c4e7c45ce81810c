// Writing a model's two files. Kept apart from the readers: the shared
// library the program loads only reads models, and only the sample
// generator and the tests write them.
#include "ModelFiles.h"

#include "platform/Files.h"

namespace tidal {

bool WriteModel(const std::filesystem::path& tidFile, const ModelHeader& header,
                const ModelData& data, std::string& error)
{
    const auto bytes = SerialiseModelData(data);
    std::filesystem::path datFile = tidFile;
    datFile.replace_extension(".dat");
    // Each file whole or as it was: a temp file beside it, locked while it is
    // written (so a sweep of what killed writes left passes it by), renamed
    // over the old one; a write that fails removes its temp file.
    return platform::WriteFileAtomically(
               datFile, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
               &error, 0644) &&
           platform::WriteFileAtomically(tidFile, FormatModelHeader(header), &error, 0644);
}

}   // namespace tidal

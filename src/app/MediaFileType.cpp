#include "app/MediaFileType.h"

#include "app/StringUtils.h"

namespace app {

MediaFileType GetMediaFileType(std::string_view fileName)
{
    const std::string ext = ToLower(GetExtensionPart(TrimBlanks(fileName)));
    if (ext == "bmp" || ext == "jpg" || ext == "tga" || ext == "tif" || ext == "pcx")
        return MediaFileType::Image;
    if (ext == "avi")
        return MediaFileType::Video;
    if (ext == "wav")
        return MediaFileType::Wave;
    if (ext == "mid")
        return MediaFileType::Midi;
    return MediaFileType::Other;
}

}   // namespace app

#pragma once
// Kinds of attachment and media files, by extension, as the chartpoint and
// route panels open them.

#include <string_view>

namespace app {

enum class MediaFileType { Image = 0, Video = 1, Other = 2, Wave = 3, Midi = 4 };

MediaFileType GetMediaFileType(std::string_view fileName);

}   // namespace app

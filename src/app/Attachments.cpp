#include "app/Attachments.h"

#include "app/MediaFileType.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace app {

std::string AttachmentSlotRefusal(int slot, const std::string& path)
{
    const MediaFileType kind = GetMediaFileType(path);
    const bool videoSlot = slot == kAttachmentVideoSlot;
    if (videoSlot && kind == MediaFileType::Image)
        return "You can only attach a video file here";
    if (!videoSlot && kind == MediaFileType::Video)
        return "You can only attach an image file here";
    return {};
}

std::string ImportAttachmentFile(const std::string& chosenPath, const std::string& folderText,
                                 std::string* message)
{
    std::error_code ec;
    const fs::path chosen(chosenPath);
    const fs::path folder(folderText);
    if (fs::equivalent(chosen.parent_path(), folder, ec))
        return chosen.filename().string();
    if (!fs::is_regular_file(chosen, ec)) {
        if (message)
            *message = "The file " + chosenPath + " cannot be read.";
        return {};
    }
    const std::string stem = chosen.stem().string();
    const std::string ext = chosen.extension().string();
    for (int n = 0; n < 10000; ++n) {
        const std::string name = n == 0 ? stem + ext : stem + "-" + std::to_string(n) + ext;
        const fs::path target = folder / name;
        if (fs::exists(target, ec))
            continue;
        // copy_file with skip_existing never overwrites, even against a race.
        if (fs::copy_file(chosen, target, fs::copy_options::skip_existing, ec))
            return name;
        if (ec) {
            if (message)
                *message =
                    "Unable to copy " + chosenPath + " into " + folderText + ": " + ec.message();
            return {};
        }
    }
    if (message)
        *message = "No free name for " + stem + ext + " in " + folderText;
    return {};
}

}   // namespace app

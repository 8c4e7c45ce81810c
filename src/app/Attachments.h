#pragma once
// The attachments of chartpoints and routes: four slots, three pictures and
// then one video, naming files of an attachments folder.

#include <string>

namespace app {

inline constexpr int kAttachmentSlots = 4;
inline constexpr int kAttachmentVideoSlot = 3;

// Why a file may not go into a slot (from 0; the last one takes the video):
// a video for a picture slot or a picture for the video slot. Empty when it
// may (other kinds go anywhere).
std::string AttachmentSlotRefusal(int slot, const std::string& path);

// Copies a file chosen for an attachment into `folder` under a name no file
// there has; the stored name (relative to the folder), or empty with
// `message` on failure. A file already in the folder is used as it is.
std::string ImportAttachmentFile(const std::string& chosenPath, const std::string& folder,
                                 std::string* message = nullptr);

}   // namespace app

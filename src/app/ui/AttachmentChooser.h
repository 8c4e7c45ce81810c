#pragma once
// Attaching a file to one of the four attachment slots of a chartpoint or a
// route: the "Attach Attachment" file dialog, and the checks and copy that
// follow it, each refusal told in a message box.

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace app {

// The program's open dialog in `folder` over pictures and videos, its
// button "&Attach"; the file chosen, or empty on Cancel.
QString AskAttachmentFile(QWidget* parent, const std::string& folder);

// A file for slot `slot` (from 0; the last takes the video): refused with a
// beep and a message box under `caption` when its kind does not fit the
// slot, or when `import` (the copy into the attachments folder, giving the
// stored name or empty with its message) fails. Else the stored name.
using AttachmentImport = std::function<std::string(const std::string& path, std::string* message)>;
std::optional<std::string> TakeAttachmentFile(QWidget* parent, const QString& caption, int slot,
                                              const std::string& path,
                                              const AttachmentImport& import);

}   // namespace app

#pragma once
// The two viewer document kinds the application registers: pictures (".bmp"
// and every picture kind Qt reads) and videos (".avi"), with the names and
// filters the File menus show, and the calls that open a file in a viewer.

#include <QString>

class QMdiArea;
namespace platform {
class CPrompt;
}

namespace app {

class CAviDoc;
class CCommandTable;

class CDibDoc;
class CPostedMessageQueue;

struct CViewerTemplate {
    int number;   // place among the application's document kinds
    const char* fileNewName;
    const char* filterName;
    const char* extension;
};

inline constexpr CViewerTemplate kBitmapTemplate{7, "Windows bitmap (*.bmp)",
                                                 "Windows bitmap (*.bmp)", ".bmp"};
inline constexpr CViewerTemplate kVideoTemplate{14, "Video", "Video(*.avi)", ".avi"};

// Opens `path` in a new picture viewer in `area`, its frame shrunk round a
// smaller picture. A file that is not a readable picture opens no window:
// `prompt` tells the user why and the result is null. The viewer posts its
// close to `owner` (null: it closes itself); while it is the active window
// Save As, Print and Print Preview are disabled in `commands`.
CDibDoc* OpenBitmapViewer(QMdiArea& area, const QString& path, app::CPostedMessageQueue* owner,
                          app::CCommandTable* commands, platform::CPrompt& prompt);

// The same for a video; its frame takes the video's size once known.
CAviDoc* OpenVideoViewer(QMdiArea& area, const QString& path, app::CPostedMessageQueue* owner,
                         platform::CPrompt& prompt);

}   // namespace app

#include "app/ui/ViewerTemplates.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMediaPlayer>

#include "app/CommandIds.h"
#include "app/ui/AviView.h"
#include "app/ui/DibView.h"
#include "platform/Prompt.h"

namespace app {

namespace {

void TellWhy(platform::CPrompt& prompt, const char* what, const QString& path, const QString& why)
{
    const QString text = QStringLiteral("Unable to open the %1 \"%2\".\n%3")
                             .arg(QString::fromLatin1(what), QFileInfo(path).fileName(), why);
    prompt.Ask(text.toStdString(), "Brinevane", platform::PromptIcon::Stop,
               platform::PromptButtons::Ok);
}

}   // namespace

CDibDoc* OpenBitmapViewer(QMdiArea& area, const QString& path, app::CPostedMessageQueue* owner,
                          app::CCommandTable* commands, platform::CPrompt& prompt)
{
    auto* document = new CDibDoc;
    QString why;
    if (!document->OnOpenDocument(path, &why)) {
        delete document;
        TellWhy(prompt, "picture", path, why);
        return nullptr;
    }
    auto* frame = new CDibFrame(document, owner);
    area.addSubWindow(frame);
    frame->resize(area.viewport()->size() * 3 / 4);
    frame->show();
    frame->OnInitialUpdate();
    if (commands)
        frame->DisableWhileActive(
            *commands, {app::cmd::kFileSaveAs, app::cmd::kFilePrint, app::cmd::kFilePrintPreview});
    return document;
}

CAviDoc* OpenVideoViewer(QMdiArea& area, const QString& path, app::CPostedMessageQueue* owner,
                         platform::CPrompt& prompt)
{
    auto* document = new CAviDoc;
    QString why;
    if (!document->OnOpenDocument(path, &why)) {
        delete document;
        TellWhy(prompt, "video", path, why);
        return nullptr;
    }
    auto* frame = new CAviFrame(document, owner);
    area.addSubWindow(frame);
    frame->show();
    frame->FitTo(frame->View()->sizeHint(), false);
    document->Player().play();
    return document;
}

}   // namespace app

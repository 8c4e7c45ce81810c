#include "app/ui/AttachmentChooser.h"

#include "app/Attachments.h"
#include "app/ui/OpenSaveDlgs.h"

#include <QApplication>
#include <QMessageBox>

namespace app {

QString AskAttachmentFile(QWidget* parent, const std::string& folder)
{
    COpenFileDlg dialog(QStringLiteral("Attach Attachment"), QString::fromStdString(folder),
                        QStringLiteral("Image files (*.bmp;*.jpg;*.tga;*.tif;*.pcx)\n"
                                       "Video files (*.avi)\n"
                                       "All (*.bmp;*.jpg;*.tga;*.tif;*.pcx;*.avi)"),
                        QString(), parent);
    dialog.setObjectName("AttachAttachment");
    dialog.SetOkText(QStringLiteral("&Attach"));
    // Several kinds share a type: a name keeps its own extension.
    dialog.SetKeepExtension(true);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return QString::fromStdString(dialog.ChosenPath().string());
}

std::optional<std::string> TakeAttachmentFile(QWidget* parent, const QString& caption, int slot,
                                              const std::string& path,
                                              const AttachmentImport& import)
{
    if (const std::string refusal = AttachmentSlotRefusal(slot, path); !refusal.empty()) {
        QApplication::beep();
        QMessageBox::warning(parent, caption, QString::fromStdString(refusal));
        return std::nullopt;
    }
    std::string message;
    std::string stored = import(path, &message);
    if (stored.empty()) {
        QMessageBox::warning(parent, caption, QString::fromStdString(message));
        return std::nullopt;
    }
    return stored;
}

}   // namespace app

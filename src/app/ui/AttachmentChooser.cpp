#include "app/ui/AttachmentChooser.h"

#include "app/Attachments.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace app {

QString AskAttachmentFile(QWidget* parent, const std::string& folder)
{
    QFileDialog dialog(parent, QStringLiteral("Attach Attachment"), QString::fromStdString(folder),
                       QStringLiteral("Image files (*.bmp *.jpg *.tga *.tif *.pcx);;Video files "
                                      "(*.avi);;All (*.bmp *.jpg *.tga *.tif *.pcx *.avi)"));
    dialog.setObjectName("AttachAttachment");
    // The toolkit's own dialog: a native one would not take the button's text.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&Attach"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
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

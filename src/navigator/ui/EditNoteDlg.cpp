#include "navigator/ui/EditNoteDlg.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "navigator/LogbookRows.h"

namespace navigator {

CEditNoteDlg::CEditNoteDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LogEntry"));
    setWindowTitle(tr("Log Entry"));
    auto* layout = new QVBoxLayout(this);
    m_note = new QPlainTextEdit(this);
    m_note->setObjectName(QStringLiteral("Note"));
    layout->addWidget(m_note);
    // Access keys of their own: Alt+O and Alt+C are the buttons', never
    // letters typed into the note.
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_note->setFocus();
}

QString CEditNoteDlg::Note() const
{
    return m_note->toPlainText();
}

void CEditNoteDlg::accept()
{
    const std::string why = WhyTheLogCannotHold(Note().toStdString(), "note");
    if (!why.empty()) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(why));
        m_note->setFocus();
        return;
    }
    QDialog::accept();
}

}   // namespace navigator

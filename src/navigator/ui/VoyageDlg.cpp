#include "navigator/ui/VoyageDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "navigator/LogbookRows.h"

namespace navigator {

namespace {
constexpr int kMostCharacters = 20;
}

CVoyageDlg::CVoyageDlg(const CTexts& texts, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("VoyageManagement"));
    setWindowTitle(texts.start ? tr("Start Voyage") : tr("End Voyage"));
    auto* layout = new QVBoxLayout(this);
    auto* files = new QFormLayout;
    auto* folder = new QLineEdit(texts.folder, this);
    folder->setReadOnly(true);
    auto* name = new QLineEdit(texts.fileName, this);
    name->setReadOnly(true);
    files->addRow(tr("Folder"), folder);
    files->addRow(tr("File name"), name);
    layout->addLayout(files);
    auto* group = new QGroupBox(this);
    auto* form = new QFormLayout(group);
    m_voyage = new QLineEdit(texts.voyageId, group);
    m_voyage->setObjectName(QStringLiteral("VoyageId"));
    m_voyage->setMaxLength(kMostCharacters);
    m_officer = new QLineEdit(texts.watchOfficer, group);
    m_officer->setObjectName(QStringLiteral("WatchOfficer"));
    m_officer->setMaxLength(kMostCharacters);
    auto* voyageLabel = new QLabel(tr("&Voyage ID"), group);
    voyageLabel->setBuddy(m_voyage);
    auto* officerLabel = new QLabel(tr("&Watch Officer"), group);
    officerLabel->setBuddy(m_officer);
    form->addRow(voyageLabel, m_voyage);
    form->addRow(officerLabel, m_officer);
    for (QWidget* w : {static_cast<QWidget*>(m_voyage), static_cast<QWidget*>(m_officer),
                       static_cast<QWidget*>(voyageLabel), static_cast<QWidget*>(officerLabel)})
        w->setEnabled(texts.start);
    layout->addWidget(group);
    auto* prompt = new QLabel(
        texts.start ? tr("Create new voyage.  Autoscroll and Logging will be turned ON.")
                    : tr("End Voyage.  Pressing OK will end this voyage and turn OFF Logging "
                         "and Autoscroll."),
        this);
    prompt->setObjectName(QStringLiteral("VoyagePrompt"));
    prompt->setWordWrap(true);
    QFont bold = prompt->font();
    bold.setBold(true);
    prompt->setFont(bold);
    layout->addWidget(prompt);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    if (texts.start)
        m_voyage->setFocus();
}

void CVoyageDlg::accept()
{
    for (const auto& [edit, what] :
         {std::pair{m_voyage, "voyage ID"}, std::pair{m_officer, "watch officer"}}) {
        const std::string why = WhyTheLogCannotHold(edit->text().toStdString(), what);
        if (!why.empty()) {
            QMessageBox::warning(this, windowTitle(), QString::fromStdString(why));
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }
    QDialog::accept();
}

QString CVoyageDlg::VoyageId() const
{
    return m_voyage->text();
}

QString CVoyageDlg::WatchOfficer() const
{
    return m_officer->text();
}

}   // namespace navigator

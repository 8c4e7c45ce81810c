#include "app/ui/Disclaimers.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/InfoDialogs.h"

namespace app {

CBVDisclaimerDlg::CBVDisclaimerDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("StartupDisclaimer");
    setWindowTitle("DISCLAIMER");
    auto* row = new QHBoxLayout(this);
    row->addWidget(ProgramPicture(this), 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout;
    row->addLayout(layout, 1);
    auto* intro = new QLabel("BRINEVANE is designed to ease and speed up navigation calculations. "
                             "It is not designed to replace "
                             "official printed charts, which must be carried and kept up to date "
                             "as the regulations require.",
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* liability = new QPlainTextEdit(LiabilityText(), this);
    liability->setObjectName("LiabilityText");
    liability->setReadOnly(true);
    liability->setMinimumHeight(90);
    layout->addWidget(liability);
    auto* ok = new QPushButton("I have read and accept these conditions", this);
    ok->setObjectName("AcceptButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    resize(520, 300);
}

QString CBVDisclaimerDlg::LiabilityText()
{
    return "Quorwick Ltd will not accept responsibility or liability either to the program user,"
           " any other third party or their estate for any accident, loss, injury or damage "
           "whatsoever"
           " arising out of the use of BRINEVANE otherwise than in respect of death or personal "
           "injury"
           " caused by the negligence of Quorwick Ltd its employees agents or sub-contractors.";
}

CDisclaimerDlg::CDisclaimerDlg(QWidget* parent)
    : QDialog(parent), m_edit(new QPlainTextEdit(this)), m_static(new QLabel(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    m_static->setWordWrap(true);
    m_edit->setReadOnly(true);
    layout->addWidget(m_static);
    layout->addWidget(m_edit);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("I agre&e", QDialogButtonBox::AcceptRole);
    buttons->addButton("I do &not agree", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CDisclaimerDlg::Open()
{
    FillTexts();
    m_edit->setPlainText(m_editText);
    m_static->setText(m_staticText);
    show();
}

void CDisclaimerDlg::accept()
{
    QDialog::accept();
}

void CDisclaimerDlg::reject()
{
    if (m_accepted)
        *m_accepted = false;
    QDialog::reject();
}

}   // namespace app

#include "nmea/ui/NetworkOptionsPage.h"

#include <QFileDialog>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

namespace nmea {

CNetworkOptionsDlg::CNetworkOptionsDlg(std::unique_ptr<nmea::CNetworkOptionsModel> model,
                                       const QString& ownAddress, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    auto* folderBox = new QGroupBox(tr("Server folder"), this);
    m_folder = new QLineEdit(folderBox);
    m_folder->setObjectName("folder");
    auto* folderLabel = new QLabel(tr("&Folder"), folderBox);
    folderLabel->setBuddy(m_folder);
    auto* browse = new QPushButton(tr("&Browse..."), folderBox);
    browse->setObjectName("browse");
    connect(browse, &QPushButton::clicked, this, &CNetworkOptionsDlg::BrowseFolder);
    auto* folderRow = new QHBoxLayout(folderBox);
    folderRow->addWidget(folderLabel);
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(browse);

    m_hostName = new QLineEdit(this);
    m_hostName->setObjectName("hostName");
    m_hostName->setReadOnly(true);
    // The address this station is known by on the station network: shown,
    // never edited here.
    m_address = new QLineEdit(ownAddress, this);
    m_address->setObjectName("address");
    m_address->setReadOnly(true);
    m_address->setEnabled(false);
    m_port = new QLineEdit(this);
    m_port->setObjectName("port");
    m_port->setMaximumWidth(80);
    // A number field: digits only; the range is checked as the field is left.
    m_port->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_port));
    m_port->installEventFilter(this);

    auto* form = new QFormLayout;
    form->addRow(tr("Host &Name"), m_hostName);
    form->addRow(tr("IP Address"), m_address);
    form->addRow(tr("&TCP Port"), m_port);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folderBox);
    layout->addLayout(form);
    layout->addStretch(1);
}

bool CNetworkOptionsDlg::eventFilter(QObject* watched, QEvent* event)
{
    // A window left for another keeps its field as typed; OK checks it then.
    if (watched == m_port && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason) {
        bool ok = false;
        const long long port = m_port->text().trimmed().toLongLong(&ok);
        if (!ok || port < 1024 || port > 65535) {
            // Back into the field once the focus has gone where it was going.
            QTimer::singleShot(0, m_port, [edit = m_port] {
                edit->setFocus(Qt::OtherFocusReason);
                edit->selectAll();
            });
        }
    }
    return app::CXPropertyPage::eventFilter(watched, event);
}

nmea::CNetworkOptionsModel& CNetworkOptionsDlg::M() const
{
    return static_cast<nmea::CNetworkOptionsModel&>(Model());
}

void CNetworkOptionsDlg::BrowseFolder()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, tr("Select server folder"), m_folder->text());
    if (!chosen.isEmpty())
        m_folder->setText(chosen);
}

std::optional<app::CFieldError> CNetworkOptionsDlg::ControlsToModel()
{
    nmea::CNetworkOptions& v = M().Values();
    v.folder = m_folder->text().toStdString();
    bool ok = false;
    const long long port = m_port->text().trimmed().toLongLong(&ok);
    if (!ok)
        return app::CFieldError{"port", "The TCP port is a whole number from 1024 to 65535"};
    v.tcpPort = port;
    return std::nullopt;
}

void CNetworkOptionsDlg::ModelToControls()
{
    const nmea::CNetworkOptions& v = M().Values();
    m_folder->setText(QString::fromStdString(v.folder));
    m_hostName->setText(QString::fromStdString(v.hostName));
    m_port->setText(QString::number(v.tcpPort));
}

}   // namespace nmea

#include "nmea/ui/NetworkOptionsPage.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace nmea {

CNetworkOptionsDlg::CNetworkOptionsDlg(std::unique_ptr<nmea::CNetworkOptionsModel> model,
                                       const std::vector<nmea::Ipv4>& addresses,
                                       const QString& automaticAddress, QWidget* parent)
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
    m_address = new QComboBox(this);
    m_address->setObjectName("address");
    m_address->setEditable(true);
    m_address->setInsertPolicy(QComboBox::NoInsert);
    m_address->addItem(QString());   // automatic
    for (const nmea::Ipv4& a : addresses)
        m_address->addItem(QString::fromStdString(nmea::Ipv4Text(a)));
    m_address->lineEdit()->setPlaceholderText(tr("Automatic (%1)").arg(automaticAddress));
    m_port = new QLineEdit(this);
    m_port->setObjectName("port");
    m_port->setMaximumWidth(80);
    m_port->installEventFilter(this);

    auto* form = new QFormLayout;
    form->addRow(tr("&Host name"), m_hostName);
    form->addRow(tr("IP &address"), m_address);
    form->addRow(tr("TCP po&rt"), m_port);

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
    v.address = m_address->currentText().trimmed().toStdString();
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
    m_address->setCurrentText(QString::fromStdString(v.address));
    m_port->setText(QString::number(v.tcpPort));
}

}   // namespace nmea

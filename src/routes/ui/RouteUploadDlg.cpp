#include "routes/ui/RouteUploadDlg.h"

#include "app/ComboEntries.h"
#include "app/WaitStatus.h"
#include "app/ui/ComboBoxCopy.h"
#include "routes/RouteModule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace routes {

CRouteUploadDlg::CRouteUploadDlg(routes::CRouteModule& module, app::CComboEntries& routes,
                                 TransmitterSource transmitter, QWidget* parent)
    : QDialog(parent), m_module(module), m_transmitter(std::move(transmitter)),
      m_routeAtOpening(module.RouteOrdinal()), m_routeList(routes)
{
    setObjectName("RouteUpload");
    setWindowTitle(QStringLiteral("Upload Route to Navigator"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    m_routes = new QComboBox(this);
    m_routes->setObjectName("routes");
    // Lists of a table's records are bold, as on the toolbars.
    QFont bold = m_routes->font();
    bold.setBold(true);
    m_routes->setFont(bold);
    // "&Report" has Alt+R: the list keeps no mnemonic of its own.
    form->addRow(QStringLiteral("Available Routes"), m_routes);
    layout->addLayout(form);

    auto* routeBox = new QGroupBox(QStringLiteral("Route Identifier"), this);
    auto* routeRow = new QHBoxLayout(routeBox);
    m_byName = new QRadioButton(QStringLiteral("&Name"), routeBox);
    m_byNumber = new QRadioButton(QStringLiteral("N&umber starting at"), routeBox);
    m_routeNumber = new QLineEdit(QStringLiteral("0"), routeBox);
    m_routeNumber->setObjectName("routeNumber");
    m_routeNumber->setValidator(new QIntValidator(0, 999999, m_routeNumber));
    m_byName->setChecked(true);
    m_routeNumber->setEnabled(false);
    routeRow->addWidget(m_byName);
    routeRow->addWidget(m_byNumber);
    routeRow->addWidget(m_routeNumber);
    layout->addWidget(routeBox);

    auto* pointBox = new QGroupBox(QStringLiteral("Waypoint Identifiers"), this);
    auto* pointRow = new QHBoxLayout(pointBox);
    m_numbered = new QCheckBox(QStringLiteral("Number &starting at"), pointBox);
    m_numbered->setObjectName("numbered");
    m_firstNumber = new QLineEdit(QStringLiteral("1"), pointBox);
    m_firstNumber->setObjectName("firstNumber");
    m_firstNumber->setValidator(new QIntValidator(0, 999999, m_firstNumber));
    m_firstNumber->setEnabled(false);
    m_name = new QCheckBox(QStringLiteral("Na&me"), pointBox);
    m_name->setObjectName("name");
    m_name->setChecked(true);
    m_id = new QCheckBox(QStringLiteral("&ID"), pointBox);
    m_id->setObjectName("id");
    for (QWidget* w : std::initializer_list<QWidget*>{m_numbered, m_firstNumber, m_name, m_id})
        pointRow->addWidget(w);
    layout->addWidget(pointBox);

    m_checksum = new QCheckBox(QStringLiteral("C&hecksum"), this);
    m_checksum->setObjectName("checksum");
    layout->addWidget(m_checksum);
    m_progress = new QLabel(this);
    m_progress->setObjectName("progress");
    layout->addWidget(m_progress);

    auto* buttons = new QDialogButtonBox(this);
    m_upload = buttons->addButton(QStringLiteral("&Upload"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    m_report = buttons->addButton(QStringLiteral("&Report"), QDialogButtonBox::ActionRole);
    m_report->setObjectName("report");
    m_report->setEnabled(false);
    connect(m_report, &QPushButton::clicked, this, [this] {
        if (m_openList)
            m_openList();
        // The list opens among the charts; the keyboard stays here.
        activateWindow();
        m_report->setFocus();
        UpdateReportButton();
    });
    layout->addWidget(buttons);

    connect(m_byName, &QRadioButton::toggled, this,
            [this](bool on) { m_routeNumber->setEnabled(!on); });
    connect(m_byNumber, &QRadioButton::clicked, this, [this] { m_routeNumber->setFocus(); });
    connect(m_numbered, &QCheckBox::clicked, this, [this] { OnWaypointBox(m_numbered); });
    connect(m_name, &QCheckBox::clicked, this, [this] { OnWaypointBox(m_name); });
    connect(m_id, &QCheckBox::clicked, this, [this] { OnWaypointBox(m_id); });
    // A choice the module refuses (the route held) shows the route in use again.
    connect(m_routes, &QComboBox::activated, this, [this](int index) {
        const app::CWaitStatus wait;
        if (index < 0 || !m_module.SelectRoute(index + 1))
            m_routes->setCurrentIndex(m_module.RouteOrdinal() - 1);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Upload(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &CRouteUploadDlg::reject);
    m_timer = new QTimer(this);
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] { ShowProgress(); });
    // The list may be closed at any time: Report follows.
    auto* follow = new QTimer(this);
    follow->setInterval(250);
    connect(follow, &QTimer::timeout, this, [this] {
        UpdateReportButton();
        UpdateRouteChoice();
    });
    follow->start();
    UpdateRouteChoice();
    m_routesCopy = std::make_unique<app::CComboBoxCopy>(m_routes);
    m_routeList.AddCopy(m_routesCopy.get());
}

CRouteUploadDlg::~CRouteUploadDlg()
{
    m_routeList.RemoveCopy(m_routesCopy.get());
}

void CRouteUploadDlg::SetWaypointList(std::function<void()> open, std::function<bool()> isOpen)
{
    m_openList = std::move(open);
    m_isListOpen = std::move(isOpen);
    UpdateReportButton();
}

void CRouteUploadDlg::UpdateReportButton()
{
    m_report->setEnabled(m_openList && !(m_isListOpen && m_isListOpen()));
}

void CRouteUploadDlg::UpdateRouteChoice()
{
    // While the route is held (monitored, steered or being uploaded) no
    // other route can be chosen: the list is grey, as the toolbar's.
    m_routes->setEnabled(m_module.IsFree());
}

void CRouteUploadDlg::OnWaypointBox(QCheckBox* clicked)
{
    if (!m_numbered->isChecked() && !m_name->isChecked() && !m_id->isChecked())
        clicked->setChecked(true);
    if (clicked == m_name && m_name->isChecked())
        m_id->setChecked(false);
    if (clicked == m_id && m_id->isChecked())
        m_name->setChecked(false);
    m_firstNumber->setEnabled(m_numbered->isChecked());
}

bool CRouteUploadDlg::Upload()
{
    routes::CUploadChoice choice;
    choice.routeMode = m_byNumber->isChecked() ? 2 : 1;
    choice.routeNumber = m_routeNumber->text().toInt();
    choice.firstWaypointNumber = m_firstNumber->text().toInt();
    choice.checksum = m_checksum->isChecked();
    if (!m_numbered->isChecked())
        choice.waypointMode = m_name->isChecked() ? 1 : 0;
    else
        choice.waypointMode = m_id->isChecked() ? 4 : (m_name->isChecked() ? 3 : 2);
    routes::CRouteTransmitter* tx = m_transmitter ? m_transmitter() : nullptr;
    if (!tx || !m_module.StartUpload(choice, *tx)) {
        if (!tx)
            m_progress->setText(QStringLiteral("No GPS device: nothing was sent."));
        return false;
    }
    m_upload->setEnabled(false);
    ShowProgress();
    m_timer->start();
    return true;
}

void CRouteUploadDlg::ShowProgress()
{
    m_progress->setText(QString::fromStdString(m_module.UploadProgress()));
    if (!m_module.IsUploading()) {
        m_timer->stop();
        m_upload->setEnabled(true);
        // Sent whole: the dialog closes and the uploaded route stays current.
        // A failure keeps it open with the progress saying where it stopped.
        if (m_module.LastUploadSent())
            accept();
    }
}

void CRouteUploadDlg::reject()
{
    // Another route chosen here is put back.
    if (m_module.RouteOrdinal() != m_routeAtOpening && m_routeAtOpening > 0)
        m_module.SelectRoute(m_routeAtOpening);
    QDialog::reject();
}

}   // namespace routes

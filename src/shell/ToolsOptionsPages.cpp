#include "shell/ToolsOptionsPages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/ui/EditColorsDlg.h"

namespace shell {

namespace {

const char* const kWorkspaceItems[] = {
    "Reload documents when opening workspace",
    "Reload last workspace at startup",
    "Auto Save workspace",
    "Confirm exit",
};

}   // namespace

CApplicationOptionsDlg::CApplicationOptionsDlg(std::unique_ptr<app::CWorkspaceOptionsModel> model,
                                               QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    auto* paletteBox = new QGroupBox(tr("Palette"), this);
    m_palette = new QButtonGroup(this);
    auto* paletteLayout = new QHBoxLayout(paletteBox);
    const char* names[] = {"Da&y", "Dus&k", "Nig&ht"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(tr(names[i]), paletteBox);
        radio->setObjectName(i == 0 ? "palette" : QString("palette%1").arg(i));
        m_palette->addButton(radio, i);
        paletteLayout->addWidget(radio);
    }
    // After the three palettes: Edit, Default, then Apply to desktop, in Tab order too.
    m_edit = new QPushButton(tr("&Edit"), paletteBox);
    m_edit->setObjectName("editColours");
    m_default = new QPushButton(tr("Defaul&t"), paletteBox);
    m_default->setObjectName("defaultColours");
    m_applyToDesktop = new QCheckBox(tr("&Apply to desktop"), paletteBox);
    m_applyToDesktop->setObjectName("applyToDesktop");
    paletteLayout->addWidget(m_edit);
    paletteLayout->addWidget(m_default);
    paletteLayout->addWidget(m_applyToDesktop);
    connect(m_edit, &QPushButton::clicked, this, [this] {
        // The editor works on a copy; the page keeps what it returns on OK.
        app::CEditColorsDlg editor(M().Values().palettes, M().Values().palette, this);
        if (editor.exec() == QDialog::Accepted)
            M().Values().palettes = editor.Palettes();
    });
    connect(m_default, &QPushButton::clicked, this, [this] { M().RestoreDefaultColours(); });
    connect(m_palette, &QButtonGroup::idClicked, this, [this](int id) {
        M().Values().palette = id;
        UpdateControls();
    });

    m_decimalPlaces = new QLineEdit(this);
    m_decimalPlaces->setObjectName("decimalPlaces");
    m_decimalPlaces->setMaximumWidth(60);
    m_decimalPlaces->installEventFilter(this);
    auto* places = new QLabel(tr("Decimal places"), this);
    places->setBuddy(m_decimalPlaces);
    // The spin arrows beside the number; the keyboard has Up and Down in the field.
    auto* placesBox = new QHBoxLayout;
    placesBox->setSpacing(0);
    placesBox->addWidget(m_decimalPlaces);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    for (const bool up : {true, false}) {
        auto* arrow = new QToolButton(this);
        arrow->setObjectName(up ? "decimalPlacesUp" : "decimalPlacesDown");
        arrow->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
        arrow->setFixedSize(16, 11);
        connect(arrow, &QToolButton::clicked, this, [this, up] { StepDecimalPlaces(up ? 1 : -1); });
        arrows->addWidget(arrow);
    }
    placesBox->addLayout(arrows);
    placesBox->addStretch(1);

    auto* formatBox = new QGroupBox(tr("Position Format"), this);
    m_format = new QButtonGroup(this);
    auto* formatLayout = new QVBoxLayout(formatBox);
    auto* dms = new QRadioButton(tr("Degrees\u00B0 Mins' Secs.Secs"), formatBox);
    auto* dm = new QRadioButton(tr("Degrees\u00B0 Mins.Mins'"), formatBox);
    dms->setObjectName("degMinSec");
    m_format->addButton(dm, 0);
    m_format->addButton(dms, 1);
    formatLayout->addWidget(dms);
    formatLayout->addWidget(dm);

    m_sidePanel = new QCheckBox(tr("Display side panel"), this);
    m_sidePanel->setObjectName("displaySidePanel");
    m_sidePanelSide = new QComboBox(this);
    m_sidePanelSide->setObjectName("sidePanelAlignment");
    m_sidePanelSide->addItems({tr("Aligned Left"), tr("Aligned Right")});
    m_statusBar = new QCheckBox(tr("Display status bar"), this);
    m_statusBar->setObjectName("displayStatusBar");

    m_workspace = new QListWidget(this);
    m_workspace->setObjectName("workspaceList");
    for (const char* item : kWorkspaceItems) {
        auto* entry = new QListWidgetItem(tr(item), m_workspace);
        entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    }

    auto* form = new QGridLayout(this);
    form->addWidget(paletteBox, 0, 0, 1, 2);
    form->addWidget(places, 1, 0);
    form->addLayout(placesBox, 1, 1);
    form->addWidget(formatBox, 2, 0, 1, 2);
    // The alignment list sits beside the side panel's box, as it applies to that panel.
    form->addWidget(m_sidePanel, 3, 0);
    form->addWidget(m_sidePanelSide, 3, 1);
    form->addWidget(m_statusBar, 4, 0);
    form->addWidget(m_workspace, 5, 0, 1, 2);
}

app::CWorkspaceOptionsModel& CApplicationOptionsDlg::M() const
{
    return static_cast<app::CWorkspaceOptionsModel&>(Model());
}

bool CApplicationOptionsDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Up and Down step the decimal places within their range, as a spin box would.
    if (watched == m_decimalPlaces && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepDecimalPlaces(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return app::CXPropertyPage::eventFilter(watched, event);
}

void CApplicationOptionsDlg::StepDecimalPlaces(int by)
{
    bool ok = false;
    int v = m_decimalPlaces->text().trimmed().toInt(&ok);
    v = ok ? v + by : M().Values().decimalPlaces;
    m_decimalPlaces->setText(QString::number(std::clamp(v, 0, app::kMaxDecimalPlaces)));
}

std::optional<app::CFieldError> CApplicationOptionsDlg::ControlsToModel()
{
    app::CWorkspaceOptions& v = M().Values();
    bool ok = false;
    // Digits only: the number is read locale-free.
    const QString places = m_decimalPlaces->text().trimmed();
    const long long n = places.toLongLong(&ok);
    if (!ok || places.isEmpty())
        return app::CFieldError{"decimalPlaces", "Decimal places must be a whole number"};
    v.decimalPlaces = static_cast<int>(std::clamp<long long>(n, -1, 1000));
    v.palette = std::max(0, m_palette->checkedId());
    v.applyToDesktop = m_applyToDesktop->isChecked();
    v.degMinSec = m_format->checkedId() == 1;
    v.showSidePanel = m_sidePanel->isChecked();
    v.sidePanelRight = m_sidePanelSide->currentIndex() == 1;
    v.showStatusBar = m_statusBar->isChecked();
    bool* flags[] = {&v.reloadDocs, &v.reloadWorkspace, &v.autoSaveWorkspace, &v.confirmExit};
    for (int i = 0; i < 4; ++i)
        *flags[i] = m_workspace->item(i)->checkState() == Qt::Checked;
    return std::nullopt;
}

void CApplicationOptionsDlg::ModelToControls()
{
    const app::CWorkspaceOptions& v = M().Values();
    if (QAbstractButton* b = m_palette->button(v.palette))
        b->setChecked(true);
    m_applyToDesktop->setChecked(v.applyToDesktop);
    m_decimalPlaces->setText(QString::number(v.decimalPlaces));
    m_format->button(v.degMinSec ? 1 : 0)->setChecked(true);
    m_sidePanel->setChecked(v.showSidePanel);
    m_sidePanelSide->setCurrentIndex(v.sidePanelRight ? 1 : 0);
    m_statusBar->setChecked(v.showStatusBar);
    const bool flags[] = {v.reloadDocs, v.reloadWorkspace, v.autoSaveWorkspace, v.confirmExit};
    for (int i = 0; i < 4; ++i)
        m_workspace->item(i)->setCheckState(flags[i] ? Qt::Checked : Qt::Unchecked);
}

void CApplicationOptionsDlg::UpdateControls()
{
    m_applyToDesktop->setEnabled(M().PaletteEditable());
    m_edit->setEnabled(M().PaletteEditable());
    m_default->setEnabled(M().PaletteEditable());
}

CSystemOptionsDlg::CSystemOptionsDlg(std::unique_ptr<app::CSystemOptionsModel> model,
                                     QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    m_audio = new QCheckBox(tr("Audio alerts"), this);
    m_audio->setObjectName("audioAlerts");
    m_autoConfigure = new QCheckBox(tr("Auto configure ports (requires restart)"), this);
    m_autoConfigure->setObjectName("autoConfigurePorts");

    auto* boost = new QGroupBox(tr("Priority boost (requires restart)"), this);
    m_priority = new QSlider(Qt::Horizontal, boost);
    m_priority->setObjectName("priorityBoost");
    m_priority->setRange(0, 2);
    m_priority->setPageStep(1);
    m_priority->setTickPosition(QSlider::TicksBelow);
    auto* boostLayout = new QHBoxLayout(boost);
    boostLayout->addWidget(new QLabel(tr("None"), boost));
    boostLayout->addWidget(m_priority, 1);
    boostLayout->addWidget(new QLabel(tr("Full"), boost));

    // Each COM port stands for a device path: the stable names of the
    // adapters present are offered, any other path may be typed.
    QStringList offered;
    for (const QString& dir : {QString("/dev/serial/by-id"), QString("/dev")}) {
        const QStringList filters =
            dir == "/dev" ? QStringList{"ttyS*", "ttyUSB*", "ttyACM*"} : QStringList{"*"};
        for (const QFileInfo& f :
             QDir(dir).entryInfoList(filters, QDir::System | QDir::Files, QDir::Name))
            offered << f.absoluteFilePath();
    }
    auto* portsBox = new QGroupBox(tr("Serial ports"), this);
    auto* portsLayout = new QGridLayout(portsBox);
    for (int i = 0; i < app::kSerialPortCount; ++i) {
        auto* combo = new QComboBox(portsBox);
        combo->setEditable(true);
        combo->setObjectName(QString::fromStdString(app::CSystemOptionsModel::PortField(i)));
        combo->addItem(QString());
        combo->addItems(offered);
        combo->setMinimumContentsLength(24);
        // Every port one key away: the digits for COM1 to COM10 (0 for COM10),
        // then letters that no other control of the page uses.
        const QString text = i < 9     ? QString("COM&%1").arg(i + 1)
                             : i == 9  ? QString("COM1&0")
                             : i == 10 ? QString("CO&M11")
                                       : QString("COM12 (&Z)");
        auto* label = new QLabel(text, portsBox);
        label->setBuddy(combo);
        portsLayout->addWidget(label, i % 6, (i / 6) * 2);
        portsLayout->addWidget(combo, i % 6, (i / 6) * 2 + 1);
        m_ports.push_back(combo);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_audio);
    layout->addWidget(m_autoConfigure);
    layout->addWidget(boost);
    layout->addWidget(portsBox);
    layout->addStretch(1);
}

app::CSystemOptionsModel& CSystemOptionsDlg::M() const
{
    return static_cast<app::CSystemOptionsModel&>(Model());
}

std::optional<app::CFieldError> CSystemOptionsDlg::ControlsToModel()
{
    app::CSystemOptions& v = M().Values();
    v.audioAlerts = m_audio->isChecked();
    v.autoConfigurePorts = m_autoConfigure->isChecked();
    v.priorityBoost = m_priority->value();
    for (int i = 0; i < app::kSerialPortCount; ++i)
        v.portPaths[static_cast<std::size_t>(i)] =
            m_ports[static_cast<std::size_t>(i)]->currentText().trimmed().toStdString();
    return std::nullopt;
}

void CSystemOptionsDlg::ModelToControls()
{
    const app::CSystemOptions& v = M().Values();
    m_audio->setChecked(v.audioAlerts);
    m_autoConfigure->setChecked(v.autoConfigurePorts);
    m_priority->setValue(v.priorityBoost);
    for (int i = 0; i < app::kSerialPortCount; ++i)
        m_ports[static_cast<std::size_t>(i)]->setCurrentText(
            QString::fromStdString(v.portPaths[static_cast<std::size_t>(i)]));
}

void CSystemOptionsDlg::UpdateControls()
{
    m_audio->setEnabled(M().AudioEnabled());
    m_autoConfigure->setEnabled(M().AutoConfigureEnabled());
}

}   // namespace shell

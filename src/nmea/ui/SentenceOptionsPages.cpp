#include "nmea/ui/SentenceOptionsPages.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ui/OpenSaveDlgs.h"
#include "app/ui/SpinEdit.h"
#include "nmea/Port.h"
#include "nmea/ui/InstrumentOptionsPages.h"

namespace nmea {

namespace {

Qt::CheckState ToQt(nmea::GroupCheck state)
{
    switch (state) {
    case nmea::GroupCheck::Checked: return Qt::Checked;
    case nmea::GroupCheck::Mixed: return Qt::PartiallyChecked;
    default: return Qt::Unchecked;
    }
}

}   // namespace

CNavigatorWindOptions::CNavigatorWindOptions(std::unique_ptr<nmea::CWindOptionsModel> model,
                                             const nmea::CPortDirectory* ports, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    auto* portsBox = new QGroupBox(tr("Communications port"), this);
    m_receive = new CPortCombo(ports, portsBox);
    m_receive->setObjectName("windReceivePort");
    auto* portsForm = new QFormLayout(portsBox);
    portsForm->addRow(tr("&Receive"), m_receive);

    m_validTime = new app::CSpinEdit("windValidTime", this);
    m_validTime->SetSpin(StepValidSeconds);
    auto* validLabel = new QLabel(tr("&Valid Sentence Time"), this);
    validLabel->setBuddy(m_validTime);
    auto* row = new QHBoxLayout;
    row->addWidget(validLabel);
    row->addWidget(m_validTime);
    row->addWidget(new QLabel(tr("Secs"), this));
    row->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(portsBox);
    layout->addLayout(row);
    layout->addStretch(1);
}

nmea::CWindOptionsModel& CNavigatorWindOptions::M() const
{
    return static_cast<nmea::CWindOptionsModel&>(Model());
}

std::optional<app::CFieldError> CNavigatorWindOptions::ControlsToModel()
{
    M().Values().receivePort = m_receive->SelectedPort();
    bool ok = false;
    const int valid = m_validTime->text().trimmed().toInt(&ok);
    if (!ok)
        return app::CFieldError{"windValidTime",
                                "Valid sentence time must be a whole number of seconds"};
    M().Values().validSentenceSeconds = valid;
    return std::nullopt;
}

void CNavigatorWindOptions::ModelToControls()
{
    m_receive->SelectPort(M().Values().receivePort);
    m_validTime->setText(QString::number(M().Values().validSentenceSeconds));
}

CNMEASentenceOptions::CNMEASentenceOptions(std::unique_ptr<nmea::CNMEAOptionsModel> model,
                                           const nmea::CPortDirectory* ports, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    auto* repeater = new QGroupBox(tr("Repeater"), this);
    m_receive = new QListWidget(repeater);
    m_receive->setObjectName("repeaterReceive");
    m_receive->setMaximumHeight(90);
    m_transmit = new CPortCombo(ports, repeater);
    m_transmit->setObjectName("repeaterTransmit");
    auto* repeaterForm = new QFormLayout(repeater);
    repeaterForm->addRow(tr("R&eceive"), m_receive);
    repeaterForm->addRow(tr("&Transmit"), m_transmit);

    auto* simulation = new QGroupBox(tr("Simulation"), this);
    m_file = new QLineEdit(simulation);
    m_file->setObjectName("replayFile");
    auto* browse = new QPushButton(tr("&Browse..."), simulation);
    m_process = new QCheckBox(tr("&Process"), simulation);
    m_process->setObjectName("process");
    auto* simRow = new QHBoxLayout(simulation);
    simRow->addWidget(m_file, 1);
    simRow->addWidget(browse);
    simRow->addWidget(m_process);
    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
    // While a name is typed its every prefix names no file: "Process" only
    // greys meanwhile. The name as left (Enter, the field left, OK) clears it
    // when no such file is there.
    connect(m_file, &QLineEdit::textEdited, this, [this](const QString& text) {
        M().Values().replayFile = text.toStdString();
        UpdateControls();
    });
    connect(m_file, &QLineEdit::editingFinished, this, [this] {
        M().SetReplayFile(m_file->text().trimmed().toStdString());
        m_process->setChecked(M().Values().process);
        UpdateControls();
    });
    connect(m_process, &QCheckBox::clicked, this, [this](bool on) {
        M().Values().process = on;
        UpdateControls();
    });

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("sentences");
    m_tree->setHeaderHidden(true);
    auto* treeLabel = new QLabel(tr("Select/Deselect &NMEA sentences for Brinevane usage"), this);
    treeLabel->setBuddy(m_tree);
    connect(m_tree, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int) { ItemChanged(item); });

    m_ignore = new QCheckBox(tr("&Ignore warning flags"), this);
    m_ignore->setObjectName("ignoreWarnings");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(repeater);
    layout->addWidget(simulation);
    layout->addWidget(treeLabel);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_ignore);
}

nmea::CNMEAOptionsModel& CNMEASentenceOptions::M() const
{
    return static_cast<nmea::CNMEAOptionsModel&>(Model());
}

void CNMEASentenceOptions::Browse()
{
    const QFileInfo current(m_file->text());
    const QString folder = current.absolutePath().isEmpty() || m_file->text().isEmpty()
                               ? QDir::homePath()
                               : current.absolutePath();
    app::COpenFileDlg open(tr("Simulation file"), folder, tr("Text Files (*.txt)"),
                           current.completeBaseName(), this);
    if (open.exec() != QDialog::Accepted)
        return;
    const QString file = QString::fromStdString(open.GetPathName().string());
    m_file->setText(file);
    M().SetReplayFile(file.toStdString());
    UpdateControls();
}

void CNMEASentenceOptions::FillTree()
{
    m_filling = true;
    m_tree->clear();
    const auto& groups = M().Values().groups;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        auto* root = new QTreeWidgetItem(m_tree, {QString::fromStdString(groups[g].title)});
        root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        root->setCheckState(0, ToQt(nmea::GroupState(groups[g])));
        root->setData(0, Qt::UserRole, static_cast<int>(g));
        root->setData(0, Qt::UserRole + 1, -1);
        for (std::size_t e = 0; e < groups[g].entries.size(); ++e) {
            const auto& entry = groups[g].entries[e];
            auto* item = new QTreeWidgetItem(
                root, {QString::fromStdString(entry.id + " - " + entry.description)});
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(0, entry.enabled ? Qt::Checked : Qt::Unchecked);
            item->setData(0, Qt::UserRole, static_cast<int>(g));
            item->setData(0, Qt::UserRole + 1, static_cast<int>(e));
        }
        root->setExpanded(true);
    }
    m_filling = false;
}

void CNMEASentenceOptions::ItemChanged(QTreeWidgetItem* item)
{
    if (m_filling)
        return;
    const auto g = static_cast<std::size_t>(item->data(0, Qt::UserRole).toInt());
    const int e = item->data(0, Qt::UserRole + 1).toInt();
    auto& groups = M().Values().groups;
    if (g >= groups.size())
        return;
    // The click changed one tick; the model's rules say what the rest become.
    if (e < 0)
        nmea::FlipGroup(groups[g]);
    else
        groups[g].entries[static_cast<std::size_t>(e)].enabled = item->checkState(0) == Qt::Checked;
    m_filling = true;
    QTreeWidgetItem* root = e < 0 ? item : item->parent();
    root->setCheckState(0, ToQt(nmea::GroupState(groups[g])));
    for (int i = 0; i < root->childCount(); ++i)
        root->child(i)->setCheckState(0, groups[g].entries[static_cast<std::size_t>(i)].enabled
                                             ? Qt::Checked
                                             : Qt::Unchecked);
    m_filling = false;
}

std::optional<app::CFieldError> CNMEASentenceOptions::ControlsToModel()
{
    nmea::CNMEAOptions& v = M().Values();
    for (int i = 0; i < m_receive->count() && i < static_cast<int>(v.repeaterReceive.size()); ++i)
        v.repeaterReceive[static_cast<std::size_t>(i)].ticked =
            m_receive->item(i)->checkState() == Qt::Checked;
    v.repeaterTransmit = m_transmit->SelectedPort();
    v.ignoreWarnings = m_ignore->isChecked();
    v.process = m_process->isChecked();
    M().SetReplayFile(m_file->text().trimmed().toStdString());
    return std::nullopt;
}

void CNMEASentenceOptions::ModelToControls()
{
    const nmea::CNMEAOptions& v = M().Values();
    m_receive->clear();
    for (const auto& port : v.repeaterReceive) {
        auto* item = new QListWidgetItem(QString::fromStdString(nmea::CPort::PortName(port.number)),
                                         m_receive);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(port.ticked ? Qt::Checked : Qt::Unchecked);
    }
    m_transmit->SelectPort(v.repeaterTransmit);
    m_file->setText(QString::fromStdString(v.replayFile));
    m_process->setChecked(v.process);
    m_ignore->setChecked(v.ignoreWarnings);
    FillTree();
}

void CNMEASentenceOptions::UpdateControls()
{
    m_process->setEnabled(M().ProcessEnabled());
    m_receive->setEnabled(m_receive->count() > 0);
    m_transmit->setEnabled(m_transmit->count() > 0);
}

}   // namespace nmea

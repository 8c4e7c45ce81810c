#include "targets/ui/TenderOptionsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTime>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ui/SpinEdit.h"
#include "chart/ui/OptionPageControls.h"
#include "geo/ui/PositionCtrl.h"
#include "nmea/ui/InstrumentOptionsPages.h"
#include "targets/ARPAOptionsModel.h"
#include "targets/TenderRows.h"
#include "targets/ui/OptionControls.h"
#include "targets/ui/TargetColourWells.h"
#include "targets/ui/TargetPropertiesFields.h"

namespace targets {

namespace {

// The list offers the widths a target's track line keeps when its
// properties are stored and read back.
constexpr int kLineWidths = chart::CLineProperties::kMaximumWidth;

QLineEdit* Edit(const char* name, int maxLength, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

// Serial numbers: digits only, four at most.
class CSerialDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setObjectName("serialEditor");
            line->setMaxLength(4);
            line->setValidator(
                new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), line));
        }
        return editor;
    }
};

}   // namespace

CTransceiverList::CTransceiverList(QWidget* parent)
    : QTreeView(parent), m_rows(new QStandardItemModel(0, 3, this))
{
    setObjectName("transceivers");
    m_rows->setHorizontalHeaderLabels({tr("Channel"), tr("Name"), tr("Serial Number")});
    setModel(m_rows);
    setRootIsDecorated(false);
    setItemDelegateForColumn(kSerial, new CSerialDelegate(this));
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->resizeSection(kChannel, 70);
    header()->resizeSection(kName, 140);
    header()->resizeSection(kSerial, 80);
    // The three columns whole, without scrolling sideways.
    setMinimumSize(320, 240);
}

void CTransceiverList::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && state() != QAbstractItemView::EditingState) {
        const int row = current.row();
        switch (event->key()) {
        case Qt::Key_Space:
            if (QStandardItem* item = m_rows->item(row, kChannel)) {
                item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked
                                                                      : Qt::Checked);
                return;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            setCurrentIndex(m_rows->index(row, kName));
            edit(m_rows->index(row, kName));
            return;
        case Qt::Key_Insert:
            setCurrentIndex(m_rows->index(row, kSerial));
            edit(m_rows->index(row, kSerial));
            return;
        default: break;
        }
    }
    QTreeView::keyPressEvent(event);
}

CTenderOptionsPage::CTenderOptionsPage(std::unique_ptr<CTenderOptionsModel> model,
                                       const nmea::CPortDirectory* ports, FormatSource format,
                                       QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent), m_format(std::move(format)),
      m_formatWatch(new QTimer(this))
{
    setObjectName("tenderOptions");
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("tenderCards");
    tabs->addTab(MakeGeneralCard(), tr("General"));
    tabs->addTab(MakeTargetCard(), tr("Target"));
    tabs->addTab(MakeConfigurationCard(ports), tr("Configuration"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    // The configuration card lists the tenders ticked on the General card as they are now.
    connect(tabs, &QTabWidget::currentChanged, this, [this, tabs](int index) {
        if (tabs->widget(index)->objectName() == "tenderConfiguration") {
            TakeSimulation();
            FillTenderCombo();
            UpdateControls();
        }
    });
}

CTenderOptionsModel& CTenderOptionsPage::M() const
{
    return static_cast<CTenderOptionsModel&>(Model());
}

QWidget* CTenderOptionsPage::MakeGeneralCard()
{
    auto* card = new QWidget(this);
    card->setObjectName("tenderGeneral");
    auto* form = new QFormLayout(card);
    m_lineWidth = new QComboBox(card);
    m_lineWidth->setObjectName("lineWidth");
    m_lineWidth->setIconSize(QSize(60, 12));
    for (int w = 1; w <= kLineWidths; ++w)
        m_lineWidth->addItem(chart::LineWidthIcon(w), QString::number(w));
    form->addRow(tr("&Line Width:"), m_lineWidth);
    m_overlaySize = new QComboBox(card);
    m_overlaySize->setObjectName("overlaySize");
    m_overlaySize->addItems({tr("Small"), tr("Medium"), tr("Large")});
    form->addRow(tr("&Overlay Size:"), m_overlaySize);
    m_dangerous = MakeSpanEdit("dangerousInterval", "H:mm", card);
    form->addRow(tr("Tender considered &dangerous (Hrs:Mins):"), m_dangerous);
    m_circles = MakeCheck(tr("Tender &Circles"), "warningCircles", card);
    form->addRow(m_circles);
    m_radius = MakeSteppedEdit("radius", &StepTenderCircleRadius, 2, card);
    m_radiusLabel = new QLabel(tr("&Radius (nm):"), card);
    m_radiusLabel->setObjectName("radiusLabel");
    m_radiusLabel->setBuddy(m_radius);
    form->addRow(m_radiusLabel, m_radius);
    m_transceivers = new CTransceiverList(card);
    form->addRow(tr("Tender Description:"), m_transceivers);
    connect(m_circles, &QCheckBox::toggled, this, [this] { UpdateControls(); });
    return card;
}

QWidget* CTenderOptionsPage::MakeTargetCard()
{
    auto* card = new QWidget(this);
    card->setObjectName("tenderTarget");
    auto* columns = new QHBoxLayout(card);
    auto* form = new QFormLayout();
    columns->addLayout(form);
    m_wells = new CTargetColourWells(M().Values().properties, true, card);
    auto* right = new QVBoxLayout();
    right->addWidget(m_wells);
    right->addStretch(1);
    columns->addLayout(right);
    // "Save Targets" is shown, never offered: nothing saves tenders as targets.
    m_fields = new CTargetPropertiesFields(
        card, {.tender = true, .markerSize = true, .saveText = "&Save Targets"});
    m_fields->SetSaveEnabled(false);
    form->addRow(m_fields);
    connect(m_fields, &CTargetPropertiesFields::Toggled, this, [this] {
        ControlsToModel();
        UpdateControls();
    });
    connect(m_fields, &CTargetPropertiesFields::DefaultClicked, this, [this] {
        ControlsToModel();
        M().DefaultProperties();
        ModelToControls();
        UpdateControls();
    });
    connect(m_wells, &CTargetColourWells::ColourChanged, this, [this] { UpdateControls(); });
    connect(m_fields, &CTargetPropertiesFields::ClearPanicClicked, this, [this] {
        M().Values().clearPanic = true;
        UpdateControls();
    });
    return card;
}

QWidget* CTenderOptionsPage::MakeConfigurationCard(const nmea::CPortDirectory* ports)
{
    auto* card = new QWidget(this);
    card->setObjectName("tenderConfiguration");
    auto* form = new QFormLayout(card);
    m_port = new nmea::CPortCombo(ports, card);
    m_port->setObjectName("receivePort");
    form->addRow(tr("Communications &port (Receive/Transmit):"), m_port);
    m_validTime = MakeCountEdit("validTime", 1, 60, 2, card);
    form->addRow(tr("&Valid Sentence Time (Secs):"), m_validTime);
    m_channelDuration = MakeCountEdit("channelDuration", 1, 30, 2, card);
    form->addRow(tr("C&hannel Duration (Secs):"), m_channelDuration);
    m_tender = new QComboBox(card);
    m_tender->setObjectName("tender");
    form->addRow(tr("&Tender:"), m_tender);
    auto* flags = new QHBoxLayout();
    m_simulate = MakeCheck(tr("&Simulation"), "simulate", card);
    m_useChart = MakeCheck(tr("&Use Chart"), "useChart", card);
    m_panic = MakeCheck(tr("Set '&Panic Button'"), "panic", card);
    flags->addWidget(m_simulate);
    flags->addWidget(m_useChart);
    flags->addWidget(m_panic);
    form->addRow(flags);
    m_cog = Edit("cog", 3, card);
    form->addRow(tr("COG:"), m_cog);
    m_sog = Edit("sog", 4, card);
    form->addRow(tr("SOG:"), m_sog);
    m_depthEdit = Edit("depth", 3, card);
    form->addRow(tr("Depth (M):"), m_depthEdit);
    m_position = new geo::CPositionCtrl(card);
    m_position->setObjectName("position");
    ApplyPositionFormat();
    form->addRow(tr("P&osition:"), m_position);
    // Nothing says when the program's position format changes: looked at while shown.
    m_formatWatch->setInterval(500);
    connect(m_formatWatch, &QTimer::timeout, this, [this] { ApplyPositionFormat(); });
    connect(m_tender, &QComboBox::activated, this, [this] {
        TakeSimulation();
        ShowSimulation();
        UpdateControls();
    });
    for (QCheckBox* box : {m_simulate, m_useChart, m_panic})
        connect(box, &QCheckBox::toggled, this, [this] {
            TakeSimulation();
            UpdateControls();
        });
    // COG is shown again as a three-digit bearing once taken.
    connect(m_cog, &QLineEdit::editingFinished, this, [this] {
        TakeSimulation();
        ShowSimulation();
    });
    return card;
}

void CTenderOptionsPage::ApplyPositionFormat()
{
    const geo::CPositionFormat format = m_format ? m_format() : geo::CPositionFormat{};
    if (m_applied && m_applied->decimalPlaces == format.decimalPlaces &&
        m_applied->degMinSec == format.degMinSec)
        return;
    // The position shown is kept through the change of format.
    const auto shown = m_applied ? m_position->GetPosition() : std::nullopt;
    m_position->SetFormat(
        QString::fromStdString(geo::EntryFormatOf(format.decimalPlaces, format.degMinSec)));
    if (shown)
        m_position->SetPosition(*shown);
    m_applied = format;
}

void CTenderOptionsPage::showEvent(QShowEvent* event)
{
    app::CXPropertyPage::showEvent(event);
    ApplyPositionFormat();
    m_formatWatch->start();
}

void CTenderOptionsPage::hideEvent(QHideEvent* event)
{
    m_formatWatch->stop();
    app::CXPropertyPage::hideEvent(event);
}

int CTenderOptionsPage::ShownChannel() const
{
    return m_tender->currentIndex() >= 0 ? m_tender->currentData().toInt() : -1;
}

void CTenderOptionsPage::FillTenderCombo()
{
    const QSignalBlocker block(m_tender);
    m_tender->clear();
    QStandardItemModel& rows = m_transceivers->Rows();
    for (int i = 0; i < kTenderChannels && i < rows.rowCount(); ++i)
        if (rows.item(i, CTransceiverList::kChannel)->checkState() == Qt::Checked)
            m_tender->addItem(rows.item(i, CTransceiverList::kName)->text(), i);
    if (m_tender->count() > 0)
        m_tender->setCurrentIndex(0);
    ShowSimulation();
}

void CTenderOptionsPage::ShowSimulation()
{
    m_shown = ShownChannel();
    const QSignalBlocker b1(m_simulate), b2(m_useChart), b3(m_panic);
    if (m_shown < 0) {
        m_simulate->setChecked(false);
        m_useChart->setChecked(false);
        m_panic->setChecked(false);
        m_cog->setText("000");
        m_sog->setText("0");
        m_depthEdit->setText("0");
        return;
    }
    const CTenderSimulationRow& row = M().Values().simulation[std::size_t(m_shown)];
    m_simulate->setChecked(row.simulate);
    m_useChart->setChecked(row.useChart);
    m_panic->setChecked(row.panic);
    m_cog->setText(QString::fromStdString(BearingText(row.course)));
    m_sog->setText(FixedText(row.speed, 0));
    m_depthEdit->setText(FixedText(row.depth, 0));
    geo::CEntryPosition shown;
    shown.latitude = row.position.latitude;
    shown.longitude = row.position.longitude;
    m_position->SetPosition(shown);
}

std::optional<app::CFieldError> CTenderOptionsPage::TakeSimulation()
{
    if (m_shown < 0 || m_shown >= kTenderChannels)
        return std::nullopt;
    CTenderSimulationRow& row = M().Values().simulation[std::size_t(m_shown)];
    row.simulate = m_simulate->isChecked();
    row.useChart = m_useChart->isChecked();
    row.panic = m_panic->isChecked();
    if (const auto p = m_position->GetPosition())
        row.position = CTargetPosition{p->latitude, p->longitude};
    const auto cog = NumberIn(m_cog);
    if (!cog)
        return app::CFieldError{"cog", "COG must be a number."};
    row.course = *cog;
    const auto sog = NumberIn(m_sog);
    if (!sog)
        return app::CFieldError{"sog", "SOG must be a number."};
    row.speed = *sog;
    const auto depth = NumberIn(m_depthEdit);
    if (!depth)
        return app::CFieldError{"depth", "Depth must be a number."};
    row.depth = *depth;
    return std::nullopt;
}

void CTenderOptionsPage::ModelToControls()
{
    const CTenderOptions& v = M().Values();
    const CTenderSettings& s = v.settings;
    const chart::CTargetProperties& p = v.properties;
    m_lineWidth->setCurrentIndex(std::clamp(int(p.Line().GetWidth()) - 1, 0, kLineWidths - 1));
    m_overlaySize->setCurrentIndex(std::clamp(s.overlaySize, 0, 2));
    m_dangerous->setTime(TimeOfSpan(s.dangerousInterval));
    m_circles->setChecked(s.warningCircles);
    m_radius->setText(FixedText(s.warningCirclesRadius, 2));
    QStandardItemModel& rows = m_transceivers->Rows();
    rows.setRowCount(0);
    for (int i = 0; i < kTenderChannels; ++i) {
        const CTenderChannel& c = s.channels[std::size_t(i)];
        auto* letter = new QStandardItem(QString::fromStdString(ChannelLetter(i)));
        letter->setCheckable(true);
        letter->setEditable(false);
        letter->setCheckState(c.valid ? Qt::Checked : Qt::Unchecked);
        rows.appendRow({letter, new QStandardItem(QString::fromStdString(c.name)),
                        new QStandardItem(QString::fromStdString(c.serial))});
    }
    m_fields->Load(p);
    m_port->SelectPort(s.receivePort);
    m_validTime->setText(QString::number(s.refreshSeconds));
    m_channelDuration->setText(QString::number(s.channelDuration.count()));
    FillTenderCombo();
}

std::optional<app::CFieldError> CTenderOptionsPage::ControlsToModel()
{
    CTenderOptions& v = M().Values();
    CTenderSettings& s = v.settings;
    chart::CTargetProperties& p = v.properties;
    p.Line().SetWidth(static_cast<std::uint8_t>(m_lineWidth->currentIndex() + 1));
    s.overlaySize = m_overlaySize->currentIndex();
    s.dangerousInterval = SpanOfTime(m_dangerous->time());
    s.warningCircles = m_circles->isChecked();
    const QStandardItemModel& rows = m_transceivers->Rows();
    for (int i = 0; i < kTenderChannels && i < rows.rowCount(); ++i) {
        CTenderChannel& c = s.channels[std::size_t(i)];
        c.valid = rows.item(i, CTransceiverList::kChannel)->checkState() == Qt::Checked;
        c.name = rows.item(i, CTransceiverList::kName)->text().trimmed().toStdString();
        c.serial = rows.item(i, CTransceiverList::kSerial)->text().trimmed().toStdString();
    }
    if (auto refused = m_fields->Store(p))
        return refused;
    s.receivePort = m_port->SelectedPort();
    bool ok = false;
    const int valid = m_validTime->text().trimmed().toInt(&ok);
    if (!ok)
        return app::CFieldError{"validTime", "Valid Sentence Time must be a whole number."};
    s.refreshSeconds = valid;
    const int duration = m_channelDuration->text().trimmed().toInt(&ok);
    if (!ok)
        return app::CFieldError{"channelDuration", "Channel Duration must be a whole number."};
    s.channelDuration = std::chrono::seconds(duration);
    const auto radius = NumberIn(m_radius);
    if (!radius)
        return app::CFieldError{"radius", "Radius must be a number."};
    s.warningCirclesRadius = *radius;
    return TakeSimulation();
}

void CTenderOptionsPage::UpdateControls()
{
    m_radius->setEnabled(m_circles->isChecked());
    m_radiusLabel->setEnabled(m_circles->isChecked());
    m_wells->Refresh();
    m_fields->SetClearPanicEnabled(M().ClearPanicEnabled());
    m_fields->UpdateEnables(M().PropertiesDiffer());
    const bool chosen = m_shown >= 0;
    const bool simulated = chosen && m_simulate->isChecked();
    m_simulate->setEnabled(chosen);
    for (QWidget* w : {static_cast<QWidget*>(m_useChart), static_cast<QWidget*>(m_panic),
                       static_cast<QWidget*>(m_cog), static_cast<QWidget*>(m_sog),
                       static_cast<QWidget*>(m_depthEdit)})
        w->setEnabled(simulated);
    m_position->setEnabled(simulated && !m_useChart->isChecked());
}

}   // namespace targets

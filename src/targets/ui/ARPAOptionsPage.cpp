#include "targets/ui/ARPAOptionsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ui/SpinEdit.h"
#include "chart/ui/OptionPageControls.h"
#include "nmea/ui/InstrumentOptionsPages.h"
#include "targets/ui/OptionControls.h"
#include "targets/ui/TargetColourWells.h"

namespace targets {

CARPAOptionsPage::CARPAOptionsPage(std::unique_ptr<CARPAOptionsModel> model,
                                   const nmea::CPortDirectory* ports, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("arpaOptions");
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("arpaCards");
    tabs->addTab(MakeGeneralCard(), tr("General"));
    tabs->addTab(MakeTargetCard(), tr("Target"));
    tabs->addTab(MakeDisplayCard(), tr("Display"));
    // Shown, the Display card marks the targets MaxTargets as typed now lets draw.
    connect(tabs, &QTabWidget::currentChanged, this, [this, tabs](int index) {
        if (tabs->widget(index) != m_order->parentWidget())
            return;
        bool ok = false;
        const int max = m_maxTargets->text().trimmed().toInt(&ok);
        if (ok)
            M().Values().pass.maxTargets = max;
        FillDisplayList(m_order->currentIndex().row());
    });
    tabs->addTab(MakeConfigurationCard(ports), tr("Configuration"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    // Targets that come, go or change while the page is open show at once.
    M().SetOrderChanged([this] { FillDisplayList(m_order->currentIndex().row()); });
}

CARPAOptionsModel& CARPAOptionsPage::M() const
{
    return static_cast<CARPAOptionsModel&>(Model());
}

QWidget* CARPAOptionsPage::MakeGeneralCard()
{
    auto* card = new QWidget(this);
    auto* form = new QFormLayout(card);
    m_maxTargets = MakeCountEdit("maxTargets", 1, 100, 3, card);
    // A labelled edit with its unit behind it; the label's key reaches the edit.
    const auto unitRow = [form, card](const QString& label, QWidget* edit, const QString& unit) {
        auto* name = new QLabel(label, card);
        name->setBuddy(edit);
        form->addRow(name, WithUnit(edit, unit, ""));
    };
    unitRow(tr("&Maximum targets"), m_maxTargets, tr("visible"));
    m_lineWidth = new QComboBox(card);
    m_lineWidth->setObjectName("lineWidth");
    m_lineWidth->setIconSize(QSize(60, 12));
    for (int w = 1; w <= chart::CLineProperties::kMaximumWidth; ++w)
        m_lineWidth->addItem(chart::LineWidthIcon(w), QString::number(w));
    form->addRow(tr("&Line Width:"), m_lineWidth);
    m_autoDelete = MakeCheck(tr("&Delete 'lost' targets automatically"), "autoDelete", card);
    form->addRow(m_autoDelete);
    m_autoDeleteLimit = MakeSpanEdit("autoDeleteLimit", "H:mm", card);
    form->addRow(tr("Maximum &time out limit (Hrs:Mins):"), m_autoDeleteLimit);
    m_dangerous = MakeSpanEdit("dangerousInterval", "H:mm", card);
    form->addRow(tr("Target considered dan&gerous (Hrs:Mins):"), m_dangerous);
    m_circles = MakeCheck(tr("Target &warning circles"), "warningCircles", card);
    form->addRow(m_circles);
    m_radius = MakeSteppedEdit("radius", &StepWarningRadius, 2, card);
    unitRow(tr("&Radius"), m_radius, tr("nm"));
    m_overlaySize = new QComboBox(card);
    m_overlaySize->setObjectName("overlaySize");
    m_overlaySize->addItems({tr("Small"), tr("Medium"), tr("Large")});
    form->addRow(tr("&Overlay Size:"), m_overlaySize);
    return card;
}

QWidget* CARPAOptionsPage::MakeTargetCard()
{
    auto* card = new QWidget(this);
    card->setObjectName("arpaTarget");
    auto* columns = new QHBoxLayout(card);
    m_target = new CTargetPropertiesFields(card, CTargetFieldsLayout{.tender = false,
                                                                     .markerSize = true,
                                                                     .saveText = "&Save Targets",
                                                                     .nestedSwitches = false});
    columns->addWidget(m_target);
    // The five colours of the palette in use, written into the page's copy.
    m_wells = new CTargetColourWells(M().Values().properties, false, card);
    auto* right = new QVBoxLayout();
    right->addWidget(m_wells);
    right->addStretch(1);
    columns->addLayout(right);
    connect(m_wells, &CTargetColourWells::ColourChanged, this, [this] { UpdateControls(); });
    connect(m_target, &CTargetPropertiesFields::Toggled, this, [this] {
        ControlsToModel();
        UpdateControls();
    });
    connect(m_target, &CTargetPropertiesFields::DefaultClicked, this, [this] {
        M().DefaultProperties();
        ModelToControls();
        UpdateControls();
    });
    return card;
}

QWidget* CARPAOptionsPage::MakeDisplayCard()
{
    auto* card = new QWidget(this);
    auto* layout = new QVBoxLayout(card);
    m_order = new QTreeWidget(card);
    m_order->setObjectName("displayOrder");
    m_order->setRootIsDecorated(false);
    m_order->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_order->setHeaderLabels({tr("Display Order"), tr("Number"), tr("Name"), tr("Status")});
    layout->addWidget(m_order);
    auto* row = new QHBoxLayout();
    m_up = new QPushButton(tr("&UP"), card);
    m_up->setObjectName("up");
    m_down = new QPushButton(tr("DO&WN"), card);
    m_down->setObjectName("down");
    row->addWidget(m_up);
    row->addWidget(m_down);
    row->addStretch(1);
    layout->addLayout(row);
    connect(m_up, &QPushButton::clicked, this, [this] { MoveDisplayRow(true); });
    connect(m_down, &QPushButton::clicked, this, [this] { MoveDisplayRow(false); });
    connect(m_order, &QTreeWidget::currentItemChanged, this, [this] { UpdateControls(); });
    return card;
}

void CARPAOptionsPage::FillDisplayList(int select)
{
    const CARPAModuleOptions& v = M().Values();
    // The selected target stays selected when rows come and go around it.
    const QTreeWidgetItem* current = m_order->currentItem();
    const auto* chosen =
        current ? static_cast<const CTargetRecord*>(current->data(1, Qt::UserRole).value<void*>())
                : nullptr;
    for (std::size_t i = 0; chosen != nullptr && i < v.displayOrder.size(); ++i)
        if (v.displayOrder[i].get() == chosen)
            select = int(i);
    m_order->clear();
    const QIcon drawn = style()->standardIcon(QStyle::SP_DialogApplyButton);
    for (std::size_t i = 0; i < v.displayOrder.size(); ++i) {
        const CTargetRecord& record = *v.displayOrder[i];
        auto* item = new QTreeWidgetItem(m_order);
        item->setText(0, QString::number(i + 1));
        item->setText(1, QString::number(record.Number()));
        item->setText(2, QString::fromStdString(record.Name()));
        item->setText(3, QString::fromStdString(M().StatusWordOf(record)));
        // The targets drawn: the first MaxTargets of the order.
        if (int(i) < v.pass.maxTargets)
            item->setIcon(0, drawn);
        item->setData(0, Qt::UserRole, int(i) < v.pass.maxTargets);
        item->setData(1, Qt::UserRole,
                      QVariant::fromValue(static_cast<void*>(const_cast<CTargetRecord*>(&record))));
    }
    // Each column as wide as its heading and 20 pixels.
    const QFontMetrics metrics(m_order->header()->font());
    for (int c = 0; c < m_order->columnCount(); ++c)
        m_order->setColumnWidth(c, metrics.horizontalAdvance(m_order->headerItem()->text(c)) + 20);
    // A row is always selected while there are rows, so UP and DOWN work from the keyboard.
    if (m_order->topLevelItemCount() > 0)
        m_order->setCurrentItem(
            m_order->topLevelItem(std::clamp(select, 0, m_order->topLevelItemCount() - 1)));
    UpdateControls();
}

void CARPAOptionsPage::MoveDisplayRow(bool up)
{
    const int row = m_order->currentIndex().row();
    if (M().MoveDisplayRow(row, up))
        FillDisplayList(up ? row - 1 : row + 1);
}

QWidget* CARPAOptionsPage::MakeConfigurationCard(const nmea::CPortDirectory* ports)
{
    auto* card = new QWidget(this);
    auto* form = new QFormLayout(card);
    auto* group = new QGroupBox(tr("Communications port"), card);
    group->setObjectName("communicationsPort");
    auto* port = new QFormLayout(group);
    m_receive = new nmea::CPortCombo(ports, group);
    m_receive->setObjectName("receivePort");
    auto* receive = new QLabel(tr("&Receive"), group);
    receive->setObjectName("receiveLabel");
    receive->setBuddy(m_receive);
    // Offered only while there is a port to choose.
    receive->setEnabled(m_receive->count() > 0);
    port->addRow(receive, m_receive);
    form->addRow(group);
    m_validTime = MakeCountEdit("validTime", 1, 60, 2, card);
    auto* seconds = new QHBoxLayout();
    seconds->addWidget(m_validTime);
    seconds->addWidget(new QLabel(tr("Secs"), card));
    auto* validLabel = new QLabel(tr("&Valid Sentence Time"), card);
    validLabel->setBuddy(m_validTime);
    form->addRow(validLabel, seconds);
    return card;
}

void CARPAOptionsPage::ModelToControls()
{
    const CARPAModuleOptions& v = M().Values();
    m_maxTargets->setText(QString::number(v.pass.maxTargets));
    m_autoDelete->setChecked(v.pass.autoDelete);
    m_autoDeleteLimit->setTime(TimeOfSpan(v.pass.autoDeleteTimeLimit));
    m_dangerous->setTime(TimeOfSpan(v.pass.targetDangerousInterval));
    m_circles->setChecked(v.pass.warningCircles);
    m_radius->setText(FixedText(v.pass.warningCircleRadiusNm, 2));
    m_overlaySize->setCurrentIndex(std::clamp(v.overlaySize, 0, 2));
    m_lineWidth->setCurrentIndex(
        std::clamp(int(v.properties.Line().GetWidth()) - 1, 0, m_lineWidth->count() - 1));
    m_target->Load(v.properties);
    FillDisplayList(m_order->currentIndex().row());
    m_receive->SelectPort(v.receivePort);
    m_validTime->setText(QString::number(v.refreshSeconds));
}

std::optional<app::CFieldError> CARPAOptionsPage::ControlsToModel()
{
    CARPAModuleOptions& v = M().Values();
    // The switches and spans are stored whatever else is wrong; a bad distance
    // is reported after the fields above it on the cards.
    const auto targetError = m_target->Store(v.properties);
    v.pass.autoDelete = m_autoDelete->isChecked();
    v.pass.autoDeleteTimeLimit = SpanOfTime(m_autoDeleteLimit->time());
    v.pass.targetDangerousInterval = SpanOfTime(m_dangerous->time());
    v.pass.warningCircles = m_circles->isChecked();
    v.overlaySize = m_overlaySize->currentIndex();
    v.properties.Line().SetWidth(std::uint8_t(m_lineWidth->currentIndex() + 1));
    v.receivePort = m_receive->SelectedPort();
    bool ok = false;
    const int maxTargets = m_maxTargets->text().trimmed().toInt(&ok);
    if (!ok)
        return app::CFieldError{"maxTargets", "Maximum targets must be a whole number."};
    v.pass.maxTargets = maxTargets;
    const int valid = m_validTime->text().trimmed().toInt(&ok);
    if (!ok)
        return app::CFieldError{"validTime", "Valid Sentence Time must be a whole number."};
    v.refreshSeconds = static_cast<std::uint8_t>(std::clamp(valid, 0, 255));
    if (valid < 1 || valid > 60)
        v.refreshSeconds = 0;   // refused by the range check
    const auto radius = NumberIn(m_radius);
    if (!radius)
        return app::CFieldError{"radius", "Radius must be a number."};
    v.pass.warningCircleRadiusNm = *radius;
    return targetError;
}

void CARPAOptionsPage::UpdateControls()
{
    m_target->UpdateEnables(M().PropertiesDiffer());
    m_wells->Refresh();
    const int row = m_order->currentIndex().row();
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < m_order->topLevelItemCount());
}

}   // namespace targets

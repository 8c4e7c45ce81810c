#include "chartpoints/ui/ChartpointOptionsPage.h"

#include "chart/ui/OptionPageControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace chartpoints {

CChartpointGeneralOptions::CChartpointGeneralOptions(
    std::unique_ptr<chartpoints::CChartpointOptionsModel> model, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("ChartpointGeneralOptions");
    auto* display = new QGroupBox(tr("Chartpoints"), this);
    auto* grid = new QGridLayout(display);
    m_overlays = chart::MakeCheck(tr("&Overlays"), "overlays", display);
    m_symbolWell = chart::MakeWell("symbolColour", tr("Chartpoint colour"), display);
    m_textLabel = new QLabel(tr("&Text"), display);
    m_textWell = chart::MakeWell("textColour", tr("Label text colour"), display);
    m_textLabel->setBuddy(m_textWell);
    m_id = chart::MakeCheck(tr("&ID"), "drawId", display);
    m_name = chart::MakeCheck(tr("&Name"), "drawName", display);
    m_sizeLabel = new QLabel(tr("Overlay &Size"), display);
    m_size = new QComboBox(display);
    m_size->setObjectName("overlaySize");
    m_size->addItems({tr("Small"), tr("Medium"), tr("Large")});
    m_sizeLabel->setBuddy(m_size);
    grid->addWidget(m_overlays, 0, 0);
    grid->addWidget(m_symbolWell, 0, 1);
    grid->addWidget(m_textLabel, 1, 0);
    grid->addWidget(m_textWell, 1, 1);
    grid->addWidget(m_id, 2, 0);
    grid->addWidget(m_name, 2, 1);
    grid->addWidget(m_sizeLabel, 3, 0);
    grid->addWidget(m_size, 3, 1);
    grid->setColumnStretch(2, 1);

    auto* folders = new QGroupBox(tr("Folders"), this);
    auto* form = new QFormLayout(folders);
    m_dataFolder = chart::MakeFolderRow(form, tr("&Database folder"), "databaseFolder",
                                        tr("Select Chartpoint database folder"), this);
    m_attachmentsFolder = chart::MakeFolderRow(form, tr("Attac&hments folder"), "attachmentsFolder",
                                               tr("Select Chartpoint attachments folder"), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(display);
    layout->addWidget(folders);
    layout->addStretch(1);

    connect(m_overlays, &QCheckBox::clicked, this, [this](bool on) {
        M().Values().draw = on;
        UpdateControls();
    });
    connect(m_id, &QCheckBox::clicked, this, [this](bool on) { M().Values().drawId = on; });
    connect(m_name, &QCheckBox::clicked, this, [this](bool on) { M().Values().drawName = on; });
    connect(m_symbolWell, &QPushButton::clicked, this, [this] { PickColour(true); });
    connect(m_textWell, &QPushButton::clicked, this, [this] { PickColour(false); });
    // The palette may be switched while the page is open: the wells follow.
    chart::FollowDisplayPalette(
        this, [this](int palette) { return M().FollowPalette(palette); }, [this] { ShowWells(); });
}

chartpoints::CChartpointOptionsModel& CChartpointGeneralOptions::M() const
{
    return static_cast<chartpoints::CChartpointOptionsModel&>(Model());
}

void CChartpointGeneralOptions::ShowWells()
{
    chart::PaintWell(m_symbolWell, M().Values().symbolColour);
    chart::PaintWell(m_textWell, M().Values().textColour);
}

void CChartpointGeneralOptions::PickColour(bool symbol)
{
    chart::COLORREF& colour = symbol ? M().Values().symbolColour : M().Values().textColour;
    if (chart::PickColour(this, symbol ? tr("Chartpoint colour") : tr("Label text colour"), colour))
        ShowWells();
}

std::optional<app::CFieldError> CChartpointGeneralOptions::ControlsToModel()
{
    chartpoints::CChartpointOptions& v = M().Values();
    v.draw = m_overlays->isChecked();
    v.drawId = m_id->isChecked();
    v.drawName = m_name->isChecked();
    v.sizeMode = m_size->currentIndex();
    v.dataFolder = m_dataFolder->text().trimmed().toStdString();
    v.attachmentsFolder = m_attachmentsFolder->text().trimmed().toStdString();
    return std::nullopt;
}

void CChartpointGeneralOptions::ModelToControls()
{
    const chartpoints::CChartpointOptions& v = M().Values();
    m_overlays->setChecked(v.draw);
    m_id->setChecked(v.drawId);
    m_name->setChecked(v.drawName);
    m_size->setCurrentIndex(v.sizeMode);
    m_dataFolder->setText(QString::fromStdString(v.dataFolder));
    m_attachmentsFolder->setText(QString::fromStdString(v.attachmentsFolder));
    ShowWells();
    UpdateControls();
}

void CChartpointGeneralOptions::UpdateControls()
{
    const bool on = M().DetailsEnabled();
    for (QWidget* w : std::initializer_list<QWidget*>{m_symbolWell, m_textLabel, m_textWell, m_id,
                                                      m_name, m_sizeLabel, m_size})
        w->setEnabled(on);
}

}   // namespace chartpoints

#include "navigator/ui/VesselOptionsPages.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ui/SpinEdit.h"
#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/overlays/OverlayServices.h"
#include "chart/ui/OptionPageControls.h"
#include "geo/ui/DegrEdit.h"

namespace navigator {

namespace {

QLineEdit* NumberEdit(const char* name, QWidget* parent)
{
    // A particular is a decimal number: digits, one point.
    auto* edit = new geo::CDegrEdit(geo::CDegrEdit::Kind::SignedDecimal, parent);
    edit->setObjectName(name);
    edit->setMaxLength(9);
    edit->setMaximumWidth(90);
    return edit;
}

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}
std::string S(const QLineEdit* e)
{
    return e->text().trimmed().toStdString();
}

}   // namespace

// ---- General ------------------------------------------------------------------------------

CVesselGeneralPage::CVesselGeneralPage(std::unique_ptr<CVesselGeneralModel> model, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("VesselGeneralOptions");
    auto* details = new QGroupBox(tr("Details"), this);
    auto* form = new QFormLayout(details);
    m_name = new QLineEdit(details);
    m_name->setObjectName("name");
    m_name->setMaxLength(int(kVesselNameLength));
    form->addRow(tr("&Name"), m_name);
    m_length = NumberEdit("length", details);
    form->addRow(tr("&Length (m)"), m_length);
    m_draft = NumberEdit("draft", details);
    form->addRow(tr("&Draft (m)"), m_draft);
    m_beam = NumberEdit("beam", details);
    form->addRow(tr("&Beam (m)"), m_beam);
    m_speed = NumberEdit("speed", details);
    form->addRow(tr("&Speed (knots)"), m_speed);

    auto* row = new QHBoxLayout;
    m_folder = new QLineEdit(details);
    m_folder->setObjectName("folder");
    m_folder->setMinimumWidth(260);
    auto* browse = new QPushButton(tr("..."), details);
    browse->setMaximumWidth(32);
    browse->setAccessibleName(tr("Select Vessel files folder"));
    row->addWidget(m_folder, 1);
    row->addWidget(browse);
    auto* folderLabel = new QLabel(tr("&Folder"), details);
    folderLabel->setBuddy(m_folder);
    form->addRow(folderLabel, row);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(
            this, tr("Select Vessel files folder"), m_folder->text());
        if (!chosen.isEmpty())
            m_folder->setText(chosen);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(details);
    layout->addStretch(1);
}

CVesselGeneralModel& CVesselGeneralPage::M() const
{
    return static_cast<CVesselGeneralModel&>(Model());
}

std::optional<app::CFieldError> CVesselGeneralPage::ControlsToModel()
{
    M().name = m_name->text().toStdString();
    M().length = S(m_length);
    M().draft = S(m_draft);
    M().beam = S(m_beam);
    M().speed = S(m_speed);
    M().folder = S(m_folder);
    return std::nullopt;
}

void CVesselGeneralPage::ModelToControls()
{
    m_name->setText(Q(M().name));
    m_length->setText(Q(M().length));
    m_draft->setText(Q(M().draft));
    m_beam->setText(Q(M().beam));
    m_speed->setText(Q(M().speed));
    m_folder->setText(Q(M().folder));
}

// ---- Deviation ----------------------------------------------------------------------------

CDeviationPage::CDeviationPage(std::unique_ptr<CDeviationModel> model, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("DeviationOptions");
    auto* grid = new QGridLayout;
    for (int column = 0; column < 2; ++column) {
        grid->addWidget(new QLabel(tr("Compass Heading"), this), 0, column * 2);
        grid->addWidget(new QLabel(tr("Deviation"), this), 0, column * 2 + 1);
    }
    for (int i = 0; i < kDeviationPoints; ++i) {
        const int column = i / 8, row = 1 + i % 8;
        grid->addWidget(new QLabel(QString::number(i * kDeviationStep, 'f', 1) + QChar(0xB0), this),
                        row, column * 2);
        // Degrees with one point and an optional side letter.
        auto* edit = new geo::CDegrEdit(geo::CDegrEdit::Kind::Deviation, this);
        edit->setObjectName(QString("deviation%1").arg(i));
        edit->setMaximumWidth(80);
        edit->setMaxLength(8);
        grid->addWidget(edit, row, column * 2 + 1);
        m_entries[std::size_t(i)] = edit;
    }
    grid->setColumnStretch(4, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
}

CDeviationModel& CDeviationPage::M() const
{
    return static_cast<CDeviationModel&>(Model());
}

std::optional<app::CFieldError> CDeviationPage::ControlsToModel()
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        M().entries[i] = S(m_entries[i]);
    return std::nullopt;
}

void CDeviationPage::ModelToControls()
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_entries[i]->setText(Q(M().entries[i]));
}

// ---- Overlays -----------------------------------------------------------------------------

CVesselOverlayPage::CVesselOverlayPage(std::unique_ptr<CVesselOverlayModel> model, QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent)
{
    setObjectName("VesselOverlayOptions");
    auto* grid = new QGridLayout;
    m_size = new QComboBox(this);
    m_size->setObjectName("overlaySize");
    m_size->addItems({tr("Small"), tr("Medium"), tr("Large")});
    auto* sizeLabel = new QLabel(tr("Overlay &Size"), this);
    sizeLabel->setBuddy(m_size);
    grid->addWidget(sizeLabel, 0, 0);
    grid->addWidget(m_size, 0, 1);

    auto* colours = new QGroupBox(tr("Colours"), this);
    auto* wells = new QFormLayout(colours);
    const char* names[] = {"vesselColour", "headingColour", "vectorColour"};
    const QString labels[] = {tr("&Vessel"), tr("&Heading Indicator"), tr("Speed && &Direction")};
    // The well's name, also the colour dialog's title: the label as shown, without access keys.
    const QString titles[] = {tr("Vessel"), tr("Heading Indicator"), tr("Speed & Direction")};
    for (int i = 0; i < 3; ++i) {
        auto* well = new QPushButton(colours);
        well->setObjectName(names[i]);
        well->setFixedWidth(48);
        well->setAccessibleName(titles[i]);
        wells->addRow(labels[i], well);
        connect(well, &QPushButton::clicked, this, [this, i] { PickColour(i); });
        m_wells[std::size_t(i)] = well;
    }

    m_circle = new QCheckBox(tr("Own Vessel &Circle"), this);
    m_circle->setObjectName("ownVesselCircle");
    m_radiusLabel = new QLabel(tr("&Radius"), this);
    m_radius = new app::CSpinEdit("radius", this);
    m_radius->setMinimumWidth(110);
    m_radius->setMaximumWidth(110);
    m_radiusLabel->setBuddy(m_radius);
    m_radiusUnit = new QLabel(tr("nm"), this);
    m_radius->SetSpin([this](const QString& text, bool up) {
        M().radiusText = text.toStdString();
        M().SpinRadius(up);
        return Q(M().radiusText);
    });
    connect(m_circle, &QCheckBox::clicked, this, [this](bool on) {
        M().circles = on;
        UpdateControls();
    });
    auto* circleRow = new QHBoxLayout;
    circleRow->addWidget(m_circle);
    circleRow->addWidget(m_radiusLabel);
    circleRow->addWidget(m_radius);
    circleRow->addWidget(m_radiusUnit);
    circleRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(colours);
    layout->addLayout(circleRow);
    layout->addStretch(1);

    // The palette may be switched while the page is open: the wells follow it.
    m_palette = chart::ActivePaletteIndex();
    auto* palette = new QTimer(this);
    palette->setInterval(250);
    connect(palette, &QTimer::timeout, this, [this] {
        if (chart::ActivePaletteIndex() != m_palette) {
            m_palette = chart::ActivePaletteIndex();
            ShowWells();
        }
    });
    palette->start();
}

CVesselOverlayModel& CVesselOverlayPage::M() const
{
    return static_cast<CVesselOverlayModel&>(Model());
}

void CVesselOverlayPage::ShowWells()
{
    const chart::CPointProperties* kinds[] = {&M().style.vessel, &M().style.headingMarker,
                                              &M().style.vector};
    for (std::size_t i = 0; i < m_wells.size(); ++i) {
        const chart::COLORREF c = kinds[i]->GetColours()[std::size_t(m_palette)];
        chart::PaintWell(m_wells[i], c);
    }
}

void CVesselOverlayPage::PickColour(int well)
{
    chart::CPointProperties* kinds[] = {&M().style.vessel, &M().style.headingMarker,
                                        &M().style.vector};
    chart::CPointProperties& kind = *kinds[well];
    chart::PaletteColours colours = kind.GetColours();
    const QColor chosen =
        QColorDialog::getColor(chart::ToQColor(colours[std::size_t(m_palette)]), this,
                               m_wells[std::size_t(well)]->accessibleName());
    if (!chosen.isValid())
        return;
    colours[std::size_t(m_palette)] = chart::FromQColor(chosen);
    kind.SetColours(colours);
    ShowWells();
}

std::optional<app::CFieldError> CVesselOverlayPage::ControlsToModel()
{
    M().style.vessel.SetSizeMode(m_size->currentIndex());
    M().circles = m_circle->isChecked();
    M().radiusText = m_radius->text().trimmed().toStdString();
    return std::nullopt;
}

void CVesselOverlayPage::ModelToControls()
{
    m_size->setCurrentIndex(std::clamp(M().style.vessel.GetSizeMode(), 0, 2));
    m_circle->setChecked(M().circles);
    m_radius->setText(Q(M().radiusText));
    ShowWells();
    UpdateControls();
}

void CVesselOverlayPage::UpdateControls()
{
    for (QWidget* w : {static_cast<QWidget*>(m_radiusLabel), static_cast<QWidget*>(m_radius),
                       static_cast<QWidget*>(m_radiusUnit)})
        w->setEnabled(M().RadiusEnabled());
}

}   // namespace navigator

#include "navigator/ui/GeneralNavigatorPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "app/ui/SpinEdit.h"
#include "chart/ui/OptionPageControls.h"

namespace navigator {

namespace {

QTime TimeOf(std::chrono::seconds span)
{
    return QTime(0, 0).addSecs(int(std::clamp<long long>(span.count(), 0, 24 * 3600 - 1)));
}

std::chrono::seconds SpanOf(const QTimeEdit* edit)
{
    return std::chrono::seconds(QTime(0, 0).secsTo(edit->time()));
}

QTimeEdit* SpanEdit(const char* name, const char* format, std::chrono::minutes most,
                    QWidget* parent)
{
    auto* edit = new QTimeEdit(parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(QString::fromLatin1(format));
    edit->setTimeRange(TimeOf(kSpanLeast), TimeOf(most));
    return edit;
}

}   // namespace

CGeneralNavigatorPage::CGeneralNavigatorPage(std::unique_ptr<CGeneralNavigatorOptionsModel> model,
                                             QWidget* parent)
    : app::CXPropertyPage(std::move(model), parent), m_palette(chart::ActivePaletteIndex())
{
    auto* vessel = new QGroupBox(tr("Own Vessel"), this);
    m_heading = chart::MakeCheck(tr("&Heading indicator"), "headingIndicator", vessel);
    m_headingLength = new app::CSpinEdit("headingLength", vessel);
    m_headingLength->SetSpin([this](const QString& text, bool up) {
        M().headingText = text.toStdString();
        M().SpinHeading(up);
        return QString::fromStdString(M().headingText);
    });
    m_vector = chart::MakeCheck(tr("&Speed and direction vector"), "speedVector", vessel);
    m_vectorTime = SpanEdit("vectorTime", "HH:mm", kVectorTimeMost, vessel);
    auto* vesselGrid = new QGridLayout(vessel);
    vesselGrid->addWidget(m_heading, 0, 0);
    vesselGrid->addWidget(m_headingLength, 0, 1);
    vesselGrid->addWidget(new QLabel(tr("nm"), vessel), 0, 2);
    vesselGrid->addWidget(m_vector, 1, 0);
    vesselGrid->addWidget(m_vectorTime, 1, 1);
    vesselGrid->addWidget(new QLabel(tr("Hrs:Mins"), vessel), 1, 2);
    vesselGrid->setColumnStretch(3, 1);

    auto* track = new QGroupBox(tr("Track"), this);
    m_track = chart::MakeCheck(tr("&Past track"), "pastTrack", track);
    m_width = new QComboBox(track);
    m_width->setObjectName("lineWidth");
    m_width->setIconSize(QSize(60, 12));
    for (int w = 1; w <= M().LineWidths(); ++w)
        m_width->addItem(chart::LineWidthIcon(w), QString::number(w));
    m_trackColour = chart::MakeWell("trackColour", tr("Track"), track);
    m_markers = chart::MakeCheck(tr("Position &markers"), "positionMarkers", track);
    m_markerSize = new QComboBox(track);
    m_markerSize->setObjectName("markerSize");
    m_markerSize->addItems({tr("Small"), tr("Medium"), tr("Large")});
    m_markerColour = chart::MakeWell("markerColour", tr("Position markers"), track);
    m_labels = chart::MakeCheck(tr("&Fix time and source"), "fixLabels", track);
    m_timeMarks = chart::MakeCheck(tr("&Time marks"), "timeMarks", track);
    m_markInterval = SpanEdit("markInterval", "H:mm", kMarkIntervalMost, track);
    m_limit = chart::MakeCheck(tr("&Limit to previous"), "limitTrack", track);
    m_trackLimit = SpanEdit("trackLimit", "HH:mm", kTrackLimitMost, track);
    m_textColour = chart::MakeWell("textColour", tr("Text"), track);
    auto* grid = new QGridLayout(track);
    // Spans and wells carry their own unit or colour label; the wells stand
    // in a "Colours" column.
    auto label = [track](const QString& text) { return new QLabel(text, track); };
    int row = 0;
    grid->addWidget(label(tr("Colours")), row++, 4, 1, 2);
    grid->addWidget(m_track, row, 0);
    grid->addWidget(label(tr("Line width")), row, 1);
    grid->addWidget(m_width, row, 2);
    grid->addWidget(label(tr("Track")), row, 4);
    grid->addWidget(m_trackColour, row++, 5);
    grid->addWidget(m_markers, row, 0);
    grid->addWidget(label(tr("Overlay Size")), row, 1);
    grid->addWidget(m_markerSize, row, 2);
    grid->addWidget(label(tr("Position marker colour")), row, 4);
    grid->addWidget(m_markerColour, row++, 5);
    grid->addWidget(m_labels, row++, 0);
    grid->addWidget(m_timeMarks, row, 0);
    grid->addWidget(label(tr("every")), row, 1);
    grid->addWidget(m_markInterval, row, 2);
    grid->addWidget(label(tr("Hrs:Mins")), row, 3);
    grid->addWidget(label(tr("Text colour")), row, 4);
    grid->addWidget(m_textColour, row++, 5);
    grid->addWidget(m_limit, row, 0);
    grid->addWidget(m_trackLimit, row, 2);
    grid->addWidget(label(tr("Hrs:Mins")), row, 3);
    grid->setColumnStretch(6, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(vessel);
    layout->addWidget(track);
    layout->addStretch(1);

    for (QCheckBox* box : {m_heading, m_vector, m_track, m_markers, m_labels, m_timeMarks, m_limit})
        connect(box, &QCheckBox::toggled, this, [this] {
            ControlsToModel();
            UpdateControls();
        });
    connect(m_trackColour, &QPushButton::clicked, this, [this] { Pick(GeneralColour::Track); });
    connect(m_markerColour, &QPushButton::clicked, this, [this] { Pick(GeneralColour::Marker); });
    connect(m_textColour, &QPushButton::clicked, this, [this] { Pick(GeneralColour::Text); });
    m_choose = [this](chart::COLORREF current, const QString& title) {
        return chart::PickColour(this, title, current) ? std::optional(current) : std::nullopt;
    };
    // The wells show the palette in use: a switch while the sheet is open reloads them.
    chart::FollowDisplayPalette(
        this, [this](int palette) { return palette != m_palette; },
        [this] {
            m_palette = chart::ActivePaletteIndex();
            PaintWells();
        });
}

CGeneralNavigatorOptionsModel& CGeneralNavigatorPage::M() const
{
    return static_cast<CGeneralNavigatorOptionsModel&>(Model());
}

QPushButton* CGeneralNavigatorPage::Well(GeneralColour which) const
{
    switch (which) {
    case GeneralColour::Marker: return m_markerColour;
    case GeneralColour::Text: return m_textColour;
    case GeneralColour::Track: break;
    }
    return m_trackColour;
}

void CGeneralNavigatorPage::PaintWells()
{
    for (GeneralColour which : {GeneralColour::Track, GeneralColour::Marker, GeneralColour::Text})
        chart::PaintSwatch(Well(which), M().Colour(which, m_palette));
}

void CGeneralNavigatorPage::Pick(GeneralColour which)
{
    const auto chosen =
        m_choose(M().Colour(which, m_palette), Well(which)->accessibleName() + tr(" colour"));
    if (!chosen)
        return;
    M().SetColour(which, m_palette, *chosen);
    PaintWells();
}

std::optional<app::CFieldError> CGeneralNavigatorPage::ControlsToModel()
{
    CGeneralNavigatorValues& v = M().Values();
    v.headingIndicator = m_heading->isChecked();
    M().headingText = m_headingLength->text().toStdString();
    v.speedVector = m_vector->isChecked();
    v.vectorTime = SpanOf(m_vectorTime);
    v.pastTrack = m_track->isChecked();
    v.lineWidth = m_width->currentIndex() + 1;
    v.markers = m_markers->isChecked();
    v.markerSize = m_markerSize->currentIndex();
    v.fixLabels = m_labels->isChecked();
    v.timeMarks = m_timeMarks->isChecked();
    v.markInterval = SpanOf(m_markInterval);
    v.limitTrack = m_limit->isChecked();
    v.trackLimit = SpanOf(m_trackLimit);
    return std::nullopt;
}

void CGeneralNavigatorPage::ModelToControls()
{
    const CGeneralNavigatorValues& v = M().Values();
    const QSignalBlocker b1(m_heading), b2(m_vector), b3(m_track), b4(m_markers), b5(m_labels),
        b6(m_timeMarks), b7(m_limit);
    m_heading->setChecked(v.headingIndicator);
    m_headingLength->setText(QString::fromStdString(M().headingText));
    m_vector->setChecked(v.speedVector);
    m_vectorTime->setTime(TimeOf(v.vectorTime));
    m_track->setChecked(v.pastTrack);
    m_width->setCurrentIndex(v.lineWidth - 1);
    m_markers->setChecked(v.markers);
    m_markerSize->setCurrentIndex(v.markerSize);
    m_labels->setChecked(v.fixLabels);
    m_timeMarks->setChecked(v.timeMarks);
    m_markInterval->setTime(TimeOf(v.markInterval));
    m_limit->setChecked(v.limitTrack);
    m_trackLimit->setTime(TimeOf(v.trackLimit));
    PaintWells();
}

void CGeneralNavigatorPage::UpdateControls()
{
    const CGeneralNavigatorOptionsModel& m = M();
    m_headingLength->setEnabled(m.HeadingLengthEnabled());
    m_vectorTime->setEnabled(m.VectorTimeEnabled());
    const bool track = m.TrackEnabled();
    for (QWidget* w : std::initializer_list<QWidget*>{m_width, m_markers, m_timeMarks, m_limit})
        w->setEnabled(track);
    m_markerSize->setEnabled(m.MarkerEnabled());
    m_labels->setEnabled(m.MarkerEnabled());
    m_markInterval->setEnabled(m.MarkIntervalEnabled());
    m_trackLimit->setEnabled(m.TrackLimitEnabled());
    for (GeneralColour which : {GeneralColour::Track, GeneralColour::Marker, GeneralColour::Text})
        Well(which)->setEnabled(m.ColourEnabled(which));
}

}   // namespace navigator

#include "targets/ui/TargetPropertiesFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>

#include "app/ui/SpinEdit.h"
#include "targets/ARPAOptionsModel.h"
#include "targets/ui/OptionControls.h"

namespace targets {

CTargetPropertiesFields::CTargetPropertiesFields(QWidget* parent, const CTargetFieldsLayout& layout)
    : QWidget(parent), m_tender(layout.tender), m_nested(layout.nestedSwitches)
{
    auto* form = new QFormLayout(this);
    if (layout.saveText != nullptr) {
        m_save = MakeCheck(tr(layout.saveText), "saveTargets", this);
        form->addRow(m_save);
    }
    m_overlays = MakeCheck(tr("O&verlays"), "overlays", this);
    form->addRow(m_overlays);
    auto* texts = new QHBoxLayout();
    const char* numberText = layout.numberText ? layout.numberText
                             : m_tender        ? "C&hannel"
                                               : "N&umber";
    const char* thirdText = layout.thirdText ? layout.thirdText : m_tender ? "De&pth" : "&Label";
    m_number = MakeCheck(tr(numberText), "drawNumber", this);
    m_name = MakeCheck(tr("&Name"), "drawName", this);
    m_third = MakeCheck(tr(thirdText), m_tender ? "drawDepth" : "drawLabel", this);
    texts->addWidget(m_number);
    texts->addWidget(m_name);
    texts->addWidget(m_third);
    m_textLabel = new QLabel(tr("Text:"), this);
    m_textLabel->setObjectName("textLabel");
    form->addRow(m_textLabel, texts);
    m_path = MakeCheck(tr("&Projected Path"), "projectedPath", this);
    m_pathDistance = MakeSteppedEdit("pathDistance", &StepPathDistance, 1, this);
    form->addRow(m_path, WithUnit(m_pathDistance, tr("nm"), "pathUnit", &m_pathUnit));
    m_track = MakeCheck(tr("&Track"), "track", this);
    form->addRow(m_track);
    m_markers = MakeCheck(tr("Position &markers"), "positionMarkers", this);
    if (layout.markerSize) {
        m_markerSize = new QComboBox(this);
        m_markerSize->setObjectName("markerSize");
        m_markerSize->addItems({tr("Small"), tr("Medium"), tr("Large")});
        m_markerSizeLabel = new QLabel(tr("Overlay Si&ze:"), this);
        m_markerSizeLabel->setObjectName("markerSizeLabel");
        m_markerSizeLabel->setBuddy(m_markerSize);
        form->addRow(m_markers);
        form->addRow(m_markerSizeLabel, m_markerSize);
    } else {
        form->addRow(m_markers);
    }
    m_markerEvery = MakeSpanEdit("markerEvery", "H:mm:ss", this);
    form->addRow(tr("Position marker &every (Hrs:Mins:Secs):"), m_markerEvery);
    m_limit = MakeCheck(tr("L&imit to previous"), "limitToPrevious", this);
    m_limitSpan = MakeSpanEdit("limitSpan", "H:mm", this);
    form->addRow(m_limit, WithUnit(m_limitSpan, tr("Hrs:Mins"), "limitUnit", &m_limitUnit));
    auto* buttons = new QHBoxLayout();
    m_default = new QPushButton(tr("&Default"), this);
    m_default->setObjectName("default");
    buttons->addWidget(m_default);
    if (m_tender) {
        m_clearPanic = new QPushButton(tr("&Clear Panic"), this);
        m_clearPanic->setObjectName("clearPanic");
        buttons->addWidget(m_clearPanic);
        connect(m_clearPanic, &QPushButton::clicked, this,
                &CTargetPropertiesFields::ClearPanicClicked);
    }
    buttons->addStretch();
    form->addRow(buttons);
    for (QCheckBox* box :
         {m_save, m_overlays, m_number, m_name, m_third, m_path, m_track, m_markers, m_limit})
        if (box != nullptr)
            connect(box, &QCheckBox::toggled, this, &CTargetPropertiesFields::Toggled);
    // A span goes into the copy with every change, as a switch does.
    for (QTimeEdit* span : {m_markerEvery, m_limitSpan})
        connect(span, &QTimeEdit::timeChanged, this, &CTargetPropertiesFields::Toggled);
    connect(m_default, &QPushButton::clicked, this, &CTargetPropertiesFields::DefaultClicked);
}

void CTargetPropertiesFields::Load(const chart::CTargetProperties& p)
{
    const QSignalBlocker b1(m_overlays), b2(m_number), b3(m_name), b4(m_third), b5(m_path),
        b6(m_track), b7(m_markers), b8(m_limit), b9(m_save), b10(m_markerEvery), b11(m_limitSpan);
    if (m_save != nullptr)
        m_save->setChecked(p.saveTarget);
    m_overlays->setChecked(p.GetDraw());
    m_number->setChecked(p.drawNumber);
    m_name->setChecked(p.drawName);
    m_third->setChecked(m_tender ? p.drawDepth : p.drawLabel);
    m_path->setChecked(p.drawProjectedPath);
    m_pathDistance->setText(FixedText(p.projectedPathDistance, 1));
    m_track->setChecked(p.drawTrack);
    m_markers->setChecked(p.FixMarker().GetDraw());
    if (m_markerSize != nullptr)
        m_markerSize->setCurrentIndex(std::clamp(int(p.FixMarker().GetSizeMode()), 0, 2));
    m_markerEvery->setTime(TimeOfSpan(std::chrono::seconds(p.loggingPeriod.GetTotalSeconds())));
    m_limit->setChecked(p.limitTrackDisplay);
    m_limitSpan->setTime(TimeOfSpan(std::chrono::seconds(p.trackTimeLimit.GetTotalSeconds())));
}

std::optional<app::CFieldError> CTargetPropertiesFields::Store(chart::CTargetProperties& p) const
{
    if (m_save != nullptr)
        p.saveTarget = m_save->isChecked();
    p.SetDraw(m_overlays->isChecked());
    p.drawNumber = m_number->isChecked();
    p.drawName = m_name->isChecked();
    (m_tender ? p.drawDepth : p.drawLabel) = m_third->isChecked();
    p.drawProjectedPath = m_path->isChecked();
    p.drawTrack = m_track->isChecked();
    p.FixMarker().SetDraw(m_markers->isChecked());
    if (m_markerSize != nullptr && m_markerSize->currentIndex() >= 0)
        p.FixMarker().SetSizeMode(m_markerSize->currentIndex());
    p.limitTrackDisplay = m_limit->isChecked();
    p.loggingPeriod =
        app::CDateTimeSpanEx(static_cast<long>(SpanOfTime(m_markerEvery->time()).count()));
    p.trackTimeLimit =
        app::CDateTimeSpanEx(static_cast<long>(SpanOfTime(m_limitSpan->time()).count()));
    const auto distance = NumberIn(m_pathDistance);
    if (!distance)
        return app::CFieldError{"pathDistance", "Projected path distance must be a number."};
    p.projectedPathDistance = *distance;
    return std::nullopt;
}

void CTargetPropertiesFields::UpdateEnables(bool differs)
{
    const bool overlays = m_shown && m_overlays->isChecked();
    const bool track = overlays && m_track->isChecked();
    m_overlays->setEnabled(m_shown);
    m_markerEvery->setEnabled(m_shown);
    if (m_save != nullptr)
        m_save->setEnabled(m_shown && m_saveEnabled);
    for (QWidget* w : {static_cast<QWidget*>(m_textLabel), static_cast<QWidget*>(m_number),
                       static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_third)})
        w->setEnabled(overlays);
    if (m_nested) {
        m_path->setEnabled(overlays);
        m_pathDistance->setEnabled(overlays && m_path->isChecked());
        m_track->setEnabled(overlays);
        m_markers->setEnabled(track);
        m_limit->setEnabled(track);
    } else {
        for (QWidget* w : {static_cast<QWidget*>(m_path), static_cast<QWidget*>(m_pathDistance),
                           static_cast<QWidget*>(m_track), static_cast<QWidget*>(m_markers),
                           static_cast<QWidget*>(m_limit)})
            w->setEnabled(m_shown);
    }
    m_pathUnit->setEnabled(m_pathDistance->isEnabled());
    if (m_markerSize != nullptr) {
        m_markerSize->setEnabled(track && m_markers->isChecked());
        m_markerSizeLabel->setEnabled(m_markerSize->isEnabled());
    }
    m_limitSpan->setEnabled(track && m_limit->isChecked());
    m_limitUnit->setEnabled(m_limitSpan->isEnabled());
    m_default->setEnabled(m_shown && differs);
    if (m_clearPanic != nullptr)
        m_clearPanic->setEnabled(m_shown && m_clearPanicEnabled);
}

}   // namespace targets

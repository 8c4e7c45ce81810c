#include "targets/ui/TargetColourWells.h"

#include <QColorDialog>
#include <QFormLayout>
#include <QPushButton>
#include <QTimer>

#include "chart/draw/ui/QtPainterBackend.h"
#include "chart/overlays/OverlayServices.h"
#include "chart/ui/OptionPageControls.h"

namespace targets {

CTargetColourWells::CTargetColourWells(chart::CTargetProperties& edited, bool tender,
                                       QWidget* parent)
    : QGroupBox(tr("Colours"), parent), m_edited(edited), m_tender(tender),
      m_palette(chart::ActivePaletteIndex()), m_paletteWatch(new QTimer(this))
{
    setObjectName("colours");
    auto* form = new QFormLayout(this);
    const char* names[] = {"symbolColour", "textColour", "trackColour", "markerColour",
                           "pathColour"};
    const QString labels[] = {tr("S&ymbol"), tr("Te&xt"), tr("Trac&k line"),
                              tr("Position ma&rkers"), tr("Projected pat&h")};
    for (TargetColour which : kTargetColours) {
        const auto i = std::size_t(which);
        auto* well = new QPushButton(this);
        well->setObjectName(names[i]);
        well->setAccessibleName(QString(labels[i]).remove('&'));
        well->setFixedWidth(48);
        form->addRow(labels[i], well);
        connect(well, &QPushButton::clicked, this, [this, which] { Pick(which); });
        m_wells[i] = well;
    }
    m_choose = [this](chart::COLORREF current, const QString& title) {
        const QColor c = QColorDialog::getColor(chart::ToQColor(current), this, title);
        return c.isValid() ? std::optional<chart::COLORREF>(chart::FromQColor(c)) : std::nullopt;
    };
    // Nothing says when the palette changes: looked at while the card is shown.
    m_paletteWatch->setInterval(500);
    connect(m_paletteWatch, &QTimer::timeout, this, [this] {
        if (chart::ActivePaletteIndex() != m_palette)
            Refresh();
    });
}

void CTargetColourWells::Refresh()
{
    m_palette = chart::ActivePaletteIndex();
    for (TargetColour which : kTargetColours) {
        QPushButton* well = m_wells[std::size_t(which)];
        chart::PaintSwatch(well, GetTargetColour(m_edited, which, m_palette));
        well->setEnabled(TargetColourEnabled(m_edited, which, m_tender));
    }
}

void CTargetColourWells::Pick(TargetColour which)
{
    const auto chosen = m_choose(GetTargetColour(m_edited, which, m_palette),
                                 m_wells[std::size_t(which)]->accessibleName());
    if (!chosen)
        return;
    SetTargetColour(m_edited, which, m_palette, *chosen);
    Refresh();
    emit ColourChanged();
}

void CTargetColourWells::showEvent(QShowEvent* event)
{
    QGroupBox::showEvent(event);
    Refresh();
    m_paletteWatch->start();
}

void CTargetColourWells::hideEvent(QHideEvent* event)
{
    m_paletteWatch->stop();
    QGroupBox::hideEvent(event);
}

}   // namespace targets

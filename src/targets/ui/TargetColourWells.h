#pragma once
// The five colour wells of a target card for the display palette in use:
// symbol, text, track, position markers and projected path. A click opens
// a colour chooser; the chosen colour goes into the properties the card
// edits. While the card is shown the wells follow a change of palette.

#include <QGroupBox>

#include <array>
#include <functional>
#include <optional>

#include "targets/TargetColours.h"

class QPushButton;
class QTimer;

namespace targets {

class CTargetColourWells final : public QGroupBox {
    Q_OBJECT
public:
    // `tender`: the text well hangs on the depth switch, not the label's.
    CTargetColourWells(chart::CTargetProperties& edited, bool tender, QWidget* parent = nullptr);

    // Paints the wells from the properties for the palette in use and
    // enables each by the switches it hangs on.
    void Refresh();
    int Palette() const { return m_palette; }
    QPushButton* Well(TargetColour which) const { return m_wells[std::size_t(which)]; }

    // Asks the user for a colour; a colour dialog unless replaced (tests).
    using Chooser =
        std::function<std::optional<chart::COLORREF>(chart::COLORREF current, const QString&)>;
    void SetChooser(Chooser chooser) { m_choose = std::move(chooser); }

signals:
    void ColourChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Pick(TargetColour which);

    chart::CTargetProperties& m_edited;
    bool m_tender;
    int m_palette = 0;
    std::array<QPushButton*, kTargetColours.size()> m_wells{};
    QTimer* m_paletteWatch;
    Chooser m_choose;
};

}   // namespace targets

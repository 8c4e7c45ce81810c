#pragma once
// Controls the options pages of the chart layers share: named check boxes
// and whole-number spins, colour wells, a folder edit with its browse button,
// and wells that follow the display palette while a page is open.

#include <QString>

#include <functional>

#include "chart/overlays/OverlayServices.h"

class QCheckBox;
class QFormLayout;
class QIcon;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace chart {

QCheckBox* MakeCheck(const QString& text, const char* name, QWidget* parent);
// Reads and shows digits the same in every locale.
QSpinBox* MakeWhole(const char* name, int low, int high, QWidget* parent);

// A small button filled with one colour; clicking it is the page's to connect.
QPushButton* MakeWell(const char* name, const QString& accessibleName, QWidget* parent);
// The well filled with `colour`; greyed towards the button face while disabled.
void PaintWell(QPushButton* well, COLORREF colour);
// The colour as a swatch icon on the button: greyed with the button while
// it is disabled (a style sheet's background would not be).
void PaintSwatch(QPushButton* well, COLORREF colour);
// A width combo's entry picture: a line of that width, 60 by 12 pixels.
QIcon LineWidthIcon(int width);
// The colour chooser starting at `colour`: true, with `colour` changed, when
// one was chosen.
bool PickColour(QWidget* parent, const QString& title, COLORREF& colour);

// "label [edit] [...]" added to `form`, the button choosing an existing
// folder; the edit returned.
QLineEdit* MakeFolderRow(QFormLayout* form, const QString& label, const char* name,
                         const QString& browseTitle, QWidget* parent);

// While `page` exists, `follow` is given the active display palette four
// times a second; when it answers true, `repaint` runs (the palette may be
// switched while an options sheet is open).
void FollowDisplayPalette(QWidget* page, std::function<bool(int palette)> follow,
                          std::function<void()> repaint);

}   // namespace chart

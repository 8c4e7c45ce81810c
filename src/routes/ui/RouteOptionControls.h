#pragma once
// Small makers the Route Options pages share: named check boxes and whole
// number spins, colour wells, a folder edit with its browse button, and the
// wells following the display palette while a page is open.

#include "chart/overlays/OverlayServices.h"

#include <QString>

#include <functional>

class QCheckBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace routes {

QCheckBox* MakeCheck(const QString& text, const char* name, QWidget* parent);
QSpinBox* MakeWhole(const char* name, int low, int high, QWidget* parent);

// A colour well: a flat button showing one colour.
QPushButton* MakeWell(const char* name, const QString& accessible, QWidget* parent);
void PaintWell(QPushButton* well, chart::COLORREF colour);
// The colour chooser over `colour`; true (and `colour` changed) when one was chosen.
bool PickColour(QWidget* parent, const QString& title, chart::COLORREF& colour);

// A row "label [edit] [...]" on `form`; the button browses for a folder.
QLineEdit* MakeFolderRow(QFormLayout* form, const QString& label, const char* name,
                         const QString& browseTitle, QWidget* parent);

// While `page` lives, `follow` is given the active display palette whenever
// it may have changed; it answers whether the page's wells must be repainted,
// and `repaint` then runs.
void FollowDisplayPalette(QWidget* page, std::function<bool(int palette)> follow,
                          std::function<void()> repaint);

}   // namespace routes

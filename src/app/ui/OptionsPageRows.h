#pragma once
// Controls the options pages share: colour wells showing a stored colour and a
// folder edit with its Browse button.

#include <QColor>
#include <QString>

#include "app/Colour.h"

#include <functional>

class QFormLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace app {

QColor ToQColor(COLORREF colour);
COLORREF FromQColor(const QColor& colour);

// A small button filled with a colour; clicking it is the caller's to connect.
QPushButton* ColourWell(const char* name, const QString& accessibleName, QWidget* parent);
void PaintWell(QPushButton* well, COLORREF colour);
// Asks for a new colour starting from `colour`; false, with `colour` as it
// was, when the user cancels.
bool PickColour(COLORREF& colour, const QString& title, QWidget* parent);

// A labelled folder edit with a "..." button choosing an existing folder;
// added to `form`, the edit returned.
QLineEdit* FolderRow(QFormLayout* form, const QString& label, const char* name,
                     const QString& browseTitle, QWidget* parent);

// Runs `check` four times a second while `page` exists, for what may change
// under an open page (the palette switched while the sheet is open).
void CheckWhileOpen(QWidget* page, std::function<void()> check);

}   // namespace app

#pragma once
// New child windows of an MDI area lie wholly inside its visible part. The
// area places a window when it is added, at the size it has then; openers
// size their windows afterwards (a report preview takes most of the area),
// which could leave the right or bottom part, title-bar buttons and all,
// cut off at the edge beside a docked panel.

class QMdiArea;
class QMdiSubWindow;

namespace app {

// Moves the window, and shrinks it where it is larger, to lie wholly inside
// its MDI area's viewport. A maximised or minimised window is left alone.
void KeepInsideMdiArea(QMdiSubWindow& window);

// Every window added to `area` from now on is kept inside it once, at its
// first showing, after its opener has sized it; a window shown again later,
// or placed afterwards from a saved workspace, keeps the place it is given.
void PlaceNewWindowsInside(QMdiArea& area);

}   // namespace app

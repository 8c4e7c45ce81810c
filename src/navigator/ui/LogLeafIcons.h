#pragma once
// The log chooser's small pictures: what an append holds (logbook rows, a
// track, both or nothing) and the vessel groups, drawn here at 16 pixels.

#include <QIcon>
#include <QString>

namespace navigator {

// The picture of a tree node by its LogLeafImage value.
QIcon LogLeafIcon(int image);
// What the picture says, for the node's tooltip.
QString LogLeafMeaning(int image);

}   // namespace navigator

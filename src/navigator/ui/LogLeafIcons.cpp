#include "navigator/ui/LogLeafIcons.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>

#include "navigator/LogChooser.h"

namespace navigator {

namespace {

constexpr int kSize = 16;

// A logbook page: white with a grey edge and ruled lines.
void Page(QPainter& p, bool empty)
{
    p.setPen(QPen(QColor(96, 96, 96), 1, empty ? Qt::DotLine : Qt::SolidLine));
    p.setBrush(empty ? Qt::NoBrush : QBrush(Qt::white));
    p.drawRect(2, 1, 10, 13);
    if (empty)
        return;
    p.setPen(QColor(70, 110, 170));
    for (int y = 4; y <= 11; y += 3)
        p.drawLine(4, y, 10, y);
}

// A track: a line through three fixes, the newest marked.
void Track(QPainter& p)
{
    p.setPen(QPen(QColor(0, 0, 160), 2));
    const QPoint fixes[] = {{3, 13}, {8, 8}, {11, 11}, {14, 4}};
    p.drawPolyline(fixes, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 0, 0));
    p.drawEllipse(QPoint(14, 4), 2, 2);
}

// A vessel's group: a closed log book.
void Book(QPainter& p)
{
    p.setPen(QColor(70, 40, 20));
    p.setBrush(QColor(150, 90, 40));
    p.drawRect(2, 1, 11, 13);
    p.setBrush(QColor(90, 50, 20));
    p.drawRect(2, 1, 2, 13);
    p.setPen(QColor(240, 220, 180));
    p.drawLine(7, 5, 11, 5);
}

}   // namespace

QIcon LogLeafIcon(int image)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        switch (image) {
        case kLeafRowsOnly: Page(p, false); break;
        case kLeafTrackOnly: Track(p); break;
        case kLeafRowsAndTrack:
            Page(p, false);
            Track(p);
            break;
        case kLeafGroup: Book(p); break;
        default: Page(p, true); break;
        }
    }
    return QIcon(pixmap);
}

QString LogLeafMeaning(int image)
{
    switch (image) {
    case kLeafRowsOnly: return QCoreApplication::translate("LogChooser", "Logbook rows, no track");
    case kLeafTrackOnly:
        return QCoreApplication::translate("LogChooser", "A track, no logbook rows");
    case kLeafRowsAndTrack:
        return QCoreApplication::translate("LogChooser", "Logbook rows and a track");
    case kLeafGroup: return QCoreApplication::translate("LogChooser", "The appends of one vessel");
    default: return QCoreApplication::translate("LogChooser", "Neither logbook rows nor a track");
    }
}

}   // namespace navigator

#include "app/ui/MenuCheckStyle.h"

#include <QMenu>
#include <QPainter>
#include <QStyleOption>

namespace app {

namespace {

// The base style's least tick column, and the gap before it.
constexpr int kLeastColumn = 21;
constexpr int kMargin = 3;

// The tick column's width for an entry of a menu with both checkable entries
// and pictures; 0 for an entry of any other menu, and for a combo box's list,
// which draws its entries as menu entries but shows no ticks.
int ColumnWidth(const QStyleOption* option, const QWidget* widget)
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!item || !qobject_cast<const QMenu*>(widget) || !item->menuHasCheckableItems ||
        item->maxIconWidth <= 0)
        return 0;
    return qMax(item->maxIconWidth, kLeastColumn);
}

}   // namespace

QSize CMenuCheckStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                        const QSize& size, const QWidget* widget) const
{
    const int column = type == CT_MenuItem ? ColumnWidth(option, widget) : 0;
    if (column == 0)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    QStyleOptionMenuItem item(*qstyleoption_cast<const QStyleOptionMenuItem*>(option));
    item.maxIconWidth = 2 * column;
    return QProxyStyle::sizeFromContents(type, &item, size, widget);
}

void CMenuCheckStyle::drawControl(ControlElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const
{
    const int column = element == CE_MenuItem ? ColumnWidth(option, widget) : 0;
    const auto* source = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (column == 0 || source->menuItemType == QStyleOptionMenuItem::Separator) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The base draws the background, the text and the shortcut after the
    // wide column, with neither tick nor picture; those are drawn here.
    QStyleOptionMenuItem item(*source);
    item.maxIconWidth = 2 * column;
    item.checkType = QStyleOptionMenuItem::NotCheckable;
    item.checked = false;
    item.icon = QIcon();
    QProxyStyle::drawControl(element, &item, painter, widget);
    DrawMark(*source, column, painter, widget);
    DrawPicture(*source, column, painter, widget);
}

void CMenuCheckStyle::DrawMark(const QStyleOptionMenuItem& item, int column, QPainter* painter,
                               const QWidget* widget) const
{
    const bool box = item.checkType == QStyleOptionMenuItem::NonExclusive;
    const bool dot = item.checkType == QStyleOptionMenuItem::Exclusive && item.checked;
    if (!box && !dot)
        return;
    const QRect& r = item.rect;
    const int side = qMin(column, r.height()) - 2 * kMargin;
    QStyleOptionButton mark;
    mark.QStyleOption::operator=(item);
    mark.rect = visualRect(
        item.direction, r,
        QRect(r.left() + kMargin + (column - side) / 2, r.center().y() - side / 2 + 1, side, side));
    mark.state = (item.state & State_Enabled) | (item.checked ? State_On : State_Off);
    proxy()->drawPrimitive(box ? PE_IndicatorCheckBox : PE_IndicatorRadioButton, &mark, painter,
                           widget);
}

void CMenuCheckStyle::DrawPicture(const QStyleOptionMenuItem& item, int column, QPainter* painter,
                                  const QWidget* widget) const
{
    if (item.icon.isNull())
        return;
    const int side = proxy()->pixelMetric(PM_SmallIconSize, &item, widget);
    const QIcon::Mode mode = !(item.state & State_Enabled)   ? QIcon::Disabled
                             : (item.state & State_Selected) ? QIcon::Active
                                                             : QIcon::Normal;
    const QPixmap picture =
        item.icon.pixmap(QSize(side, side), painter->device()->devicePixelRatio(), mode);
    const QRect& r = item.rect;
    const QRect place = visualRect(item.direction, r,
                                   QRect(r.left() + kMargin + column, r.top(), column, r.height()));
    proxy()->drawItemPixmap(painter, place, Qt::AlignCenter, picture);
}

}   // namespace app

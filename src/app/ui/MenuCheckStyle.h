#pragma once
// Menus that hold both checkable entries and pictures (the Window menu's
// open windows, each with its window's picture, the active one ticked): the
// base style draws a checked entry's picture in place of its tick, so the
// active window could not be told. Here such a menu gets a column twice as
// wide, the tick in its first half and the picture in its second. Every
// other menu, and every combo box list, is drawn by the base style as it is.

#include <QProxyStyle>

class QStyleOptionMenuItem;

namespace app {

class CMenuCheckStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

private:
    void DrawMark(const QStyleOptionMenuItem& item, int column, QPainter* painter,
                  const QWidget* widget) const;
    void DrawPicture(const QStyleOptionMenuItem& item, int column, QPainter* painter,
                     const QWidget* widget) const;
};

}   // namespace app

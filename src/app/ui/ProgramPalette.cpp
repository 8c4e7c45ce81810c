#include "app/ui/ProgramPalette.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMdiArea>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolBar>

#include "app/ui/MenuCheckStyle.h"
#include "app/ui/MsgBarWnd.h"
#include "app/ui/SidePanel.h"

namespace app {

using app::COLORREF;

namespace {

QColor ToQ(COLORREF c)
{
    return QColor(int(app::GetRValue(c)), int(app::GetGValue(c)), int(app::GetBValue(c)));
}

COLORREF FromQ(const QColor& c)
{
    return app::RGB(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue()));
}

QColor Mix(const QColor& a, const QColor& b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

// How far apart two colours are: their largest channel difference.
int Distance(const QColor& a, const QColor& b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

// The text of a disabled control: the palette's disabled-text colour, unless
// that is (nearly) the enabled text's own colour, as Night's button text and
// disabled text are one grey; then halfway from the text to its background,
// so a disabled control never looks enabled.
QColor DisabledText(const QColor& grey, const QColor& text, const QColor& background)
{
    constexpr int kApart = 48;
    return Distance(grey, text) >= kApart ? grey : Mix(text, background);
}

QColor Get(const CQtSystemColours::Elements& e, int index)
{
    const auto found = e.find(index);
    return found == e.end() ? QColor(Qt::black) : ToQ(found->second);
}

void SetAll(QPalette& p, QPalette::ColorRole role, const QColor& c)
{
    p.setColor(QPalette::All, role, c);
}

std::map<int, DisplayPaletteListener>& Listeners()
{
    static std::map<int, DisplayPaletteListener> listeners;
    return listeners;
}

constexpr const char* kDayIcon = "brineDayIcon";
// How far a check box's tick must stand from the box's fill to be seen.
constexpr int kMarkApart = 48;
// How far the edges of a control must stand from the window to be seen.
constexpr int kEdgeApart = 24;
constexpr const char* kDayBackground = "brineDayBackground";

}   // namespace

namespace {

// Each channel cut to `limit`; a no-op for pictures already below it.
QImage Clamped(QImage image, int limit)
{
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            row[x] = qRgba(std::min(qRed(p), limit), std::min(qGreen(p), limit),
                           std::min(qBlue(p), limit), qAlpha(p));
        }
    }
    return image;
}

class CPaletteBoundStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        const bool mark = element == PE_IndicatorCheckBox || element == PE_IndicatorRadioButton ||
                          element == PE_IndicatorItemViewItemCheck;
        if (!mark || (option->state & State_Enabled) != 0) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        // A disabled box draws its tick in the disabled text colour, a shade
        // darker; where that lands on the box's own fill (Dusk's and Night's
        // grey text over their grey windows) the tick is drawn halfway
        // between the text and the fill, so a ticked box never looks clear.
        const QPalette& p = option->palette;
        const QColor base = p.color(QPalette::Disabled, QPalette::Base);
        const QColor tick = p.color(QPalette::Disabled, QPalette::Text).darker(120);
        if (Distance(tick, base) >= kMarkApart) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const QColor visible = Mix(p.color(QPalette::Active, QPalette::Text), base);
        const auto redraw = [&](auto copy) {
            copy.palette.setColor(QPalette::Disabled, QPalette::Text, visible);
            QProxyStyle::drawPrimitive(element, &copy, painter, widget);
        };
        if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option))
            redraw(QStyleOptionViewItem(*item));
        else if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option))
            redraw(QStyleOptionButton(*button));
        else
            redraw(QStyleOption(*option));
    }

    // The style draws a slider's groove edges, handle outline and ticks in a
    // shade of the window colour; where that shade vanishes in the window
    // (Night's window is black, as are its buttons), they are drawn in a
    // shade of the button shadow instead, as the palette's 3-D elements draw
    // every other control. False when the style's own colours show.
    bool DrawSliderWithVisibleEdges(const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const
    {
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (!slider)
            return false;
        const QColor window = slider->palette.color(QPalette::Window);
        if (Distance(window.darker(140), window) >= kEdgeApart)
            return false;
        QStyleOptionSlider copy(*slider);
        for (QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            copy.palette.setColor(group, QPalette::Window,
                                  slider->palette.color(group, QPalette::Dark).lighter(140));
        QProxyStyle::drawComplexControl(CC_Slider, &copy, painter, widget);
        return true;
    }

    void drawItemPixmap(QPainter* painter, const QRect& rect, int alignment,
                        const QPixmap& pixmap) const override
    {
        const int limit = BrightestChannel();
        if (limit >= 255 || pixmap.isNull()) {
            QProxyStyle::drawItemPixmap(painter, rect, alignment, pixmap);
            return;
        }
        QPixmap bounded = QPixmap::fromImage(Clamped(pixmap.toImage(), limit));
        bounded.setDevicePixelRatio(pixmap.devicePixelRatio());
        QProxyStyle::drawItemPixmap(painter, rect, alignment, bounded);
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override
    {
        if (control == CC_Slider && DrawSliderWithVisibleEdges(option, painter, widget))
            return;
        const int limit = BrightestChannel();
        if (control != CC_TitleBar || limit >= 255) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        // The title bar's text and buttons have fixed colours: draw it aside
        // and bring it within the palette.
        const QRect r = option->rect;
        QImage image(r.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.translate(-r.topLeft());
            QProxyStyle::drawComplexControl(control, option, &p, widget);
        }
        painter->drawImage(r.topLeft(), Clamped(std::move(image), limit));
    }
};

}   // namespace

int BrightestChannel()
{
    const app::CDisplayPalettes* palettes = app::GetProgramPalettes();
    if (!palettes || palettes->GetActive() == app::CDisplayPalettes::kDay)
        return 255;
    int brightest = 0;
    for (int e = 0; e < app::CDisplayPalettes::kElementCount; ++e) {
        const COLORREF c = palettes->GetColour(palettes->GetActive(), e);
        brightest = std::max(
            {brightest, int(app::GetRValue(c)), int(app::GetGValue(c)), int(app::GetBValue(c))});
    }
    return brightest;
}

void UseFusionStyle()
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(new CMenuCheckStyle(new CPaletteBoundStyle(fusion)));
}

CQtSystemColours::CQtSystemColours() : m_day(QApplication::palette())
{
    // What each element is in the program's palette, the reverse of BuildPalette.
    const QPalette& p = m_day;
    auto c = [&](QPalette::ColorRole role, QPalette::ColorGroup group = QPalette::Active) {
        return FromQ(p.color(group, role));
    };
    m_dayColours = {
        {app::COLOR_SCROLLBAR, c(QPalette::Button)},
        {app::COLOR_BACKGROUND, c(QPalette::Window)},
        {app::COLOR_ACTIVECAPTION, c(QPalette::Highlight)},
        {app::COLOR_INACTIVECAPTION, c(QPalette::Window)},
        {app::COLOR_MENU, c(QPalette::Window)},
        {app::COLOR_WINDOW, c(QPalette::Base)},
        {app::COLOR_WINDOWFRAME, c(QPalette::Shadow)},
        {app::COLOR_MENUTEXT, c(QPalette::WindowText)},
        {app::COLOR_WINDOWTEXT, c(QPalette::Text)},
        {app::COLOR_CAPTIONTEXT, c(QPalette::HighlightedText)},
        {app::COLOR_ACTIVEBORDER, c(QPalette::Window)},
        {app::COLOR_INACTIVEBORDER, c(QPalette::Window)},
        {app::COLOR_APPWORKSPACE, c(QPalette::Dark)},
        {app::COLOR_HIGHLIGHT, c(QPalette::Highlight)},
        {app::COLOR_HIGHLIGHTTEXT, c(QPalette::HighlightedText)},
        {app::COLOR_BTNFACE, c(QPalette::Button)},
        {app::COLOR_BTNSHADOW, c(QPalette::Dark)},
        {app::COLOR_GRAYTEXT, c(QPalette::Text, QPalette::Disabled)},
        {app::COLOR_BTNTEXT, c(QPalette::ButtonText)},
        {app::COLOR_INACTIVECAPTIONTEXT, c(QPalette::WindowText)},
        {app::COLOR_BTNHIGHLIGHT, c(QPalette::Light)},
    };
}

COLORREF CQtSystemColours::GetSysColour(int index) const
{
    const auto found = m_dayColours.find(index);
    return found == m_dayColours.end() ? 0 : found->second;
}

QPalette CQtSystemColours::BuildPalette(const Elements& e)
{
    // Dialogs are button face with button text, as the program always drew
    // them; edits and lists are window with window text.
    QPalette p;
    const QColor face = Get(e, app::COLOR_BTNFACE), shadow = Get(e, app::COLOR_BTNSHADOW);
    const QColor light = Get(e, app::COLOR_BTNHIGHLIGHT);
    SetAll(p, QPalette::Window, face);
    SetAll(p, QPalette::WindowText, Get(e, app::COLOR_BTNTEXT));
    SetAll(p, QPalette::Base, Get(e, app::COLOR_WINDOW));
    SetAll(p, QPalette::AlternateBase, Mix(Get(e, app::COLOR_WINDOW), face));
    SetAll(p, QPalette::Text, Get(e, app::COLOR_WINDOWTEXT));
    SetAll(p, QPalette::Button, face);
    SetAll(p, QPalette::ButtonText, Get(e, app::COLOR_BTNTEXT));
    SetAll(p, QPalette::Light, light);
    SetAll(p, QPalette::Midlight, Mix(light, face));
    SetAll(p, QPalette::Mid, Mix(shadow, face));
    SetAll(p, QPalette::Dark, shadow);
    SetAll(p, QPalette::Shadow, Get(e, app::COLOR_WINDOWFRAME));
    SetAll(p, QPalette::Highlight, Get(e, app::COLOR_HIGHLIGHT));
    SetAll(p, QPalette::HighlightedText, Get(e, app::COLOR_HIGHLIGHTTEXT));
    SetAll(p, QPalette::BrightText, Get(e, app::COLOR_HIGHLIGHTTEXT));
    SetAll(p, QPalette::Link, Get(e, app::COLOR_HIGHLIGHT));
    SetAll(p, QPalette::LinkVisited, Get(e, app::COLOR_HIGHLIGHT));
    SetAll(p, QPalette::ToolTipBase, Get(e, app::COLOR_MENU));
    SetAll(p, QPalette::ToolTipText, Get(e, app::COLOR_MENUTEXT));
    SetAll(p, QPalette::PlaceholderText, Get(e, app::COLOR_GRAYTEXT));
    const QColor grey = Get(e, app::COLOR_GRAYTEXT);
    p.setColor(QPalette::Disabled, QPalette::WindowText,
               DisabledText(grey, Get(e, app::COLOR_BTNTEXT), face));
    p.setColor(QPalette::Disabled, QPalette::ButtonText,
               DisabledText(grey, Get(e, app::COLOR_BTNTEXT), face));
    p.setColor(QPalette::Disabled, QPalette::Text,
               DisabledText(grey, Get(e, app::COLOR_WINDOWTEXT), Get(e, app::COLOR_WINDOW)));
    return p;
}

QPalette CQtSystemColours::BuildMenuPalette(const Elements& e)
{
    QPalette p = BuildPalette(e);
    const QColor menu = Get(e, app::COLOR_MENU), text = Get(e, app::COLOR_MENUTEXT);
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        SetAll(p, role, menu);
    const QColor disabled = DisabledText(Get(e, app::COLOR_GRAYTEXT), text, menu);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Active, role, text), p.setColor(QPalette::Inactive, role, text);
        p.setColor(QPalette::Disabled, role, disabled);
    }
    return p;
}

QPalette CQtSystemColours::BuildTitlePalette(const Elements& e)
{
    QPalette p = BuildPalette(e);
    p.setColor(QPalette::Active, QPalette::Highlight, Get(e, app::COLOR_ACTIVECAPTION));
    p.setColor(QPalette::Active, QPalette::HighlightedText, Get(e, app::COLOR_CAPTIONTEXT));
    p.setColor(QPalette::Inactive, QPalette::Highlight, Get(e, app::COLOR_INACTIVECAPTION));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               Get(e, app::COLOR_INACTIVECAPTIONTEXT));
    SetAll(p, QPalette::Window, Get(e, app::COLOR_ACTIVEBORDER));
    return p;
}

void CQtSystemColours::SetSysColours(const int* indices, const COLORREF* colours, int count)
{
    Elements e;
    for (int i = 0; i < count; ++i)
        e[indices[i]] = colours[i];
    bool isDay = true;
    for (const auto& [index, colour] : e)
        isDay = isDay && GetSysColour(index) == colour;
    if (isDay) {
        QApplication::setPalette(m_day);
        for (const char* cls : {"QMenu", "QMenuBar", "QMdiSubWindow"})
            QApplication::setPalette(m_day, cls);
        return;
    }
    QApplication::setPalette(BuildPalette(e));
    const QPalette menu = BuildMenuPalette(e);
    QApplication::setPalette(menu, "QMenu");
    QApplication::setPalette(menu, "QMenuBar");
    QApplication::setPalette(BuildTitlePalette(e), "QMdiSubWindow");
}

QIcon DimIcon(const QIcon& icon, const app::CDisplayPalettes& palettes)
{
    QIcon dimmed;
    for (const QSize& size :
         icon.availableSizes().isEmpty() ? QList<QSize>{QSize(20, 20)} : icon.availableSizes()) {
        QImage normal = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        QImage disabled = normal;
        for (int y = 0; y < normal.height(); ++y) {
            auto* n = reinterpret_cast<QRgb*>(normal.scanLine(y));
            auto* d = reinterpret_cast<QRgb*>(disabled.scanLine(y));
            for (int x = 0; x < normal.width(); ++x) {
                const QRgb px = n[x];
                const COLORREF c = palettes.DimForActive(
                    app::RGB(unsigned(qRed(px)), unsigned(qGreen(px)), unsigned(qBlue(px))));
                n[x] = qRgba(int(app::GetRValue(c)), int(app::GetGValue(c)), int(app::GetBValue(c)),
                             qAlpha(px));
                const int grey = qGray(n[x]) / 2;
                d[x] = qRgba(grey, grey, grey, qAlpha(px));
            }
        }
        dimmed.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
        dimmed.addPixmap(QPixmap::fromImage(disabled), QIcon::Disabled);
    }
    return dimmed;
}

int AddDisplayPaletteListener(DisplayPaletteListener listener)
{
    static int next = 0;
    Listeners().emplace(++next, std::move(listener));
    return next;
}

void RemoveDisplayPaletteListener(int id)
{
    Listeners().erase(id);
}

void ApplyDisplayPalette(QMainWindow& frame, const app::CDisplayPalettes& palettes,
                         CQtSystemColours& colours)
{
    const int active = palettes.GetActive();
    palettes.Apply(colours, false);

    if (auto* bar = frame.findChild<CMsgBarWnd*>())
        bar->UpdateColours(active == app::CDisplayPalettes::kNight  ? 0.5
                           : active == app::CDisplayPalettes::kDusk ? 0.75
                                                                    : 1.0);
    for (CSidePanel* panel : frame.findChildren<CSidePanel*>())
        panel->OnSysColourChange();

    for (QMdiArea* area : frame.findChildren<QMdiArea*>()) {
        if (!area->property(kDayBackground).isValid())
            area->setProperty(kDayBackground, area->background());
        const QBrush day = area->property(kDayBackground).value<QBrush>();
        area->setBackground(
            active == app::CDisplayPalettes::kDay
                ? day
                : QBrush(ToQ(palettes.GetActiveSysColour(app::COLOR_APPWORKSPACE))));
    }

    // The program's icon on every window (and in the menu bar beside a
    // maximised chart window) takes the palette like the toolbar pictures.
    if (!qApp->property(kDayIcon).isValid())
        qApp->setProperty(kDayIcon, QApplication::windowIcon());
    const QIcon dayIcon = qApp->property(kDayIcon).value<QIcon>();
    if (!dayIcon.isNull())
        QApplication::setWindowIcon(
            active == app::CDisplayPalettes::kDay ? dayIcon : DimIcon(dayIcon, palettes));

    for (QToolBar* bar : frame.findChildren<QToolBar*>()) {
        for (QAction* action : bar->actions()) {
            if (action->isSeparator() || action->icon().isNull())
                continue;
            if (!action->property(kDayIcon).isValid())
                action->setProperty(kDayIcon, action->icon());
            const QIcon day = action->property(kDayIcon).value<QIcon>();
            action->setIcon(active == app::CDisplayPalettes::kDay ? day : DimIcon(day, palettes));
        }
    }

    // Copied first: a listener may remove itself.
    const std::map<int, DisplayPaletteListener> listeners = Listeners();
    for (const auto& [id, listener] : listeners)
        listener(palettes);
}

}   // namespace app

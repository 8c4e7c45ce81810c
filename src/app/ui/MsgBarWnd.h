#pragma once
// The message bar's window: a bar docked at the bottom of the main frame
// showing the model's active messages, yellow on dark blue, growing and
// shrinking with them. The main frame's once-a-second tick (TickAll) drives
// every bar's expiry and sound repeats, so an idle program wakes once for all.

#include <QDockWidget>

#include "app/MsgBar.h"

class QLabel;
class QMainWindow;

namespace app {

class CMsgBarWnd final : public QDockWidget, public app::CMsgBarView, public app::CTextMeasurer {
    Q_OBJECT
public:
    CMsgBarWnd(app::CMsgBar& model, QMainWindow* frame);
    ~CMsgBarWnd() override;

    // One second passed: every bar's messages expire and repeat their sounds.
    static void TickAll();

    app::CMsgBar& Model() { return m_model; }
    // Label colours for the active display palette: the factor dims both
    // (1.0 by day, 0.75 at dusk, 0.5 at night).
    void UpdateColours(double dimFactor = 1.0);
    QString DisplayedText() const;

    // CMsgBarView
    bool IsBarVisible() const override;
    void ShowBar() override;
    void HideBar() override;
    void RequestLayout() override;
    void ApplyLayout(const std::string& displayText, int textHeight) override;
    // CTextMeasurer
    int TextWidth(std::string_view text) const override;
    int LineHeight() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    int EdgeWidth() const;
    static void ReportShown(const QString& text);

    app::CMsgBar& m_model;
    QMainWindow* m_frame;
    QLabel* m_label;
    bool m_layoutQueued = false;
};

}   // namespace app

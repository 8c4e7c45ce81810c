// The message bar's window: yellow text on dark blue, dimmed with the
// palette; its right-click menu offers "Clear Message" only over a message
// the user may clear, and a double-click collapses and restores it.
#include "app/ui/MsgBarWnd.h"
#include "app/MsgBar.h"

#include "FakeClock.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_arg0[] = "app_ui_MsgBarWndTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);
    return *app;
}

struct SilentSound : app::CAlertSound {
    bool Play(const std::filesystem::path&) override { return true; }
    void Beep() override { }
};

struct BarFixture {
    QApplication& app = App();
    brine_test::FakeClock clock;
    SilentSound sound;
    app::CMsgBar model{clock, sound, "/nowhere"};
    QMainWindow frame;
    app::CMsgBarWnd* bar;
    BarFixture()
    {
        bar = new app::CMsgBarWnd(model, &frame);
        frame.resize(800, 400);
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }
    QLabel* Label() const { return bar->findChild<QLabel*>(); }
    // Right-clicks the bar's text row `row` (1-based) and returns the menu's
    // entries, closing the menu, or choosing the entry `choose` when given.
    QStringList MenuAtRow(int row, const QString& choose = {})
    {
        QStringList texts;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            QAction* chosen = nullptr;
            for (QAction* a : menu->actions()) {
                texts << a->text();
                if (a->text() == choose)
                    chosen = a;
            }
            if (chosen)
                chosen->trigger();
            menu->close();
        });
        const int lineHeight = QFontMetrics(Label()->font()).lineSpacing();
        const QPoint at =
            Label()->mapTo(bar, QPoint(20, Label()->contentsMargins().top() +
                                               (row - 1) * lineHeight + lineHeight / 2));
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
        QApplication::sendEvent(bar, &event);
        return texts;
    }
};

bool WaitForText(const app::CMsgBarWnd& bar, const QString& text)
{
    return QTest::qWaitFor([&] { return bar.DisplayedText() == text; }, 2000);
}

TEST(MsgBarWnd, ColoursFollowThePalette)
{
    BarFixture f;
    const QPalette day = f.Label()->palette();
    EXPECT_EQ(day.color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(day.color(QPalette::Window), QColor(0, 0, 127));
    EXPECT_EQ(f.Label()->font().pixelSize(), 12);
    f.bar->UpdateColours(0.5);
    EXPECT_EQ(f.Label()->palette().color(QPalette::WindowText), QColor(127, 127, 0));
    EXPECT_EQ(f.Label()->palette().color(QPalette::Window), QColor(0, 0, 63));
}

TEST(MsgBarWnd, ClearMessageOnlyOverAClearableMessage)
{
    BarFixture f;
    app::MsgHandle fixedMsg = nullptr, clearable = nullptr;
    ASSERT_TRUE(f.model.AddMessage(fixedMsg, "Warning, memory low", 65535, 1, true));
    ASSERT_TRUE(f.model.AddMessage(clearable, "Unable to load chart", 65000, 1, true));
    f.model.SetMessageFlag(clearable, true);
    ASSERT_TRUE(WaitForText(*f.bar, "Warning, memory low\nUnable to load chart"));
    EXPECT_TRUE(f.bar->isVisible());

    EXPECT_EQ(f.MenuAtRow(1), QStringList{"&Hide/Show"});
    EXPECT_EQ(f.MenuAtRow(2), (QStringList{"&Hide/Show", "&Clear Message"}));
    f.MenuAtRow(2, "&Clear Message");
    EXPECT_FALSE(f.model.IsMessageActive(clearable));
    EXPECT_TRUE(WaitForText(*f.bar, "Warning, memory low"));

    // Collapsed by the menu, the bar offers no message to clear; a double-click restores it.
    const int fullHeight = f.Label()->height();
    f.MenuAtRow(1, "&Hide/Show");
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Label()->height() < fullHeight; }, 2000));
    EXPECT_EQ(f.MenuAtRow(1), QStringList{"&Hide/Show"});
    QTest::mouseDClick(f.bar, Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.Label()->height() == fullHeight; }, 2000));

    // The last active message switched off hides the bar.
    f.model.SetMessageActive(fixedMsg, 0, true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.bar->isVisible(); }, 2000));
}

}   // namespace

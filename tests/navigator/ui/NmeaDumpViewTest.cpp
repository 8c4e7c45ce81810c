// Sentence windows fed by a reader thread: every line in the history, the
// view repainted through one pending post, only visible lines copied, and
// windows opened and closed while lines arrive.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "app/CommandTable.h"
#include "navigator/ui/PortDumpWindows.h"
#include "nmea/NMEADevice.h"
#include "nmea/Port.h"
#include "nmea/ui/NmeaDumpView.h"

namespace {

int g_argc = 1;
char g_arg0[] = "navigator_ui_NmeaDumpViewTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

std::vector<std::string> CaptureLines()
{
    std::ifstream in(std::string(BRINE_NMEA_CAPTURES) + "/capture-01.nmea");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

struct OnePortList : nmea::CPortDirectory {
    nmea::CPort port{1};
    nmea::CPort* FindPort(std::uint8_t n) const override
    {
        return n == 1 ? const_cast<nmea::CPort*>(&port) : nullptr;
    }
    std::uint8_t GetFirstPortNumber() const override { return 1; }
};

TEST(NmeaDumpView, ReaderLinesReachTheHistoryAndTheViewFollowsTheNewest)
{
    App();
    const std::vector<std::string> capture = CaptureLines();
    ASSERT_GT(capture.size(), 50u);
    nmea::CPort port(1);
    nmea::CNmeaDumpView view(port, nmea::PortChannel::Receive);
    view.resize(500, 20 * view.LineHeight());
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.windowTitle(), "Receiving NMEA Sentences via COM1");

    std::thread reader([&] {
        for (const std::string& line : capture)
            port.DeliverReceived(line + "\r\n");
    });
    reader.join();
    QTRY_VERIFY(view.LineCount() == std::min(capture.size(), nmea::CPort::kHistoryLimit) + 1);
    QApplication::processEvents();
    view.repaint();

    const std::vector<std::string> history = port.GetHistory(nmea::PortChannel::Receive);
    const std::size_t kept = std::min(capture.size(), nmea::CPort::kHistoryLimit);
    ASSERT_EQ(history.size(), kept);
    EXPECT_TRUE(
        std::equal(history.begin(), history.end(), capture.end() - static_cast<long>(kept)));
    // A burst of lines costs far fewer repaints than lines, and the view sits at the newest.
    EXPECT_GE(view.ChangesSeen(), 1);
    EXPECT_LT(view.ChangesSeen(), static_cast<int>(capture.size()));
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    // Only the lines on screen are copied (the last one shown is the empty line).
    EXPECT_GT(view.LastCopiedLines(), 0u);
    EXPECT_LE(view.LastCopiedLines(), 22u);

    // At the end the bottom whole row is the empty line after the newest.
    const int rows = view.viewport()->height() / view.LineHeight();
    EXPECT_EQ(view.verticalScrollBar()->maximum() + rows, static_cast<int>(view.LineCount()));
    EXPECT_EQ(view.verticalScrollBar()->pageStep(), rows - 1);

    // Made smaller while it follows the newest (a message bar appearing under
    // it), it goes on following what arrives.
    view.resize(500, 12 * view.LineHeight());
    QApplication::processEvents();
    port.DeliverReceived("$GPGLL,4807.0380,N,12234.0000,W,120001,A*00");
    QTRY_COMPARE(view.LineCount(), std::min(capture.size() + 1, nmea::CPort::kHistoryLimit) + 1);
    QApplication::processEvents();
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());

    // Scrolled up, new lines no longer move the view.
    view.verticalScrollBar()->setValue(0);
    port.DeliverReceived("$GPGLL,5030.2500,S,00115.5000,W,120000,A*00");
    QTRY_COMPARE(view.ChangesSeen() > 0, true);
    QApplication::processEvents();
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

TEST(NmeaDumpView, WindowsOpenAndCloseWhileLinesArrive)
{
    App();
    OnePortList ports;
    QMdiArea mdi;
    mdi.resize(600, 400);
    mdi.show();
    navigator::CPortDumpWindows windows([&]() -> nmea::CPortDirectory* { return &ports; },
                                        [&] { return &mdi; });
    app::CCommandTable commands;
    int owner = 0;
    windows.RegisterCommands(commands, &owner);
    EXPECT_TRUE(commands.Update(navigator::CPortDumpWindows::kFirstReceive).enabled);
    EXPECT_FALSE(
        commands.Update(navigator::CPortDumpWindows::kFirstReceive + 1).enabled);   // no COM2

    std::atomic<bool> stop{false};
    std::thread reader([&] {
        for (int i = 0; !stop; ++i)
            ports.port.DeliverReceived("$GPZDA,120000.00,07,12,2026,00,00*" +
                                       std::to_string(i % 100));
    });
    for (int cycle = 0; cycle < 200; ++cycle) {
        commands.Execute(navigator::CPortDumpWindows::kFirstReceive);
        ASSERT_TRUE(windows.IsOpen(navigator::CPortDumpWindows::kFirstReceive));
        EXPECT_EQ(commands.Update(navigator::CPortDumpWindows::kFirstReceive).check, 1);
        QApplication::processEvents();
        commands.Execute(navigator::CPortDumpWindows::kFirstReceive);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
        ASSERT_FALSE(windows.IsOpen(navigator::CPortDumpWindows::kFirstReceive));
    }
    stop = true;
    reader.join();
    EXPECT_EQ(mdi.subWindowList().size(), 0);
    EXPECT_EQ(ports.port.GetHistory(nmea::PortChannel::Receive).size(), nmea::CPort::kHistoryLimit);
}

// Opening a window that shows already brings it forward instead of making a
// second one; the network port's windows are named after the network.
TEST(NmeaDumpView, AWindowOpenedTwiceIsBroughtForward)
{
    App();
    struct NetworkList : nmea::CPortDirectory {
        nmea::CPort network{nmea::CPort::kNetworkPort};
        nmea::CPort* FindPort(std::uint8_t n) const override
        {
            return n == nmea::CPort::kNetworkPort ? const_cast<nmea::CPort*>(&network) : nullptr;
        }
        std::uint8_t GetFirstPortNumber() const override { return 0; }
    } ports;
    QMdiArea mdi;
    mdi.resize(600, 400);
    mdi.show();
    using W = navigator::CPortDumpWindows;
    W windows([&]() -> nmea::CPortDirectory* { return &ports; }, [&] { return &mdi; });
    windows.Open(W::kNetworkReceive);
    windows.Open(W::kNetworkTransmit);
    windows.Open(W::kNetworkReceive);
    EXPECT_EQ(mdi.subWindowList().size(), 2);
    EXPECT_EQ(mdi.activeSubWindow(), windows.Window(W::kNetworkReceive));
    EXPECT_EQ(windows.Window(W::kNetworkReceive)->windowTitle(),
              "Receiving NMEA Sentences via Network");
    EXPECT_EQ(windows.Window(W::kNetworkTransmit)->windowTitle(),
              "Transmitting NMEA Sentences via Network");
    windows.Window(W::kNetworkReceive)->close();   // the user closes it: it is forgotten
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(windows.IsOpen(W::kNetworkReceive));
    windows.Open(W::kNetworkReceive);
    EXPECT_EQ(mdi.subWindowList().size(), 2);
}

}   // namespace

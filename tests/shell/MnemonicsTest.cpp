// Alt and a letter must reach one item: every menu of the frame (the menu bar itself, each menu
// and each submenu) and every instrument options page uses each mnemonic once. A letter used
// twice only moves between the items, so the keyboard user never reaches the second.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "FrameTestServices.h"
#include "app/ui/PropertySheet.h"
#include "nmea/ui/InstrumentOptionsPages.h"
#include "nmea/ui/NetworkOptionsPage.h"
#include "shell/MainFrame.h"

namespace {

QApplication& App()
{
    static int argc = 1;
    static char arg0[] = "shell_MnemonicsTest";
    static char* argv[] = {arg0, nullptr};
    static auto* app = new QApplication(argc, argv);   // never destroyed: Qt's exit order
    return *app;
}

QString Mnemonic(const QString& text)
{
    static const QRegularExpression mnemonic("&([^&])");
    const auto m = mnemonic.match(text);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

// The letters used more than once among the texts, with the texts that use them.
std::string Clashes(const QStringList& texts)
{
    QMap<QString, QStringList> byKey;
    for (const QString& text : texts)
        if (const QString key = Mnemonic(text); !key.isEmpty())
            byKey[key] << text;
    QString clashes;
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it)
        if (it.value().size() > 1)
            clashes += it.key() + ": " + it.value().join(", ") + "; ";
    return clashes.toStdString();
}

void CheckMenu(const QString& path, const QList<QAction*>& actions, const std::string& allowed = {})
{
    QStringList texts;
    for (QAction* a : actions) {
        if (a->isSeparator())
            continue;
        texts << a->text();
        if (QMenu* sub = a->menu())
            CheckMenu(path + " > " + a->text(), sub->actions());
    }
    EXPECT_EQ(Clashes(texts), allowed) << path.toStdString();
}

TEST(Mnemonics, EveryMenuUsesEachLetterOnce)
{
    App();
    brine_test::FrameTestServices services;
    shell::CMainFrame frame(services.Services());
    ASSERT_TRUE(frame.OnCreate());
    ASSERT_GT(frame.menuBar()->actions().size(), 5);
    // The menu bar's titles are the program's long-standing ones: Edit and
    // Vessel share Alt+E, which opens Edit and, pressed again, Vessel.
    CheckMenu("menu bar", frame.menuBar()->actions(), "e: &Edit, V&essel; ");
    frame.TearDown();
}

TEST(Mnemonics, EveryInstrumentPageUsesEachLetterOnce)
{
    App();
    app::CModelessPropertySheet sheet("Options");
    sheet.AddPage(new nmea::CNetworkOptionsDlg(
        std::make_unique<nmea::CNetworkOptionsModel>(nmea::CNetworkOptions{}, nullptr, nullptr),
        "192.0.2.1"));
    sheet.AddPage(new nmea::COptionsGPS(
        std::make_unique<nmea::CGPSOptionsModel>(nmea::CGPSOptions{}, nullptr), nullptr));
    sheet.AddPage(new nmea::COptionsAutopilot(
        std::make_unique<nmea::CAutopilotOptionsModel>(nmea::CAutopilotOptions{}, true, nullptr),
        nullptr));
    QStringList sheetTexts;
    for (auto* b : sheet.findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
        sheetTexts << b->text();
    for (int i = 0; i < sheet.PageCount(); ++i) {
        QStringList texts = sheetTexts;
        for (auto* b : sheet.Page(i)->findChildren<QAbstractButton*>())
            texts << b->text();
        for (auto* l : sheet.Page(i)->findChildren<QLabel*>())
            texts << l->text();
        EXPECT_EQ(Clashes(texts), "") << sheet.Tabs()->tabText(i).toStdString();
    }
}

}   // namespace

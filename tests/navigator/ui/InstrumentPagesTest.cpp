// The instrument pages in a sheet: the autopilot rate refused at the field,
// the spin keys, the port combo boxes and the GPS delay text.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ui/SpinEdit.h"
#include "navigator/ui/NavigatorOptionsPages.h"
#include "nmea/ComPort.h"
#include "nmea/GPSModule.h"
#include "nmea/NMEADevice.h"
#include "nmea/Port.h"
#include "nmea/ui/InstrumentOptionsPages.h"
#include "nmea/ui/NetworkOptionsPage.h"
#include "nmea/ui/SentenceOptionsPages.h"

namespace {

int g_argc = 1;
char g_arg0[] = "navigator_ui_InstrumentPagesTest";
char* g_argv[] = {g_arg0, nullptr};
QApplication& App()
{
    static auto* app = new QApplication(g_argc, g_argv);   // never destroyed: see Qt's exit order
    return *app;
}

struct TwoPorts : nmea::CPortDirectory {
    nmea::CPort com3{3};
    nmea::CPort network{nmea::CPort::kNetworkPort};
    nmea::CPort* FindPort(std::uint8_t n) const override
    {
        return const_cast<nmea::CPort*>(n == 3 ? &com3 : n == 255 ? &network : nullptr);
    }
    std::uint8_t GetFirstPortNumber() const override { return 3; }
};

TEST(InstrumentPages, AutopilotRateIsRefusedAtTheFieldAndSpinsByTheRule)
{
    App();
    TwoPorts ports;
    int applies = 0;
    std::uint8_t appliedPort = 99;
    double appliedRate = 0;
    auto* sheet = new app::CModelessPropertySheet("Navigator Options");
    nmea::CGPSOptions gps;
    gps.receivePort = 3;
    gps.drDelaySeconds = 90;
    auto* gpsPage =
        new nmea::COptionsGPS(std::make_unique<nmea::CGPSOptionsModel>(gps, nullptr), &ports);
    sheet->AddPage(gpsPage);
    nmea::CAutopilotOptions pilot;
    pilot.transmitPort = 7;   // no such port: shown as "Off"
    auto* page = new nmea::COptionsAutopilot(
        std::make_unique<nmea::CAutopilotOptionsModel>(pilot, false,
                                                       [&](std::uint8_t p, bool, double r) {
                                                           ++applies;
                                                           appliedPort = p;
                                                           appliedRate = r;
                                                       }),
        &ports);
    sheet->AddPage(page);
    QStringList messages;
    sheet->SetMessageShower([&](const QString& m) { messages << m; });
    sheet->ShowModeless();

    auto* combo = page->findChild<nmea::CPortCombo*>("transmitPort");
    ASSERT_NE(combo, nullptr);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    EXPECT_EQ(items, (QStringList{"Off", "COM3", "Network"}));
    EXPECT_EQ(combo->itemData(0).toInt(), 0);
    EXPECT_EQ(combo->itemData(1).toInt(), 3);
    EXPECT_EQ(combo->itemData(2).toInt(), 255);
    // A serial port reads "COM" and its number, whatever device it runs over.
    struct SerialPort : nmea::CPortDirectory {
        nmea::CComPort com2{2, "/nonexistent/ttyUSB7"};
        nmea::CPort* FindPort(std::uint8_t n) const override
        {
            return n == 2 ? const_cast<nmea::CComPort*>(&com2) : nullptr;
        }
        std::uint8_t GetFirstPortNumber() const override { return 2; }
    } serial;
    const nmea::CPortCombo serialCombo(&serial);
    ASSERT_EQ(serialCombo.count(), 2);
    EXPECT_EQ(serialCombo.itemText(1), "COM2");
    EXPECT_EQ(serialCombo.itemData(1).toInt(), 2);
    EXPECT_EQ(combo->currentText(), "Off");
    EXPECT_EQ(gpsPage->findChild<QLineEdit*>("drDelay")->text(), "1:30");
    EXPECT_FALSE(page->findChild<QCheckBox*>("transmit")->isEnabled());

    auto* rate = page->findChild<QLineEdit*>("rate");
    rate->setText("0");
    EXPECT_FALSE(sheet->OnApply());
    EXPECT_EQ(applies, 0);
    EXPECT_EQ(sheet->Tabs()->currentWidget(), page);
    EXPECT_EQ(messages, QStringList{"Transmit intervals (seconds) run from 0.1 to 10"});
    EXPECT_EQ(sheet->focusWidget(), rate);

    rate->setText("1.0");
    QTest::keyClick(rate, Qt::Key_Down);
    EXPECT_EQ(rate->text(), "0.9");
    QTest::keyClick(rate, Qt::Key_Up);
    QTest::keyClick(rate, Qt::Key_Up);
    EXPECT_EQ(rate->text(), "2.0");
    combo->setCurrentIndex(2);
    EXPECT_TRUE(sheet->OnApply());
    EXPECT_EQ(applies, 1);
    EXPECT_EQ(appliedPort, 255);
    EXPECT_DOUBLE_EQ(appliedRate, 2.0);

    // Both stepped fields have their arrows: the rate's step by the rule,
    // "Valid Sentence Time" a second at a time within 1 to 60.
    auto* rateSpin = page->findChild<app::CSpinEdit*>("rate");
    ASSERT_NE(rateSpin, nullptr);
    ASSERT_EQ(rateSpin->actions().size(), 2);
    rateSpin->actions()[1]->trigger();   // up
    EXPECT_EQ(rate->text(), "3.0");
    auto* valid = gpsPage->findChild<app::CSpinEdit*>("validTime");
    ASSERT_NE(valid, nullptr);
    ASSERT_EQ(valid->actions().size(), 2);
    valid->setText("60");
    valid->actions()[1]->trigger();
    EXPECT_EQ(valid->text(), "60");
    valid->actions()[0]->trigger();   // down
    EXPECT_EQ(valid->text(), "59");

    gpsPage->findChild<QLineEdit*>("drDelay")->setText("1:75");
    EXPECT_FALSE(sheet->OnOk());
    EXPECT_EQ(sheet->Tabs()->currentWidget(), gpsPage);
    delete sheet;
}

// A port that would not open comes back as "Off" on its page once OK is pressed.
// The ARPA and tender pages select their stored port by number: 0 is the first entry ("Off"),
// the network port its own entry, and a number the program has no port for reads "Off".
TEST(InstrumentPages, SelectPortPicksTheEntryOfThatNumber)
{
    App();
    TwoPorts ports;
    nmea::CPortCombo combo(&ports);
    for (const auto& [number, text] : {std::pair{3, "COM3"}, std::pair{0, "Off"},
                                       std::pair{255, "Network"}, std::pair{7, "Off"}}) {
        combo.SelectPort(static_cast<std::uint8_t>(number));
        EXPECT_EQ(combo.currentText(), text) << number;
        EXPECT_EQ(combo.SelectedPort(), text == std::string("Off") ? 0 : number) << number;
    }
}

TEST(InstrumentPages, APortThatWillNotOpenReadsOffAfterOk)
{
    App();
    TwoPorts ports;
    auto* sheet = new app::CModelessPropertySheet("Navigator Options");
    sheet->AddPage(new nmea::COptionsGPS(
        std::make_unique<nmea::CGPSOptionsModel>(
            nmea::CGPSOptions{},
            [](nmea::CGPSOptions& now, const nmea::CGPSOptions&) { now.receivePort = 0; }),
        &ports));
    sheet->AddPage(new nmea::COptionsAutopilot(
        std::make_unique<nmea::CAutopilotOptionsModel>(
            nmea::CAutopilotOptions{}, false, [](std::uint8_t& port, bool, double) { port = 0; }),
        &ports));
    sheet->AddPage(new nmea::CNMEASentenceOptions(
        std::make_unique<nmea::CNMEAOptionsModel>(
            nmea::CNMEAOptions{},
            [](nmea::CNMEAOptions& now, const nmea::CNMEAOptions&) { now.repeaterTransmit = 0; }),
        &ports));
    sheet->ShowModeless();
    const std::pair<int, const char*> combos[] = {
        {0, "receivePort"}, {1, "transmitPort"}, {2, "repeaterTransmit"}};
    for (const auto& [page, name] : combos)
        sheet->Page(page)->findChild<nmea::CPortCombo*>(name)->setCurrentIndex(1);   // COM3
    EXPECT_TRUE(sheet->OnApply());
    for (const auto& [page, name] : combos)
        EXPECT_EQ(sheet->Page(page)->findChild<nmea::CPortCombo*>(name)->currentText(), "Off")
            << name;
    delete sheet;
}

// The Network page's TCP port: below 1024 (or above 65535) the focus goes
// back into the field with its text selected as the field is left.
TEST(InstrumentPages, NetworkPortIsRefusedAsTheFieldIsLeft)
{
    App();
    nmea::CNetworkOptions values;
    values.tcpPort = 5000;
    auto* sheet = new app::CModelessPropertySheet("Options");
    auto* page = new nmea::CNetworkOptionsDlg(
        std::make_unique<nmea::CNetworkOptionsModel>(values, nullptr, nullptr), "192.0.2.1");
    sheet->AddPage(page);
    sheet->ShowModeless();
    QApplication::setActiveWindow(sheet);
    auto* port = page->findChild<QLineEdit*>("port");
    auto* folder = page->findChild<QLineEdit*>("folder");
    ASSERT_NE(port, nullptr);
    ASSERT_NE(folder, nullptr);
    const auto leave = [&](const QString& text) {
        port->setFocus();
        QApplication::processEvents();
        port->setText(text);
        folder->setFocus();
        QApplication::processEvents();
        QApplication::processEvents();
        return QApplication::focusWidget();
    };
    EXPECT_EQ(leave("1023"), port);
    EXPECT_EQ(port->selectedText(), "1023");
    EXPECT_EQ(leave("65536"), port);
    EXPECT_EQ(leave("1024"), folder);
    EXPECT_EQ(leave("65535"), folder);
    EXPECT_EQ(leave(""), port) << "an empty field is no port";
    // Only digits can be typed into the field.
    port->clear();
    QTest::keyClicks(port, "2a0-4.0 0");
    EXPECT_EQ(port->text(), "20400");
    delete sheet;
}

// The labels and check boxes as the user reads them, mnemonics aside.
QStringList ShownTexts(const QWidget& page)
{
    QStringList texts;
    for (const QLabel* l : page.findChildren<QLabel*>())
        texts << l->text().remove('&');
    for (const QAbstractButton* b : page.findChildren<QAbstractButton*>())
        texts << b->text().remove('&');
    return texts;
}

// Every text a page shows, group titles included, sorted; nothing more.
QStringList AllTexts(const QWidget& page)
{
    QStringList texts = ShownTexts(page);
    for (const QGroupBox* g : page.findChildren<QGroupBox*>())
        texts << g->title().remove('&');
    texts.removeAll(QString());
    texts.sort();
    return texts;
}

TEST(InstrumentPages, EachPageShowsItsTextsAndNoOthers)
{
    App();
    TwoPorts ports;
    const nmea::COptionsGPS gps(
        std::make_unique<nmea::CGPSOptionsModel>(nmea::CGPSOptions{}, nullptr), &ports);
    EXPECT_EQ(AllTexts(gps),
              (QStringList{"Communications port", "Elapse time for DR to initiate after failure",
                           "Mins:Secs", "Receive", "Secs", "Transmit", "Valid Sentence Time"}));
    const nmea::COptionsAutopilot autopilot(
        std::make_unique<nmea::CAutopilotOptionsModel>(nmea::CAutopilotOptions{}, false, nullptr),
        &ports);
    EXPECT_EQ(AllTexts(autopilot),
              (QStringList{"Communications port", "Transmit", "Transmit", "every", "second(s)"}));
    const nmea::CNMEASentenceOptions sentences(
        std::make_unique<nmea::CNMEAOptionsModel>(nmea::CNMEAOptions{}, nullptr), &ports);
    EXPECT_EQ(AllTexts(sentences),
              (QStringList{"Browse...", "Ignore warning flags", "Process", "Receive", "Repeater",
                           "Select/Deselect NMEA sentences for Brinevane usage", "Simulation",
                           "Transmit"}));
    const navigator::CAutopilotMonitoringDlg monitoring(
        std::make_unique<navigator::CMonitoringOptionsModel>(navigator::CRouteMonitoringSettings{},
                                                             navigator::CMonitoringOverlays{}, true,
                                                             nullptr));
    EXPECT_EQ(AllTexts(monitoring),
              (QStringList{"Arrival Circle Entry", "Arrival circles", "Automatic leg advance",
                           "Limit of Deviation from  Planned Route", "Limits of deviation",
                           "Overlays", "Passing Perpendicular", "Perpendiculars", "Radius",
                           "Waypoint Detection", "nm", "nm"}));
}

TEST(InstrumentPages, PagesCarryTheirTextsAsGiven)
{
    App();
    TwoPorts ports;
    nmea::CAutopilotOptions pilot;
    const nmea::COptionsAutopilot autopilot(
        std::make_unique<nmea::CAutopilotOptionsModel>(pilot, false, nullptr), &ports);
    // The port combo box and the check box are both "Transmit".
    EXPECT_EQ(ShownTexts(autopilot).count("Transmit"), 2)
        << ShownTexts(autopilot).join('|').toStdString();

    nmea::CNMEAOptions sentences;
    const nmea::CNMEASentenceOptions nmeaPage(
        std::make_unique<nmea::CNMEAOptionsModel>(sentences, nullptr), &ports);
    EXPECT_TRUE(ShownTexts(nmeaPage).contains("Process"))
        << ShownTexts(nmeaPage).join('|').toStdString();
    auto* process = nmeaPage.findChild<QCheckBox*>("process");
    ASSERT_NE(process, nullptr);
    // "a" is the sheet's Apply, so "p" is free for the page.
    EXPECT_EQ(process->text(), "&Process");

    nmea::CNetworkOptions values;
    values.address = "127.0.0.2";   // chosen in the settings for a second station here
    nmea::CNetworkOptionsDlg network(
        std::make_unique<nmea::CNetworkOptionsModel>(values, nullptr, nullptr), "192.0.2.1");
    const QStringList shown = ShownTexts(network);
    for (const char* text : {"Host Name", "IP Address", "TCP Port"})
        EXPECT_TRUE(shown.contains(text)) << text << " among " << shown.join('|').toStdString();
    // The address is the station's own, shown and never edited; OK carries
    // the stored choice through as it was.
    network.ModelToControls();
    const auto* address = network.findChild<QLineEdit*>("address");
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address->text(), "192.0.2.1");
    EXPECT_FALSE(address->isEnabled());
    EXPECT_FALSE(network.ControlsToModel());
    EXPECT_EQ(network.M().Values().address, "127.0.0.2");

    // The sentence list's descriptions as the receivers' documentation words them.
    const nmea::SentenceList gpsSentences = nmea::GpsSentences();
    ASSERT_EQ(gpsSentences.size(), 19u);
    EXPECT_EQ(gpsSentences[9].description, "Recommended Minimum Specfic Loran-C Data");
    EXPECT_EQ(gpsSentences[11].description, "Recommended Minimum Specfic GNSS Data");
}

}   // namespace

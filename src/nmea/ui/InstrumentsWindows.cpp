#include "nmea/ui/InstrumentsWindows.h"

#include "app/StringUtils.h"
#include "nmea/ui/InstrumentOptionsPages.h"
#include "nmea/ui/NetworkOptionsPage.h"
#include "nmea/ui/SentenceOptionsPages.h"

#include <QMessageBox>
#include <QPointer>

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace nmea {

bool CInstrumentsWindows::CreateSidePanels(app::CModuleHost& host,
                                           std::vector<app::CSidePanel*>& /*panels*/)
{
    // No panel of its own: the frame's windows exist now, so the message bar can be used.
    SetMessageBar(&host.Messages());
    return true;
}

void CInstrumentsWindows::OnPortMessage(const nmea::CPort& port, const std::string& text)
{
    static const auto start = std::chrono::steady_clock::now();
    const char* path = std::getenv("BRINE_PORTS_STATE_FILE");
    if (path == nullptr || *path == '\0')
        return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::ofstream(path, std::ios::app)
        << port.GetName() << ' ' << ms.count() << ' ' << text << '\n';
}

std::vector<app::COptionPageFactory> CInstrumentsWindows::NavigatorOptionPages()
{
    return {{"Autopilot",
             [this](QWidget* parent) -> app::CXPropertyPage* {
                 nmea::CAutopilotModule& pilot = Autopilot();
                 nmea::CAutopilotOptions v;
                 v.transmitPort = pilot.Config().transmitPort;
                 v.transmit = pilot.IsAutopilotOn();
                 v.rateText = app::FormatDouble(pilot.Device().GetOutputRate(), 1, 0);
                 auto model = std::make_unique<nmea::CAutopilotOptionsModel>(
                     v, pilot.OnUpdateAutopilotSwitch().enabled,
                     [this](std::uint8_t& port, bool on, double rate) {
                         Autopilot().ApplyOptions(port, on, rate);
                         port = Autopilot().Config().transmitPort;
                         Autopilot().SaveSettings();
                     });
                 return new COptionsAutopilot(std::move(model), &Ports(), parent);
             }},
            {"Wind", [this](QWidget* parent) -> app::CXPropertyPage* {
                 QPointer<QWidget> sheet = parent;
                 auto model = std::make_unique<nmea::CWindOptionsModel>(
                     WindOptions(), [this, sheet](const nmea::CWindOptions& now,
                                                  const nmea::CWindOptions& before) {
                         const std::string failure = ApplyWindOptions(now, before);
                         if (!failure.empty())
                             QMessageBox::warning(sheet, QObject::tr("Wind"),
                                                  QString::fromStdString(failure));
                     });
                 return new CNavigatorWindOptions(std::move(model), &Ports(), parent);
             }}};
}

std::vector<app::COptionPageFactory> CInstrumentsWindows::OptionPages()
{
    return {{"Network", [this](QWidget* parent) -> app::CXPropertyPage* {
                 nmea::CNetworkMessaging& messaging = Messaging();
                 nmea::CNetworkOptions v;
                 v.folder = messaging.GetSharedFolder();
                 v.hostName = nmea::LocalHostName();
                 if (const auto chosen = messaging.ChosenAddress())
                     v.address = nmea::Ipv4Text(*chosen);
                 v.tcpPort = messaging.GetTcpPort();
                 auto model = std::make_unique<nmea::CNetworkOptionsModel>(
                     v, nmea::IsLocalIpv4,
                     [this](const std::string& folder, std::optional<nmea::Ipv4> address,
                            std::uint16_t port) { ApplyNetworkOptions(folder, address, port); });
                 return new CNetworkOptionsDlg(
                     std::move(model),
                     QString::fromStdString(nmea::Ipv4Text(messaging.OwnAddress())), parent);
             }}};
}

}   // namespace nmea

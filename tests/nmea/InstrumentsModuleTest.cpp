// The instruments module as the frame drives it: its timer pass puts a port
// that lost its adapter on the message bar and takes it off when the adapter
// is back; the wind device on that port parses what arrives after it.

#include "nmea/InstrumentsModule.h"

#include <gtest/gtest.h>

#include <thread>

#include "PtyPair.h"
#include "ScriptedPrompt.h"
#include "TempFolder.h"
#include "app/WorkspaceManager.h"
#include "platform/SettingsStore.h"

using namespace std::chrono_literals;

namespace {

struct Home : app::CSettingsHome {
    brine_test::TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override
    {
        return app::CWorkspaceManager::DefaultRoot() + "\\Default";
    }
};

class Silent : public app::CAlertSound {
public:
    bool Play(const std::filesystem::path&) override { return true; }
    void Beep() override { }
};

bool BarShowsPrefix(const app::CMsgBar& bar, const std::string& prefix)
{
    for (const auto& message : bar.Messages())
        if (message->activeCount > 0 && message->text.rfind(prefix, 0) == 0)
            return true;
    return false;
}

TEST(InstrumentsModule, LostAdapterShowsOnTheMessageBarUntilItIsBack)
{
    Home home;
    brine_test::TempFolder devices;
    auto pty = std::make_unique<brine_test::PtyPair>(devices.Path(), "usb-Wind_Instrument-if00");
    ASSERT_TRUE(pty->Running());
    // The port list as the user set it: COM1 on the adapter's stable name.
    nmea::PortPaths paths;
    paths[0] = pty->Path().string();
    nmea::SavePortPaths(home.store, app::CWorkspaceManager::DefaultRoot() + "\\Ports", paths);

    platform::CSystemClock clock;
    Silent sound;
    app::CMsgBar bar(clock, sound, devices.Path());
    brine_test::ScriptedPrompt prompt;
    nmea::CInstrumentsOptions options;
    options.programFolder = home.dir.Path();
    options.stationMessaging = false;
    nmea::CInstrumentsModule module(home, clock, prompt, options);
    ASSERT_TRUE(module.Initialise());
    module.SetMessageBar(&bar);
    module.LoadSettings();
    ASSERT_TRUE(module.Wind().Device().IsReceiveOpen());

    // The frame's timer: a pass every 500 ms.
    const auto passesUntil =
        [&](auto condition,
            std::chrono::milliseconds limit) -> std::optional<std::chrono::milliseconds> {
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < limit) {
            module.OnTimer(app::TimerCadence::EveryPass);
            if (condition())
                return std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start);
            std::this_thread::sleep_for(500ms);
        }
        return std::nullopt;
    };
    ASSERT_TRUE(pty->Send("$WIMWV,045.0,R,12.5,N,A*14\r\n"));
    EXPECT_TRUE(passesUntil([&] { return module.Wind().Device().ParsedLines() == 1; }, 2s));
    EXPECT_FALSE(BarShowsPrefix(bar, "COM1"));

    pty->Kill();
    const std::string lost = "COM1 disconnected: " + pty->Path().string();
    const auto shown = passesUntil([&] { return BarShowsPrefix(bar, lost); }, 3s);
    ASSERT_TRUE(shown);
    EXPECT_LT(*shown, 2s);

    pty = std::make_unique<brine_test::PtyPair>(devices.Path(), "usb-Wind_Instrument-if00");
    const auto cleared = passesUntil([&] { return !BarShowsPrefix(bar, "COM1"); }, 6s);
    ASSERT_TRUE(cleared);
    EXPECT_LT(*cleared, 5s);
    ASSERT_TRUE(pty->Send("$WIMWV,050.0,R,13.0,N,A*14\r\n"));
    EXPECT_TRUE(passesUntil([&] { return module.Wind().Device().ParsedLines() == 2; }, 2s));

    EXPECT_FALSE(module.Autopilot().OnUpdateAutopilotSwitch().enabled) << "no route module yet";
    module.ShutDown();
}

}   // namespace

#pragma once
// What the ARPA tests share: a settings home in a temporary folder, a
// silent message bar, NMEA lines with their checksum, and a module of any
// ARPA kind on a fake port with an own ship at a fixed place, fed line by
// line through the device's worker.

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "FakeClock.h"
#include "FakePort.h"
#include "TempFolder.h"
#include "app/MsgBar.h"
#include "platform/SettingsStore.h"
#include "targets/ARPAModule.h"

namespace brine_test {

struct ARPAHome : app::CSettingsHome {
    TempFolder dir;
    mutable platform::CSettingsStore store{dir.Path() / "settings.conf"};
    platform::CSettingsStore& GetStore() const override { return store; }
    std::string GetRegistryKey() const override { return "Software\\Quorwick\\Brinevane\\Default"; }
};

class SilentSound : public app::CAlertSound {
public:
    bool Play(const std::filesystem::path&) override { return true; }
    void Beep() override { }
};

// A line with its checksum.
inline std::string NmeaLine(const std::string& body)
{
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// The module on fake port 2, switched on, the own ship in Admiralty Inlet.
template <class Module, class... Extra>
struct ARPARig {
    ARPAHome home;
    FakeClock clock;
    SilentSound sound;
    app::CMsgBar bar{clock, sound, "."};
    FakePorts ports;
    FakePort& port = ports.Add(2);
    Module module;
    targets::CNavigationState nav;

    explicit ARPARig(Extra... extra) : module(home, ports, clock, &bar, extra...)
    {
        module.Initialise();
        nav.own.position = targets::CTargetPosition{47.95, -122.60};
        nav.own.heading = 0.0;
        nav.utc = clock.UtcNow();
        nav.cycle = 1;
        module.SetNavigation([this] { return nav; });
        module.Config().receivePort = 2;
        module.OnActivate();
    }
    ~ARPARig() { module.Terminate(); }

    // Feeds lines as the port's reader would and waits until the worker parsed them.
    bool Receive(const std::vector<std::string>& bodies)
    {
        using namespace std::chrono_literals;
        const auto before = module.Device().ParsedLines();
        for (const auto& body : bodies)
            port.Receive(NmeaLine(body));
        for (int i = 0; i < 500 && module.Device().ParsedLines() < before + bodies.size(); ++i)
            std::this_thread::sleep_for(2ms);
        return module.Device().ParsedLines() == before + bodies.size();
    }
    void Pass(std::chrono::seconds step = std::chrono::seconds(1))
    {
        clock.Advance(step);
        nav.utc = clock.UtcNow();
        module.TimerPass();
    }
    const targets::CTrackedTarget* Target(int number) const
    {
        for (const targets::CTrackedTarget& t : module.Targets())
            if (t.record->Number() == number)
                return &t;
        return nullptr;
    }
};

}   // namespace brine_test

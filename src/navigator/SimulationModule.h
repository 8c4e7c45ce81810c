#pragma once
// The NMEA replay as a sub-module of the navigator: its setting "FilePath"
// (the speed factor is a scripted check's start-up choice, never stored),
// its message-bar text with the run's progress, and the start, stop and end
// of a run. Runs on the user-interface
// thread; the replay thread only posts its end notice.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/Module.h"
#include "app/MsgBar.h"
#include "navigator/NmeaReplay.h"

namespace navigator {

class CSimulationModule final : public app::CModule {
public:
    static constexpr const char* kMessageText = "NMEA in Simulation Mode.";

    // postFinished(generation) is called on the replay thread; it posts the
    // end notice (0x508, wParam = generation) to the monitor panel's queue.
    CSimulationModule(app::CSettingsHome& settings, std::string ownerName, CReplayTarget& target,
                      CReplayPacer& pacer, std::function<void(std::uint64_t)> postFinished);
    ~CSimulationModule() override;

    void SetMessageBar(app::CMsgBar* bar);
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;

    const std::filesystem::path& FilePath() const { return m_filePath; }
    void SetFilePath(std::filesystem::path path) { m_filePath = std::move(path); }
    int SpeedFactor() const { return m_speed; }
    void SetSpeedFactor(int speed);

    bool Start();
    bool Stop();
    // The end notice; a stale one (earlier generation) changes nothing.
    bool OnFinished(std::uint64_t generation);
    // The options page's OK: restarts when the switch or the file changed.
    void Apply(bool run, const std::filesystem::path& file, int speed);

    bool IsRunning() const { return m_replay.IsRunning(); }
    // The message-bar text: progress while running, the reason after a
    // failed run, empty when idle.
    std::string StatusText() const;
    // Refreshes the message-bar text from the progress (the cycle calls it).
    void UpdateProgress();
    const CNmeaReplay& Replay() const { return m_replay; }

private:
    void ShowMessage(bool on);

    CNmeaReplay m_replay;
    app::CMsgBar* m_bar = nullptr;
    app::MsgHandle m_message = nullptr;
    app::MsgHandle m_failure = nullptr;
    std::filesystem::path m_filePath;
    int m_speed = 1;
    bool m_runFlag = false;
    std::string m_lastText;
};

}   // namespace navigator

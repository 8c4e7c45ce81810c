#pragma once
// Doubles for the chartpoint module's outside: settings in a file of the
// test's folder, a station link that records its posts, a panel that keeps
// what it was shown, a transmitter with a staging limit.

#include "app/WaitStatus.h"
#include "chartpoints/ChartpointModule.h"

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace brine_test {

class FolderSettings final : public app::CSettingsHome {
public:
    explicit FolderSettings(const std::filesystem::path& folder) : m_store(folder / "settings.conf")
    { }
    platform::CSettingsStore& GetStore() const override { return m_store; }
    std::string GetRegistryKey() const override { return "Software\\Test\\Default"; }

private:
    mutable platform::CSettingsStore m_store;
};

class RecordingStation final : public chartpoints::CStationLink {
public:
    bool IsRunning() const override { return running; }
    bool Post(std::uint8_t type, std::string payload) override
    {
        posts.push_back(std::to_string(type) + ":" + std::to_string(int(payload[0])) + ":" +
                        payload.substr(1));
        return true;
    }
    bool running = true;
    std::vector<std::string> posts;
};

class FakePanel final : public chartpoints::CChartpointUi {
public:
    void ShowChartpoint(const chartpoints::CChartpoint& cp) override { shown = cp; }
    bool ReadPanel(chartpoints::CChartpoint& cp, std::string&) override
    {
        cp = edited;
        return true;
    }
    bool IsPanelModified() const override { return modified; }
    void ClearPanelModified() override { modified = false; }
    bool IsPositionLocked() const override { return locked; }
    void SetPositionLocked(bool on) override { locked = on; }
    std::optional<std::string> AskSavePath(const std::string&, const std::string& def) override
    {
        defaultName = def;
        return savePath;
    }
    bool IsListOpen() const override { return listOpen; }
    void ListRebuild() override { ++listRebuilds; }
    void ListUpdate(int hint) override { listHints.push_back(hint); }
    void CombosRefill() override
    {
        ++comboRefills;
        refillWaitDepth = app::CWaitStatus::Depth();
    }
    void CombosSelectCurrent() override { ++comboSelects; }
    chartpoints::CChartpoint shown;
    chartpoints::CChartpoint edited;
    bool modified = false;
    bool locked = true;
    std::optional<std::string> savePath;
    std::string defaultName;
    // The list and combos: what they were asked to do.
    bool listOpen = false;
    int listRebuilds = 0;
    std::vector<int> listHints;
    int comboRefills = 0;
    int refillWaitDepth = -1;   // the wait state's depth at the last refill
    int comboSelects = 0;
};

class FakeTransmitter final : public chartpoints::CWaypointTransmitter {
public:
    bool Send(const nmea::CUploadPoint& p, int mode, int number, bool checksum) override
    {
        if (!open || refuseAfter == int(sent.size()) || staged >= limit)
            return false;
        ++staged;
        sent.push_back(std::to_string(number) + " " + p.name + (checksum ? " *" : "") + " m" +
                       std::to_string(mode));
        return true;
    }
    bool CanTransmit() const override { return open; }
    bool WaitForRoom(std::chrono::milliseconds) override
    {
        ++waits;
        staged = 0;   // the port drained the queue
        return true;
    }
    bool open = true;
    int limit = 1 << 30;
    int staged = 0;
    int refuseAfter = -1;
    int waits = 0;
    std::vector<std::string> sent;
};

}   // namespace brine_test

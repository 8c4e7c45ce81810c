#pragma once
// Saves the settings store soon after it changes, on a thread of its own, so
// a change reaches the disk within a couple of seconds even when the program
// is killed or the power fails before it closes. Changes made close together
// are batched into one save; a save that fails (the file locked by another
// program, a full disk) is reported and tried again later. The user-interface
// thread never waits on the file.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

class CSettingsStore;

class CSettingsAutoSave {
public:
    struct Timing {
        // After the first change, how long to gather further changes.
        std::chrono::milliseconds batch{1000};
        // After a failed save, how long before the next try.
        std::chrono::milliseconds retry{5000};
    };
    // Called on the saving thread with the store's report of a failed save.
    using ErrorReport = std::function<void(const std::string& error)>;

    CSettingsAutoSave(CSettingsStore& store, Timing timing, ErrorReport report = {});
    explicit CSettingsAutoSave(CSettingsStore& store) : CSettingsAutoSave(store, Timing{}) { }
    // Stops the thread, then saves whatever is still unsaved.
    ~CSettingsAutoSave();
    CSettingsAutoSave(const CSettingsAutoSave&) = delete;
    CSettingsAutoSave& operator=(const CSettingsAutoSave&) = delete;

    // Saves completed by the thread (for tests and diagnostics).
    int SavesDone() const;

private:
    void Run(std::stop_token stop);

    CSettingsStore& m_store;
    const Timing m_timing;
    const ErrorReport m_report;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    bool m_dirty = false;
    int m_saves = 0;
    std::jthread m_thread;   // last: starts after everything it uses exists
};

}   // namespace platform

#include "platform/SettingsAutoSave.h"

#include "platform/SettingsStore.h"

namespace platform {

CSettingsAutoSave::CSettingsAutoSave(CSettingsStore& store, Timing timing, ErrorReport report)
    : m_store(store), m_timing(timing), m_report(std::move(report))
{
    m_dirty = store.HasUnsavedChanges();
    m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
    m_store.SetChangeListener([this] {
        {
            std::lock_guard guard(m_mutex);
            m_dirty = true;
        }
        m_wake.notify_one();
    });
}

CSettingsAutoSave::~CSettingsAutoSave()
{
    m_store.SetChangeListener({});
    m_thread.request_stop();
    if (m_thread.joinable())
        m_thread.join();
    if (m_store.HasUnsavedChanges() && !m_store.Save() && m_report)
        m_report(m_store.LastError());
}

int CSettingsAutoSave::SavesDone() const
{
    std::lock_guard guard(m_mutex);
    return m_saves;
}

void CSettingsAutoSave::Run(std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    while (!stop.stop_requested()) {
        if (!m_wake.wait(lock, stop, [this] { return m_dirty; }))
            return;
        // Gather the changes that follow the first one into the same save.
        m_wake.wait_for(lock, stop, m_timing.batch, [] { return false; });
        if (stop.stop_requested())
            return;
        m_dirty = false;
        lock.unlock();
        const bool saved = m_store.Save();
        if (!saved && m_report)
            m_report(m_store.LastError());
        lock.lock();
        if (saved) {
            ++m_saves;
            continue;
        }
        m_dirty = true;
        m_wake.wait_for(lock, stop, m_timing.retry, [] { return false; });
    }
}

}   // namespace platform

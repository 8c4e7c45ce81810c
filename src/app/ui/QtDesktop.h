#pragma once
// The desktop facts core code asks through CDesktop, answered from Qt: the
// primary screen, the default printer, the pointing devices and mouse button
// mapping, the audio outputs. The application makes one at start-up, before
// the main frame it hands it to, and removes it after. The facts are read on the
// user-interface thread when it is made and again when the screens change,
// and kept in atomics, so any thread may ask; sounds and the event pump
// belong to the user-interface thread.

#include <atomic>
#include <memory>

#include "app/SystemUtils.h"

class QObject;
class QSoundEffect;

namespace app {

class CQtDesktop final : public app::CDesktop {
public:
    CQtDesktop();
    ~CQtDesktop() override;
    CQtDesktop(const CQtDesktop&) = delete;
    CQtDesktop& operator=(const CQtDesktop&) = delete;

    int ScreenBitsPerPixel() const override;
    int ScreenWidth() const override;
    int ScreenHeight() const override;
    bool HasStaticSystemColours() const override;
    bool IsPrinterInstalled() const override;
    bool IsMousePresent() const override;
    bool AreMouseButtonsSwapped() const override;
    bool HasWaveDevice() const override;
    bool PlaySoundFile(const std::filesystem::path& file, bool loop) override;
    void StopSound() override;
    void PumpMessages() override;

    // Reads the facts again (the screens changed).
    void Refresh();

private:
    std::atomic<int> m_bitsPerPixel{0};
    std::atomic<int> m_width{-1};
    std::atomic<int> m_height{-1};
    std::atomic<bool> m_hasScreen{false};
    std::atomic<bool> m_printer{false};
    std::atomic<bool> m_mouse{false};
    std::atomic<bool> m_swapped{false};
    std::atomic<bool> m_wave{false};
    std::unique_ptr<QSoundEffect> m_sound;
    std::unique_ptr<QObject> m_watcher;   // screen-change connections
};

}   // namespace app

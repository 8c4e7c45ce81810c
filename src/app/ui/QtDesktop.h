#pragma once
// The desktop facts core code asks through CDesktop, answered from Qt: the
// primary screen, the default printer, the pointing devices and mouse button
// mapping, the audio outputs. The application installs one at start-up
// (SetDesktop) and removes it before it goes.

#include <memory>

#include "app/SystemUtils.h"

class QSoundEffect;

class CQtDesktop final : public CDesktop {
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

private:
    std::unique_ptr<QSoundEffect> m_sound;
};

// Installs a desktop for the lifetime of this object.
class CDesktopInstallation {
public:
    explicit CDesktopInstallation(CDesktop& desktop) { SetDesktop(&desktop); }
    ~CDesktopInstallation() { SetDesktop(nullptr); }
    CDesktopInstallation(const CDesktopInstallation&) = delete;
    CDesktopInstallation& operator=(const CDesktopInstallation&) = delete;
};

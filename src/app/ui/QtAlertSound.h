#pragma once
// Alert sounds of the program: wave files played once, asynchronously,
// through the default audio output; the system beep when none can be played.
// Each request is logged ("Brinevane: alert sound ...") with its outcome.

#include <memory>

#include "app/MsgBar.h"

class QSoundEffect;

namespace app {

class CQtAlertSound final : public app::CAlertSound {
public:
    CQtAlertSound();
    ~CQtAlertSound() override;
    // True when the machine has an audio output: the "AudioAlerts" default.
    static bool HasAudioOutput();
    bool Play(const std::filesystem::path& waveFile) override;
    void Beep() override;

private:
    std::unique_ptr<QSoundEffect> m_effect;
};

}   // namespace app

#include "app/ui/QtAlertSound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <QtGlobal>

namespace app {

CQtAlertSound::CQtAlertSound() = default;
CQtAlertSound::~CQtAlertSound() = default;

bool CQtAlertSound::HasAudioOutput()
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

// Every sound asked for is logged with what became of it, so a silent alarm on
// a machine without speakers can still be told from a missing sound file.
bool CQtAlertSound::Play(const std::filesystem::path& waveFile)
{
    std::error_code ec;
    const bool present = std::filesystem::is_regular_file(waveFile, ec);
    const bool output = HasAudioOutput();
    qInfo("Brinevane: alert sound \"%s\": %s", waveFile.string().c_str(),
          !present  ? "no such file, beep"
          : !output ? "no audio output, beep"
                    : "playing");
    if (!present || !output)
        return false;
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl::fromLocalFile(QString::fromStdString(waveFile.string())));
    m_effect->setLoopCount(1);
    m_effect->play();
    return true;
}

void CQtAlertSound::Beep()
{
    QApplication::beep();
}

}   // namespace app

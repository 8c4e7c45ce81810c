#include "app/ui/QtAlertSound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace app {

CQtAlertSound::CQtAlertSound() = default;
CQtAlertSound::~CQtAlertSound() = default;

bool CQtAlertSound::HasAudioOutput()
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

bool CQtAlertSound::Play(const std::filesystem::path& waveFile)
{
    std::error_code ec;
    if (!HasAudioOutput() || !std::filesystem::is_regular_file(waveFile, ec))
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

#include "navigator/SimulationModule.h"

#include <algorithm>
#include <cmath>

#include "app/Registry.h"
#include "platform/Ascii.h"

namespace navigator {

CSimulationModule::CSimulationModule(app::CSettingsHome& settings, std::string ownerName,
                                     CReplayTarget& target, CReplayPacer& pacer,
                                     std::function<void(std::uint64_t)> postFinished)
    : app::CModule(settings), m_replay(target, pacer, std::move(postFinished))
{
    SetModuleName(ownerName + "\\Simulation");
}

CSimulationModule::~CSimulationModule()
{
    m_replay.Stop();
}

void CSimulationModule::SetMessageBar(app::CMsgBar* bar)
{
    m_bar = bar;
    if (m_bar != nullptr) {
        m_bar->AddMessage(m_message, kMessageText, 22000, 0, false);
        m_bar->AddMessage(m_failure, "", 22000, 0, false);
    }
}

bool CSimulationModule::Terminate()
{
    m_replay.Stop();
    if (m_bar != nullptr) {
        m_bar->LockUpdate(false);
        m_bar->RemoveMessage(m_message, false);
        m_bar->RemoveMessage(m_failure, false);
        m_bar->LockUpdate(true);
        m_bar = nullptr;
    }
    return true;
}

void CSimulationModule::LoadSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (!OpenSettings(reg, false))
        return;
    std::string path;
    if (reg.ReadString("FilePath", path))
        m_filePath = path;
}

void CSimulationModule::SaveSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (!OpenSettings(reg, true))
        return;
    reg.WriteString("FilePath", m_filePath.string());
}

void CSimulationModule::SetSpeedFactor(int speed)
{
    m_speed = std::clamp(speed, CNmeaReplay::kMinSpeed, CNmeaReplay::kMaxSpeed);
}

bool CSimulationModule::Start()
{
    if (m_replay.IsRunning())
        return true;
    m_runFlag = true;
    if (m_bar != nullptr)
        m_bar->SetMessageActive(m_failure, 0, true);
    const bool started = m_replay.Start(m_filePath, m_speed).has_value();
    ShowMessage(started);
    return started;
}

bool CSimulationModule::Stop()
{
    m_runFlag = false;
    m_replay.Stop();
    ShowMessage(false);
    return true;
}

bool CSimulationModule::OnFinished(std::uint64_t generation)
{
    if (!m_replay.OnFinished(generation))
        return false;
    m_runFlag = false;
    ShowMessage(false);
    std::string reason;
    switch (m_replay.LastEnd()) {
    case ReplayEnd::CannotOpen:
        reason = "NMEA replay file could not be opened: " + m_filePath.string();
        break;
    case ReplayEnd::NoDevice:
        reason = "NMEA replay reached no device: no port receives NMEA.";
        break;
    default: break;
    }
    if (!reason.empty() && m_bar != nullptr && m_failure != nullptr) {
        m_bar->SetMessageText(m_failure, reason, true);
        m_bar->SetMessageTimeout(m_failure, std::chrono::seconds(60));
        m_bar->SetMessageActive(m_failure, 1, true);
    }
    m_lastText = reason;
    return true;
}

void CSimulationModule::Apply(bool run, const std::filesystem::path& file, int speed)
{
    const bool fileChanged = !platform::EqualNoCaseAscii(file.string(), m_filePath.string());
    const bool speedChanged =
        std::clamp(speed, CNmeaReplay::kMinSpeed, CNmeaReplay::kMaxSpeed) != m_speed;
    if (run == m_runFlag && !fileChanged && !speedChanged)
        return;
    m_filePath = file;
    SetSpeedFactor(speed);
    Stop();
    m_runFlag = run;
    if (run)
        Start();
}

std::string CSimulationModule::StatusText() const
{
    if (!m_replay.IsRunning())
        return m_lastText;
    const CReplayProgress p = m_replay.Progress();
    std::string text = std::string(kMessageText) + " " +
                       std::to_string(static_cast<int>(std::floor(p.share * 100))) + "% of " +
                       m_filePath.filename().string();
    if (m_speed > 1)
        text += " at " + std::to_string(m_speed) + "x";
    if (!p.lastFixTime.empty())
        text += ", fix " + p.lastFixTime + " UTC";
    return text;
}

void CSimulationModule::UpdateProgress()
{
    if (m_bar == nullptr || m_message == nullptr || !m_replay.IsRunning())
        return;
    m_bar->SetMessageText(m_message, StatusText(), true);
}

void CSimulationModule::ShowMessage(bool on)
{
    if (m_bar == nullptr || m_message == nullptr)
        return;
    if (!on)
        m_bar->SetMessageText(m_message, kMessageText, false);
    m_bar->SetMessageActive(m_message, on ? 1 : 0, true);
    if (on)
        UpdateProgress();
}

}   // namespace navigator

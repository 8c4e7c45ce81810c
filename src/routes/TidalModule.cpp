#include "routes/TidalModule.h"

#include "app/Registry.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace routes {

void CTidalDisplaySettings::Load(const app::CRegistry& key)
{
    std::uint32_t number = 0;
    if (key.ReadDWord("StartTimeMethod", number))
        startTimeMethod = number <= 2 ? int(number) : 0;
    key.ReadBool("AutomaticOn", automaticSpacing);
    key.ReadBool("RateAndDirectionOn", rateAndDirection);
    key.ReadBool("ElevationOn", elevation);
    double value = 0;
    if (key.ReadDouble("NautMilesSpacing", value))
        spacing = std::isfinite(value) ? std::clamp(value, kMinSpacing, kMaxSpacing) : 12.0;
    if (key.ReadDWord("VectorLen", number))
        vectorLength = int(std::clamp<std::uint32_t>(number, kMinVectorLength, kMaxVectorLength));
    app::CDateTimeEx when;
    if (key.ReadDateTime("StartTime", when) && when.IsValid())
        startTime = when;
}

void CTidalDisplaySettings::Save(app::CRegistry& key) const
{
    key.WriteDWord("StartTimeMethod", std::uint32_t(startTimeMethod));
    key.WriteBool("AutomaticOn", automaticSpacing);
    key.WriteBool("RateAndDirectionOn", rateAndDirection);
    key.WriteBool("ElevationOn", elevation);
    key.WriteDouble("NautMilesSpacing", spacing);
    key.WriteDWord("VectorLen", std::uint32_t(vectorLength));
    if (startTime.IsValid())
        key.WriteDateTime("StartTime", startTime);
}

CTidalModule::CTidalModule(app::CSettingsHome& settings, std::string programFolder)
    : app::CModule(settings), m_models(std::make_unique<CTidalModelModule>(settings, programFolder))
{
    SetModuleName("Tidal");
}

CTidalModule::~CTidalModule() = default;

bool CTidalModule::Initialise()
{
    return app::CModule::Initialise() && m_models->Initialise();
}

bool CTidalModule::Terminate()
{
    try {
        m_models->Terminate();
    } catch (...) { }
    return app::CModule::Terminate();
}

void CTidalModule::LoadSettings()
{
    app::CRegistry key(Settings().GetStore());
    if (OpenSettings(key, false))
        m_display.Load(key);
    m_models->LoadSettings();
}

void CTidalModule::SaveSettings()
{
    app::CRegistry key(Settings().GetStore());
    if (OpenSettings(key, true))
        m_display.Save(key);
    m_models->SaveSettings();
}

bool CTidalModule::CheckAvailability()
{
    m_dataAvailable = m_models->SetLibraryPath() && m_models->LoadModels();
    return true;
}

chart::CTidalSettings CTidalModule::GetTidalSettings() const
{
    chart::CTidalSettings s;
    // The arrow's length is rate x 10 x scale x 0.1 pixels: VectorLen per knot.
    s.arrowScale = m_display.vectorLength;
    s.capDistance = m_display.SpacingInUse();
    s.showRate = m_display.rateAndDirection;
    s.showHeight = m_display.elevation;
    return s;
}

std::int64_t LocalToUtcSeconds(const app::CDateTimeEx& local)
{
    std::tm tm{};
    tm.tm_year = local.GetYear() - 1900;
    tm.tm_mon = local.GetMonth() - 1;
    tm.tm_mday = local.GetDay();
    tm.tm_hour = local.GetHour();
    tm.tm_min = local.GetMinute();
    tm.tm_sec = local.GetSecond();
    tm.tm_isdst = -1;
    return std::int64_t(std::mktime(&tm));
}

app::CDateTimeEx UtcSecondsToLocal(std::int64_t utc)
{
    const std::time_t t = std::time_t(utc);
    std::tm tm{};
    localtime_r(&t, &tm);
    return app::CDateTimeEx(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                            tm.tm_sec);
}

}   // namespace routes

#include "navigator/VesselModule.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "app/Registry.h"
#include "platform/Ascii.h"

namespace fs = std::filesystem;

namespace navigator {

double StepVesselCircleRadius(double nm, bool up)
{
    if (!std::isfinite(nm))
        return kVesselCircleFallback;
    double next = nm;
    if (up && nm < kVesselCircleMost)
        next = nm + (nm >= 1.0 ? 0.1 : 0.02);
    else if (!up && nm > kVesselCircleLeast)
        next = nm - (nm <= 1.0 ? 0.02 : 0.1);
    // The text shows two decimals, so the next step starts from what is shown.
    next = std::round(next * 100.0) / 100.0;
    return std::clamp(next, kVesselCircleLeast, kVesselCircleMost);
}

std::string VesselFileTitle(std::string_view stored)
{
    const std::size_t slash = stored.find_last_of("/\\");
    if (slash != std::string_view::npos)
        stored.remove_prefix(slash + 1);
    // Only the vessel file's own extension goes: "M.V. Aurora" is a name, not "M" and ".V. Aurora".
    if (stored.size() > 4 && platform::EqualNoCaseAscii(stored.substr(stored.size() - 4), ".vsl"))
        stored.remove_suffix(4);
    std::string title;
    for (char c : stored)
        title.push_back((static_cast<unsigned char>(c) < 0x20 || c == ':') ? '_' : c);
    if (title.find_first_not_of(". ") == std::string::npos)
        return "Default";
    return title;
}

std::string VesselFileTitleForName(std::string_view name)
{
    std::string safe(name);
    for (char& c : safe)
        if (c == '/' || c == '\\')
            c = '_';
    return VesselFileTitle(safe);
}

CVesselModule::CVesselModule(app::CSettingsHome& home, fs::path defaultFolder)
    : app::CModule(home), m_defaultFolder(std::move(defaultFolder))
{
    SetModuleName("Vessel");
    // The symbol is stored under the module's key; the heading marker and the
    // speed vector each under its kind's name there, as the two pens share
    // value names such as "LineWidth".
    m_style.vessel.SetBaseKey(GetModuleName());
    for (chart::CLineProperties* line : {&m_style.headingMarker, &m_style.vector})
        line->SetBaseKey(GetModuleName() + "\\" + line->GetKeyName());
    m_vessel.name = m_name;
}

bool CVesselModule::Initialise()
{
    UseFolder(m_defaultFolder);
    return true;
}

bool CVesselModule::UseFolder(const fs::path& folder)
{
    std::error_code ec;
    if (!folder.empty() && (fs::is_directory(folder, ec) || fs::create_directories(folder, ec))) {
        SetDataFolder(folder.string());
        return true;
    }
    // A folder that cannot be reached or made gives way to the default one.
    fs::create_directories(m_defaultFolder, ec);
    SetDataFolder(m_defaultFolder.string());
    return false;
}

fs::path CVesselModule::VesselFilePath() const
{
    return fs::path(GetDataFolder()) / (m_name + ".vsl");
}

void CVesselModule::LoadSettings()
{
    app::CRegistry key(Settings().GetStore());
    std::string folder = m_defaultFolder.string();
    if (OpenSettings(key, false)) {
        key.ReadString("DataFolder", folder);
        std::string name;
        if (key.ReadString("Name", name))
            m_name = VesselFileTitle(name);
        key.ReadBool("WarningCircles", m_warningCircles);
        double radius = m_warningCirclesRadius;
        if (key.ReadDouble("WarningCirclesRadius", radius))
            m_warningCirclesRadius =
                std::isfinite(radius) && radius >= kVesselCircleLeast && radius <= kVesselCircleMost
                    ? radius
                    : kVesselCircleFallback;
    }
    UseFolder(folder);
    m_style.vessel.Load(Settings());
    for (chart::CLineProperties* line : {&m_style.headingMarker, &m_style.vector}) {
        // Settings written when both pens were kept under the module's own key.
        app::CRegistry own(Settings().GetStore());
        if (own.OpenKeyForRead(line->GetRegistryPath(Settings()))) {
            own.Close();
            line->Load(Settings());
            continue;
        }
        const std::string base = line->GetBaseKey();
        line->SetBaseKey(GetModuleName());
        line->Load(Settings());
        line->SetBaseKey(base);
    }

    // The particulars come from the vessel's file; a vessel never saved keeps
    // the defaults under its name, and a damaged file gives what it holds
    // before its damaged line (the message says which), defaults after it.
    m_fileMessage.clear();
    m_vessel.Reset();
    m_vessel.name = m_name;
    std::error_code ec;
    if (fs::exists(VesselFilePath(), ec)) {
        const CVesselFileResult read = ReadVesselFile(VesselFilePath(), m_vessel, fileWait);
        if (!read.ok)
            m_fileMessage = read.message;
    }
    Changed();
}

void CVesselModule::SaveSettings()
{
    app::CRegistry key(Settings().GetStore());
    if (OpenSettings(key, true)) {
        key.WriteString("DataFolder", GetDataFolder());
        key.WriteString("Name", m_name);
        key.WriteBool("WarningCircles", m_warningCircles);
        key.WriteDouble("WarningCirclesRadius", m_warningCirclesRadius);
    }
    m_style.vessel.Save(Settings());
    m_style.headingMarker.Save(Settings());
    m_style.vector.Save(Settings());
}

bool CVesselModule::WriteVessel()
{
    const CVesselFileResult written = WriteVesselFile(VesselFilePath(), m_vessel, fileWait);
    m_fileMessage = written.message;
    return written.ok;
}

bool CVesselModule::ApplyParticulars(const COwnVessel& particulars, const std::string& folder)
{
    COwnVessel next = m_vessel;
    next.name = particulars.name;
    next.length = particulars.length;
    next.draft = particulars.draft;
    next.speed = particulars.speed;
    next.beam = particulars.beam;
    if (particularsChanging)
        particularsChanging(m_vessel, next);
    m_vessel = next;
    UseFolder(folder);
    m_name = VesselFileTitleForName(m_vessel.name);
    const bool ok = WriteVessel();
    // Stored at once: a program killed later still finds this vessel's file by its name.
    SaveSettings();
    Changed();
    return ok;
}

bool CVesselModule::ApplyDeviation(const std::array<double, kDeviationPoints>& card)
{
    m_vessel.deviation = card;
    const bool ok = WriteVessel();
    Changed();
    return ok;
}

void CVesselModule::ApplyOverlays(const chart::COwnVesselStyle& style, bool circles, double radius)
{
    m_style = style;
    m_warningCircles = circles;
    if (std::isfinite(radius))
        m_warningCirclesRadius = std::clamp(radius, kVesselCircleLeast, kVesselCircleMost);
    SaveSettings();
    Changed();
}

}   // namespace navigator

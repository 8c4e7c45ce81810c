#include "charts/vector/LiveChartService.h"

#include <algorithm>

#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "chart/ChartingModule.h"
#include "charts/vector/LiveChartDoc.h"
#include "platform/Ascii.h"
#include "platform/Files.h"

namespace charts {

namespace fs = std::filesystem;

namespace {

// Creates `folder` when missing; whether it is a folder now.
bool MakeFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

// A cell's base file or one of its updates: ".000" to ".999".
bool IsCellFile(const fs::path& file)
{
    const std::string ext = file.extension().string();
    return ext.size() == 4 &&
           std::all_of(ext.begin() + 1, ext.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}   // namespace

CLiveChartService::CLiveChartService(app::CSettingsHome& home) : CChartModule(home)
{
    SetModuleName("Chart\\LIVECHART");
}

bool CLiveChartService::SetFolder(const std::string& folder)
{
    if (folder.empty() || !MakeFolder(folder))
        return false;
    SetDataFolder(folder);
    SaveSettings();
    return true;
}

void CLiveChartService::LoadSettings()
{
    app::CRegistry reg(Settings().GetStore());
    std::string folder;
    if (!OpenSettings(reg, false) || !reg.ReadString("ChartsFolder", folder))
        return;
    reg.Close();
    // A stored folder that cannot be made leaves the one below the charts folder.
    if (!folder.empty() && MakeFolder(folder))
        SetDataFolder(folder);
}

void CLiveChartService::SaveSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, true)) {
        reg.WriteString("ChartsFolder", GetDataFolder());
        reg.Close();
    }
}

std::string CLiveChartService::InstallSampleMedia(const std::string& folder)
{
    // Samples never mix with charts the user has.
    if (folder.empty() || GetDataFolder().empty() || HasChartsOrCells())
        return {};
    std::error_code ec;
    int copied = 0;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec) || !IsCellFile(entry.path()))
            continue;
        // Never over a file already there.
        if (fs::copy_file(entry.path(), Folder() / entry.path().filename(),
                          fs::copy_options::skip_existing, ec))
            ++copied;
    }
    if (copied == 0)
        return {};
    const vengine::FolioUpdateResult result = UpdateFolio({}, {});
    if (result.recordsWritten <= 0)
        return {};
    if (m_charting)
        m_charting->BuildChartFolio();
    const auto records = vengine::ReadFolio(Folder());
    if (!records)
        return {};
    const vengine::FolioRecord* overview = nullptr;
    for (const auto& r : *records)
        if (r.inUse && !platform::EqualNoCaseAscii(r.name, "LCWORLD") &&
            (!overview || r.scale > overview->scale))
            overview = &r;
    return overview ? (Folder() / (overview->name + ".b")).string() : std::string();
}

bool CLiveChartFolioItem::Matches(const vengine::FolioRecord& record) const
{
    const fs::path name(fileName);
    return scale == record.scale && name.stem().string() == record.name;
}

bool CLiveChartService::Initialise()
{
    const bool ok = CChartModule::Initialise();
    if (!m_charting || m_charting->Services().programFolder.empty() || GetDataFolder().empty())
        return ok;
    const fs::path old = fs::path(m_charting->Services().programFolder) / "LIVECHART";
    std::error_code ec;
    if (!fs::is_directory(old, ec) || app::IsReadOnlyPath(old) ||
        fs::equivalent(old, Folder(), ec) || !app::IsFolderEmpty(Folder()))
        return ok;
    // The empty chart folder gives way to the older one.
    fs::remove(Folder(), ec);
    fs::rename(old, Folder(), ec);
    if (ec) {
        fs::create_directories(Folder(), ec);
        return ok;
    }
    if (const auto folio = platform::FindNoCase(Folder(), vengine::kFolioName))
        fs::remove(*folio, ec);
    return ok;
}

void CLiveChartService::SetChartsFolder(const std::string& folder)
{
    const fs::path own = fs::path(folder) / "LIVECHART";
    std::error_code ec;
    fs::create_directories(own, ec);
    SetDataFolder(own.string());
}

bool CLiveChartService::OpensExtension(std::string_view extension) const
{
    return platform::EqualNoCaseAscii(extension, "b");
}

std::unique_ptr<chart::CChartDoc> CLiveChartService::CreateChartDoc(chart::CChartingModule& module)
{
    return std::make_unique<CLiveChartDoc>(&module);
}

std::optional<std::filesystem::path> CLiveChartService::LargestScaleChartAt(
    const geo::CPosition& position) const
{
    if (!position.IsValid())
        return std::nullopt;
    const auto records = vengine::ReadFolio(Folder());
    if (!records)
        return std::nullopt;
    const std::int32_t lat = vengine::DegreesToUnits(position.GetLatitude());
    const std::int32_t lon = vengine::DegreesToUnits(position.GetLongitude());
    const auto found =
        vengine::FindBestChart(*records, vengine::FolioQuery{lon, lon, lat, lat, true, 0});
    if (!found)
        return std::nullopt;
    const std::filesystem::path path = Folder() / ((*records)[*found].name + ".b");
    if (!std::filesystem::exists(path))
        return std::nullopt;
    return path;
}

int CLiveChartService::BuildFolio(chart::Folio& folio, const std::function<void()>& /*recordRead*/)
{
    // What an update killed while it wrote left: nothing else would take it.
    vengine::RemoveLeftoverFolioTemps(Folder());
    auto records = vengine::ReadFolio(Folder());
    if (!records)
        return 0;
    int added = 0;
    for (const auto& r : *records) {
        if (!r.inUse)
            continue;
        auto item = std::make_unique<CLiveChartFolioItem>();
        item->chartKind = chart::kChartLivechart;
        item->fileName = r.name + ".b";
        item->scale = r.scale;
        item->value = std::uint32_t(std::max(r.scale, 0));
        item->title = r.name;
        folio.push_back(std::move(item));
        ++added;
    }
    return added;
}

void CLiveChartService::RemoveFolioItems(chart::Folio& folio)
{
    std::erase_if(folio, [](const std::unique_ptr<chart::CFolioItem>& item) {
        return item && item->chartKind == chart::kChartLivechart;
    });
}

bool CLiveChartService::HasChartsOrCells() const
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Folder(), ec)) {
        std::string ext = entry.path().extension().string();
        if (platform::EqualNoCaseAscii(ext, ".b"))
            return true;
    }
    return !vengine::FindCells(Folder()).empty();
}

vengine::FolioUpdateResult CLiveChartService::UpdateFolio(const vengine::FolioProgress& progress,
                                                          std::stop_token stop)
{
    auto result = vengine::UpdateFolio(Folder(), progress, stop);
    // Another process rebuilding: one more try, as the engine's result -1 asks.
    if (result.recordsWritten == -1 && !stop.stop_requested())
        result = vengine::UpdateFolio(Folder(), progress, stop);
    return result;
}

std::string CLiveChartService::UpdateMessage(const vengine::FolioUpdateResult& result)
{
    // The engine rebuilds the folio file from the folder: its count is every
    // chart written to the new file.
    const int n = result.recordsWritten;
    if (n <= 0)
        return "Update Folio failed";
    return "Folio Updated OK: " + (n == 1
                                       ? std::string("one file added to the folio file")
                                       : std::to_string(n) + " files were added to the folio file");
}

bool CLiveChartService::ChartOpened()
{
    ++m_openCharts;
    if (m_accepted || !m_disclaimer.show)
        return false;
    // Set before the dialog shows: agreeing keeps it, declining clears it.
    m_accepted = true;
    m_disclaimer.show(&m_accepted);
    return true;
}

void CLiveChartService::ChartClosed()
{
    if (m_openCharts > 0)
        --m_openCharts;
    if (m_openCharts == 0 && m_disclaimer.cancel)
        m_disclaimer.cancel();
}

}   // namespace charts

#include "charts/hcrf/HCRFModule.h"

#include "charts/hcrf/ARCSChartDoc.h"
#include "charts/hcrf/SeafarerChartDoc.h"

#include "charts/hcrf/ChartCopy.h"

#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "app/WaitStatus.h"
#include "chart/ChartingModule.h"
#include "charts/hcrf/ChartNames.h"
#include "charts/hcrf/HCRFDoc.h"
#include "geo/DatumInfo.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace charts::hcrf {

namespace {

bool StartsNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           platform::EqualNoCaseAscii(text.substr(0, prefix.size()), prefix);
}

std::string TrimRight(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// Sets the navigator's hold flag for as long as it lives.
class CHoldGuard {
public:
    explicit CHoldGuard(const std::function<void(bool)>& hold) : m_hold(hold)
    {
        if (m_hold)
            m_hold(true);
    }
    ~CHoldGuard()
    {
        if (m_hold)
            m_hold(false);
    }
    CHoldGuard(const CHoldGuard&) = delete;
    CHoldGuard& operator=(const CHoldGuard&) = delete;

private:
    const std::function<void(bool)>& m_hold;
};

geo::IntPoint Micro(const geo::CPosition& p)
{
    return {std::int32_t(std::lround(p.GetLongitude() * 1e6)),
            std::int32_t(std::lround(p.GetLatitude() * 1e6))};
}

}   // namespace

// ---- Folio items ---------------------------------------------------------------------

bool CFolioChart::ContainsPosition(const geo::CPosition& position) const
{
    return ContainsPoint(Micro(position));
}

// ---- Construction --------------------------------------------------------------------

CHCRFModule::CHCRFModule(app::CSettingsHome& settings, std::shared_ptr<CHCRFShared> shared,
                         int chartKind, std::uint32_t office, std::string country)
    : CChartModule(settings), m_shared(std::move(shared)), m_chartKind(chartKind), m_office(office),
      m_country(std::move(country))
{
    m_shared->services.push_back(this);
}

CHCRFModule::~CHCRFModule()
{
    auto& list = m_shared->services;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (list.empty())
        m_shared->catalogue.Close();
}

void CHCRFModule::LoadSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, false))
        reg.Close();
}

void CHCRFModule::SaveSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, true))
        reg.Close();
}

std::string CHCRFModule::GetServiceName(std::uint32_t office)
{
    switch (office) {
    case 0: return "ARCS - United Kingdom Hydrographic Office";
    case 1: return "Seafarer - Hydrographic Service Royal Australian Navy";
    default: return "Unknown";
    }
}

std::string CHCRFModule::GetUpdateLabelKey(std::string_view label) const
{
    return ExpandYear(label);
}

bool CHCRFModule::IsServiceUpdate(const CCDIdentifier& id) const
{
    return platform::EqualNoCaseAscii(id.country, m_country);
}

bool CHCRFModule::Initialise()
{
    const bool ok = CChartModule::Initialise();
    if (!m_shared->startupDone) {
        // A catalogue kept by an older installation in the program folder's
        // "arcs" moves to the module folder.
        if (m_charting) {
            const fs::path old = fs::path(m_charting->Services().programFolder) / "arcs";
            std::error_code ec;
            if (!m_charting->Services().programFolder.empty() && fs::is_directory(old, ec) &&
                !app::IsReadOnlyPath(old)) {
                const fs::path target = ModuleFolder() / "GB";
                fs::remove_all(target, ec);
                fs::create_directories(ModuleFolder(), ec);
                fs::rename(old, target, ec);
                for (fs::directory_iterator it(target, ec), end; !ec && it != end;
                     it.increment(ec)) {
                    if (platform::EqualNoCaseAscii(it->path().stem().string(), "Cat")) {
                        std::error_code copyError;
                        fs::copy_file(it->path(), ModuleFolder() / it->path().filename(),
                                      fs::copy_options::overwrite_existing, copyError);
                    }
                }
                for (const char* ext : {".dbf", ".mdx", ".dbt", ".DBF", ".MDX", ".DBT"})
                    fs::remove(target / (std::string("Cat") + ext), ec);
            }
        }
        // Charts and updates whose copy was killed part way would leave
        // their staging folders for good.
        RemoveDeadStagingFolders(ModuleFolder());
        OpenCatalogue(ModuleFolder(), true);
        m_shared->startupDone = true;
    }
    return ok;
}

void CHCRFModule::SetChartsFolder(const std::string& folder)
{
    // The module folder lies below the charts folder; a catalogue already
    // open follows the folder.
    SetDataFolder((fs::path(folder) / "HCRF").string());
    if (m_shared->startupDone && this == m_shared->services.front()) {
        const bool readOnly = Catalogue().IsReadOnly();
        CloseCatalogue();
        OpenCatalogue(ModuleFolder(), readOnly);
    }
}

// ---- Catalogue ---------------------------------------------------------------------

bool CHCRFModule::OpenCatalogue(const fs::path& folder, bool readOnly)
{
    db::CDBARCSCat& cat = Catalogue();
    cat.Close();
    cat.SetName("Cat");
    cat.SetFolder(folder.string());
    // A missing catalogue is made (empty) before it is opened, read-only
    // too: with no chart installed the catalogue is there and holds nothing.
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (readOnly && !fs::exists(db::ResolveNoCase(folder / "Cat.dbf"), ec)) {
        if (!cat.Open(false, false))
            return false;
        cat.Close();
    }
    return cat.Open(readOnly, false);
}

void CHCRFModule::CloseCatalogue()
{
    Catalogue().FlushIfOpen();
    Catalogue().Close();
}

std::string CHCRFModule::GetCataloguedChartPath(const std::string& number)
{
    db::CDBARCSCat& cat = Catalogue();
    if (!cat.SeekKey(number))
        return {};
    return ChartFilePath((cat.m_source & 1) != 0, cat.m_no, "chr").string();
}

bool CHCRFModule::IsChartInCatalogue(const std::string& path)
{
    db::CDBARCSCat& cat = Catalogue();
    return cat.SeekKey(fs::path(path).stem().string()) && cat.m_ho == 0;
}

bool CHCRFModule::DeleteChartSystem()
{
    const fs::path folder = ModuleFolder();
    if (folder.empty())
        return false;
    app::CWaitStatus wait;
    CloseCatalogue();
    std::error_code ec;
    fs::remove_all(folder, ec);
    const bool removed = !ec;
    fs::create_directories(folder, ec);
    // The catalogue comes back empty but whole: the read-only open makes its
    // files, so the chart system stands as a fresh one with no chart in it.
    return OpenCatalogue(folder, true) && removed && !ec;
}

// ---- Folders -----------------------------------------------------------------------

fs::path CHCRFModule::ChartsFolder() const
{
    return m_charting ? fs::path(m_charting->GetDataFolder()) : ModuleFolder().parent_path();
}

fs::path CHCRFModule::ModuleFolder() const
{
    return fs::path(GetDataFolder());
}

fs::path CHCRFModule::ServiceDir() const
{
    return ModuleFolder() / m_country;
}

fs::path CHCRFModule::SourcePath() const
{
    return m_charting ? fs::path(m_charting->GetSourcePath()) : fs::path();
}

fs::path CHCRFModule::ChartTree(bool onDisk) const
{
    return onDisk ? ServiceDir() / "ChartCD" : SourcePath();
}

fs::path CHCRFModule::UpdateTree(bool onDisk) const
{
    return onDisk ? ServiceDir() / "UpdateCD" : SourcePath();
}

fs::path CHCRFModule::ChartDir(const std::string& number)
{
    return fs::path("RasChts") / GetChartGroup(number) / GetChartFileName(number);
}

fs::path CHCRFModule::ChartFolder(bool onDisk, const std::string& number) const
{
    const fs::path folder = ChartTree(onDisk) / ChartDir(number);
    return onDisk ? folder : db::ResolveNoCase(folder);
}

fs::path CHCRFModule::ChartUpdateFolder(bool onDisk, const std::string& number) const
{
    const fs::path folder = UpdateTree(onDisk) / ChartDir(number);
    return onDisk ? folder : db::ResolveNoCase(folder);
}

fs::path CHCRFModule::ChartFilePath(bool onDisk, const std::string& number,
                                    std::string_view extension) const
{
    return ChartFolder(onDisk, number) / GetChartFileName(number, extension);
}

fs::path CHCRFModule::ChartUpdateFilePath(bool onDisk, const std::string& number,
                                          std::string_view extension) const
{
    return ChartUpdateFolder(onDisk, number) / GetChartFileName(number, extension);
}

fs::path CHCRFModule::UpdateSourcePath(const std::string& name) const
{
    return UpdateTree(true) / name;
}

bool CHCRFModule::IsNewerUpdateLabel(std::string_view label, std::string_view other) const
{
    return GetUpdateLabelKey(label) > GetUpdateLabelKey(other);
}

std::string CHCRFModule::FindChartFile(const std::string& baseLabel) const
{
    const std::string prefix = GetUpdatePrefix();
    std::string result = prefix + baseLabel;
    bool found = false;
    std::error_code ec;
    for (fs::directory_iterator it(UpdateTree(true), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!it->is_directory(ec) || !StartsNoCase(name, prefix) || name.front() == '.' ||
            it->path().has_extension())
            continue;
        // Only a folder newer than the prefixed base label replaces it.
        if (IsNewerUpdateLabel(name, result))
            result = name;
        found = true;
    }
    return found ? result : std::string{};
}

// ---- Folio -------------------------------------------------------------------------

namespace {

void TakeOutline(CFolioChart& item, std::vector<geo::CPosition> outline)
{
    std::vector<geo::CPosition> west;
    SplitOutlineAt180(outline, west);
    item.positions = outline;
    for (const auto& p : outline)
        item.outline.push_back(Micro(p));
    if (!item.outline.empty())
        item.outlineBounds = geo::PolygonBounds(item.outline);
    for (const auto& p : west)
        item.secondOutline.push_back(Micro(p));
    if (!item.secondOutline.empty())
        item.secondBounds = geo::PolygonBounds(item.secondOutline);
}

}   // namespace

long CHCRFModule::CatalogueRecordCount()
{
    db::CDBARCSCat& cat = Catalogue();
    return cat.IsOpen() ? std::max(cat.GetRecordCount(), 0L) : 0;
}

int CHCRFModule::BuildFolio(chart::Folio& folio, const std::function<void()>& recordRead)
{
    app::CWaitStatus wait;
    db::CDBARCSCat& cat = Catalogue();
    if (!cat.IsOpen())
        return 0;
    // Each update copy's catalogue is read once for the whole pass.
    std::map<std::string, CCatalogueFolder> folders;
    int count = 0;
    // The office tag keeps the catalogue's own order within the service.
    cat.SelectTag("T_HO");
    for (bool more = cat.Seek(db::CDBARCSCat::OfficeKey(m_office)); more && cat.m_ho == m_office;
         more = cat.SkipForward()) {
        ++count;
        if (recordRead)
            recordRead();
        const std::string key = platform::AsciiLowerCopy(cat.m_upcdid);
        auto it = folders.find(key);
        if (it == folders.end()) {
            it = folders.emplace(key, CCatalogueFolder{}).first;
            it->second.Load(UpdateSourcePath(cat.m_upcdid));
        }
        CARCSCatEntry entry;
        if (!it->second.IsLoaded() || !it->second.ReadEntryAt(cat.m_chptr, entry))
            continue;
        auto item = std::make_unique<CFolioChart>();
        item->service = this;
        item->chartKind = m_chartKind;
        item->fileName = cat.m_no;
        item->title = cat.m_desc;
        item->scale = entry.Scale();
        item->value = std::uint32_t(entry.Scale());
        item->notOffered = entry.outline.empty();
        TakeOutline(*item, entry.outline);
        folio.push_back(std::move(item));
        for (unsigned plan = 1; plan <= entry.plans; ++plan) {
            CPlanCatEntry planEntry;
            const auto offset = entry.PlanOffset(plan);
            if (!offset || !it->second.ReadPlan(*offset, planEntry))
                continue;
            auto inset = std::make_unique<CFolioChart>();
            inset->service = this;
            inset->chartKind = m_chartKind;
            inset->fileName = cat.m_no;
            inset->title = planEntry.title;
            inset->scale = planEntry.Scale();
            inset->value = std::uint32_t(planEntry.Scale());
            inset->panel = plan;
            inset->number = plan;
            inset->notOffered = planEntry.outline.empty();
            TakeOutline(*inset, planEntry.outline);
            folio.push_back(std::move(inset));
        }
    }
    cat.SelectTag("T_NO");
    return count;
}

void CHCRFModule::RemoveFolioItems(chart::Folio& folio)
{
    folio.erase(std::remove_if(folio.begin(), folio.end(),
                               [this](const std::unique_ptr<chart::CFolioItem>& item) {
                                   const auto* chartItem = dynamic_cast<CFolioChart*>(item.get());
                                   return chartItem && chartItem->service == this;
                               }),
                folio.end());
}

void SplitOutlineAt180(std::vector<geo::CPosition>& east, std::vector<geo::CPosition>& west)
{
    auto onMeridian = [](const geo::CPosition& p) { return std::fabs(p.GetLongitude()) == 180.0; };
    auto positive = [](const geo::CPosition& p) { return p.GetLongitude() >= 0; };
    bool crossing = false;
    for (std::size_t i = 1; i < east.size() && !crossing; ++i)
        crossing = onMeridian(east[i - 1]) && positive(east[i - 1]) != positive(east[i]);
    if (!crossing)
        return;
    std::vector<geo::CPosition> all = std::move(east);
    east.clear();
    west.clear();
    auto negated = [](const geo::CPosition& p) {
        return geo::CPosition(p.GetLatitude(), -p.GetLongitude(), p.GetAltitude(),
                              std::int16_t(p.GetDatum()));
    };
    std::vector<geo::CPosition>* current = positive(all[0]) ? &east : &west;
    current->push_back(all[0]);
    int crossings = 0;
    for (std::size_t i = 1; i < all.size(); ++i) {
        const geo::CPosition& previous = all[i - 1];
        if (onMeridian(previous) && positive(previous) != positive(all[i])) {
            ++crossings;
            current = positive(all[i]) ? &east : &west;
            const geo::CPosition copy = negated(previous);
            if (!(copy == all[i]))
                current->push_back(copy);
        }
        current->push_back(all[i]);
    }
    if (crossings % 2 == 1) {
        const geo::CPosition copy = negated(all.back());
        (positive(copy) ? east : west).push_back(copy);
    }
}

// ---- Documents and commands ---------------------------------------------------------

bool CHCRFModule::OpensExtension(std::string_view extension) const
{
    // One service opens every "chr": the catalogue decides the kind.
    return m_shared->services.front() == this && platform::EqualNoCaseAscii(extension, "chr");
}

namespace {

// The document kind of a service's charts.
std::unique_ptr<chart::CChartDoc> MakeServiceDoc(chart::CChartingModule& module,
                                                 CHCRFModule* service)
{
    if (service->ChartKind() == chart::kChartARCS)
        return std::make_unique<CARCSChartDoc>(&module, service);
    return std::make_unique<CSeafarerChartDoc>(&module, service);
}

}   // namespace

std::unique_ptr<chart::CChartDoc> CHCRFModule::CreateChartDoc(chart::CChartingModule& module)
{
    return MakeServiceDoc(module, this);
}

std::unique_ptr<chart::CChartDoc> CHCRFModule::CreateChartDocFor(chart::CChartingModule& module,
                                                                 const std::string& path)
{
    // An ARCS chart by the catalogue, any other "chr" a Seafarer chart.
    const bool arcs = IsChartInCatalogue(path);
    for (CHCRFModule* service : m_shared->services) {
        if ((service->Office() == 0) == arcs)
            return MakeServiceDoc(module, service);
    }
    return MakeServiceDoc(module, this);
}

// ---- Chart media -------------------------------------------------------------------

bool CHCRFModule::ReadMediumIdentifier(CCDIdentifier& id) const
{
    const fs::path source = SourcePath();
    return !source.empty() && ReadCdvFile(source, id);
}

bool CHCRFModule::ReadFromDrive(CCDIdentifier& id) const
{
    return ReadMediumIdentifier(id) && (IsServiceChart(id.name) || IsServiceUpdate(id));
}

bool CHCRFModule::IsMediumPresent() const
{
    CCDIdentifier id;
    return ReadMediumIdentifier(id);
}

bool CHCRFModule::WaitForUpdateCD(CCDIdentifier& id)
{
    CHoldGuard hold(m_shared->host.setNavigatorHold);
    for (;;) {
        if (ReadFromDrive(id) && IsServiceUpdate(id))
            return true;
        if (!MediaUi())
            return false;
        std::string folder;
        const std::string text = "Please insert the UPDATE CD in drive " + SourcePath().string() +
                                 "\n Press OK when ready";
        switch (MediaUi()->AskForMedium(text, {}, folder)) {
        case MediumAnswer::Cancel: return false;
        case MediumAnswer::ChooseFolder:
            if (m_charting)
                m_charting->SetSourcePath(folder);
            break;
        case MediumAnswer::Ok: break;
        }
    }
}

bool CHCRFModule::PromptInsertCD(const std::string& name, const std::string& date)
{
    if (!MediaUi())
        return false;
    std::string shown = name;
    if (IsServiceChart(name) && !date.empty())
        shown += " dated " + FormatCdDate(date);
    std::string folder;
    const std::string text = "Please insert CD " + shown + " in drive " + SourcePath().string() +
                             "\n Press OK when ready";
    switch (MediaUi()->AskForMedium(text, name, folder)) {
    case MediumAnswer::Cancel: return false;
    case MediumAnswer::ChooseFolder:
        if (m_charting)
            m_charting->SetSourcePath(folder);
        return true;
    case MediumAnswer::Ok: return true;
    }
    return false;
}

bool CHCRFModule::WaitForCD(const std::string& name, const std::string& date, bool* cancelled)
{
    if (cancelled)
        *cancelled = false;
    CHoldGuard hold(m_shared->host.setNavigatorHold);
    for (;;) {
        CCDIdentifier id;
        if (ReadFromDrive(id) &&
            platform::EqualNoCaseAscii(NormaliseCdName(id.name), NormaliseCdName(name))) {
            if (!(IsServiceChart(name) && !date.empty() &&
                  !platform::EqualNoCaseAscii(id.date, date)))
                return true;
            if (MediaUi())
                MediaUi()->Message("The CD in the drive has the wrong publication date.",
                                   platform::PromptIcon::Exclamation, platform::PromptButtons::Ok);
        }
        if (!PromptInsertCD(name, date)) {
            if (cancelled)
                *cancelled = true;
            return false;
        }
    }
}

// ---- Services ----------------------------------------------------------------------

CARCSModule::CARCSModule(app::CSettingsHome& settings, std::shared_ptr<CHCRFShared> shared)
    : CHCRFModule(settings, std::move(shared), chart::kChartARCS, 0, "GB")
{
    SetModuleName("Chart\\HCRF\\ARCS");
}

std::string CARCSModule::GetUpdateLabelKey(std::string_view label) const
{
    std::string l = TrimRight(std::string(label));
    // A test update sorts as the first label of all.
    if (IsArcsTestChartU(l))
        l = "WK00_95";
    if (l.size() < 4)
        return ExpandYear(l);
    return ExpandYear(l.substr(l.size() - 2) + l.substr(2, 2));
}

bool CARCSModule::IsServiceChart(std::string_view number) const
{
    return StartsNoCase(number, "RC") || IsArcsTestChartC(number);
}

bool CARCSModule::IsServiceUpdate(const CCDIdentifier& id) const
{
    return (StartsNoCase(id.name, "WK") || IsArcsTestChartC(id.name)) &&
           CHCRFModule::IsServiceUpdate(id);
}

bool CARCSModule::IsTestChart(std::string_view text, char kind) const
{
    if (!platform::EqualNoCaseAscii(TrimRight(std::string(text)), "NP762E"))
        return false;
    std::string label;
    if (!app::GetVolumeLabel(SourcePath(), label))
        return false;
    for (char n = '1'; n <= '4'; ++n)
        if (platform::EqualNoCaseAscii(label, std::string("TEST") + n + "_" + kind))
            return true;
    return false;
}

CSeafarerModule::CSeafarerModule(app::CSettingsHome& settings, std::shared_ptr<CHCRFShared> shared)
    : CHCRFModule(settings, std::move(shared), chart::kChartSeafarer, 1, "AU")
{
    SetModuleName("Chart\\HCRF\\Seafarer");
}

std::string CSeafarerModule::GetUpdateLabelKey(std::string_view label) const
{
    static constexpr const char* kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                              "jul", "aug", "sep", "oct", "nov", "dec"};
    std::string l = TrimRight(std::string(label));
    // A label whose letters name no month sorts as month 00 of its year.
    std::string month = "00";
    if (l.size() >= 5) {
        for (int m = 0; m < 12; ++m) {
            if (platform::EqualNoCaseAscii(l.substr(2, 3), kMonths[m]))
                month = (m + 1 < 10 ? "0" : "") + std::to_string(m + 1);
        }
    }
    return ExpandYear((l.size() >= 2 ? l.substr(l.size() - 2) : l) + month);
}

bool CSeafarerModule::IsServiceChart(std::string_view number) const
{
    return StartsNoCase(number, "ED") || StartsNoCase(number, "CH");
}

bool CSeafarerModule::IsServiceUpdate(const CCDIdentifier& id) const
{
    return StartsNoCase(id.name, "UP") && CHCRFModule::IsServiceUpdate(id);
}

std::string CSeafarerModule::NormaliseCdName(std::string_view name) const
{
    if (!StartsNoCase(name, "UP"))
        return std::string(name);
    std::string out;
    for (const char c : name) {
        if (c != ' ' && c != '_' && c != '-')
            out += c;
    }
    return out;
}

}   // namespace charts::hcrf

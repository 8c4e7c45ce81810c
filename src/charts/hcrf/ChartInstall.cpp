// Installing charts and updates from chart media (the service module's
// Updates, Express and the first start with the sample media).

#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "app/WaitStatus.h"
#include "chart/ChartDoc.h"
#include "chart/ChartingModule.h"
#include "charts/hcrf/ChartCopy.h"
#include "charts/hcrf/ChartNames.h"
#include "charts/hcrf/HCRFHeader.h"
#include "charts/hcrf/HCRFModule.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_set>

namespace fs = std::filesystem;

namespace charts::hcrf {

namespace {

using platform::PromptAnswer;
using platform::PromptButtons;
using platform::PromptIcon;

const std::vector<std::string> kChartPatterns = {"*.c??", "*.l??", "*.p??", "*.n??", "*.h??"};
const std::vector<std::string> kUpdatePatterns = {"*.u??"};

std::string Lower(std::string_view s)
{
    return platform::AsciiLowerCopy(s);
}

// The stage's progress dialog, or one that shows nothing.
std::unique_ptr<CInstallProgress> OpenProgress(CMediaUi* ui, std::string_view title)
{
    std::unique_ptr<CInstallProgress> progress = ui ? ui->OpenProgress(title) : nullptr;
    return progress ? std::move(progress) : std::make_unique<CSilentProgress>();
}

// Answers the medium prompts of the first start from the sample folder: the
// wanted medium is the subfolder whose ReadMe.cdv names it.
class CSampleMediaUi final : public CMediaUi {
public:
    CSampleMediaUi(fs::path root, CMediaUi* shown, const CHCRFModule& service)
        : m_root(std::move(root)), m_shown(shown), m_service(service)
    { }
    PromptAnswer Message(std::string_view, PromptIcon, PromptButtons) override
    {
        return PromptAnswer::Ok;
    }
    MediumAnswer AskForMedium(std::string_view, std::string_view wanted,
                              std::string& folder) override
    {
        std::error_code ec;
        for (fs::directory_iterator it(m_root, ec), end; !ec && it != end; it.increment(ec)) {
            CCDIdentifier id;
            if (!it->is_directory(ec) || !ReadCdvFile(it->path(), id))
                continue;
            const bool match = wanted.empty()
                                   ? m_service.IsServiceUpdate(id)
                                   : platform::EqualNoCaseAscii(m_service.NormaliseCdName(id.name),
                                                                m_service.NormaliseCdName(wanted));
            if (match) {
                folder = it->path().string();
                return MediumAnswer::ChooseFolder;
            }
        }
        return MediumAnswer::Cancel;
    }
    std::unique_ptr<CInstallProgress> OpenProgress(std::string_view title) override
    {
        return m_shown ? m_shown->OpenProgress(title) : nullptr;
    }

private:
    fs::path m_root;
    CMediaUi* m_shown;
    const CHCRFModule& m_service;
};

}   // namespace

bool CHCRFModule::RefreshRecord(const CARCSCatEntry& entry, const std::string& chartCd,
                                const std::string& updateCd, const std::string& chartDate,
                                const std::string& updateDate, std::uint8_t flags)
{
    db::CDBARCSCat& cat = Catalogue();
    bool changed = false;
    auto set = [&changed](auto& field, const auto& value) {
        if (!(field == value)) {
            field = value;
            changed = true;
        }
    };
    set(cat.m_chptr, entry.offset);
    set(cat.m_desc, entry.title);
    set(cat.m_chcdid, chartCd);
    set(cat.m_chcddop, chartDate);
    set(cat.m_upcdid, updateCd);
    set(cat.m_upcddop, updateDate);
    set(cat.m_source, flags);
    set(cat.m_scale, entry.Scale());
    return changed;
}

bool CHCRFModule::CollectUpdateCdNames(std::vector<std::string>& names)
{
    names.clear();
    db::CDBARCSCat& cat = Catalogue();
    std::set<std::string> seen;
    for (bool more = cat.GoTop(); more && cat.IsOpen(); more = cat.SkipForward()) {
        if (cat.m_ho != m_office || cat.m_upcdid.empty())
            continue;
        const std::string name = Lower(cat.m_upcdid);
        if (seen.insert(name).second)
            names.push_back(name);
    }
    return !names.empty();
}

bool CHCRFModule::ScanChartFolders(const std::vector<std::string>* known)
{
    std::vector<std::string> names;
    if (known)
        names = *known;
    else if (!CollectUpdateCdNames(names))
        return false;
    // Only update copies go: the chart and update folders ("RasChts") and
    // anything else in the tree stay.
    const std::string prefix = GetUpdatePrefix();
    std::error_code ec;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(UpdateTree(true), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!it->is_directory(ec) || it->path().has_extension() || name.size() < prefix.size() ||
            !platform::EqualNoCaseAscii(name.substr(0, prefix.size()), prefix))
            continue;
        if (std::find(names.begin(), names.end(), Lower(name)) == names.end())
            stale.push_back(it->path());
    }
    for (const fs::path& folder : stale)
        fs::remove_all(folder, ec);
    return true;
}

bool CHCRFModule::CanUpdate() const
{
    // The medium's folder stands for the disc drive: it must exist (a folder
    // chosen as a medium need not be read-only, as a disc is). An empty
    // catalogue is a first installation, which Updates seeds; otherwise it
    // must hold charts of this service.
    db::CDBARCSCat& cat = Catalogue();
    return app::FolderExists(SourcePath()) && cat.IsOpen() &&
           (cat.IsEmpty() || cat.SeekHO(m_office));
}

bool CHCRFModule::CanInstall()
{
    db::CDBARCSCat& cat = Catalogue();
    return app::FolderExists(SourcePath()) && cat.IsOpen() && !cat.IsEmpty() &&
           cat.SeekHO(m_office);
}

namespace {

bool EnoughDiskSpace(const fs::path& folder, CMediaUi* ui)
{
    // More than 10 MB free on the disk of the module folder: exactly 10 is too low.
    if (app::GetDiskFreeMegabytes(folder) > 10)
        return true;
    if (ui)
        ui->Message("Disk space too low to continue", PromptIcon::Stop, PromptButtons::Ok);
    return false;
}

}   // namespace

bool CHCRFModule::ProcessUpdateCD()
{
    CMediaUi* ui = MediaUi();
    if (ui && ui->Message("Please Insert your latest Update CD", PromptIcon::Information,
                          PromptButtons::OkCancel) == PromptAnswer::Cancel)
        return false;
    CCDIdentifier medium;
    if (!WaitForUpdateCD(medium))
        return false;
    if (!platform::EqualNoCaseAscii(medium.country, m_country)) {
        if (ui)
            ui->Message("Incorrect CD Manufacturer", PromptIcon::Stop, PromptButtons::Ok);
        return false;
    }
    const std::string newName = NormaliseCdName(medium.name);
    const std::string newDate = medium.date;
    // With an update installed, an older medium is refused; with none (a
    // new installation) there is nothing to compare.
    if (const std::string latest = GetLatestUpdateLabel(); !latest.empty()) {
        CCDIdentifier installed;
        if (ReadCdvFile(UpdateSourcePath(latest), installed) && installed.date > newDate) {
            if (ui)
                ui->Message("Currently installed updates are newer than those proposed",
                            PromptIcon::Exclamation, PromptButtons::Ok);
            return false;
        }
    }
    const fs::path medium_root = SourcePath();
    const fs::path copy = UpdateSourcePath(newName);
    std::string error;
    {
        // The medium's catalogue and support folders first, its descriptor
        // last (a copy with a descriptor is complete), under the wait state
        // and before the pass's progress dialog opens.
        app::CWaitStatus wait;
        CSilentProgress quiet;
        for (const char* sub : {"ChartCat", "Misc", "Temp_NM"}) {
            const fs::path from = ChildNoCase(medium_root, sub);
            std::error_code ec;
            if (!fs::is_directory(from, ec))
                continue;
            fs::create_directories(copy, ec);
            if (CopyFolderIntoPlace(from, {"*"}, copy / sub, quiet, 0, 1, error) !=
                CopyResult::Done) {
                if (ui && !error.empty())
                    ui->Message("The update could not be copied: " + error, PromptIcon::Stop,
                                PromptButtons::Ok);
                return false;
            }
        }
        if (CopyFolderIntoPlace(medium_root, {"ReadMe.cdv"}, copy, quiet, 0, 1, error) !=
            CopyResult::Done)
            return false;
    }
    auto progress = OpenProgress(ui, "Installing Update Data");

    CCatalogueFolder catalogue;
    if (!catalogue.Load(copy))
        return false;
    db::CDBARCSCat& cat = Catalogue();
    // One walk over the catalogue in chart-number order visits every record
    // of the service; records the medium no longer lists are deleted after it.
    const std::size_t total =
        std::size_t(std::max(0L, long(cat.GetRecordCount()))) + catalogue.ChartNumbers().size();
    const std::string mediumText = medium_root.string() + "/RasChts/";
    const std::string diskText = ChartTree(true).string() + "/RasChts/";
    std::unordered_set<std::string> visited;   // the service's chart numbers, upper case
    std::vector<std::string> gone;
    bool reissued = false;
    // A copy that fails ends the pass as Cancel does: the records stored so
    // far keep their new state and a later pass goes on from there.
    bool cancelled = false;
    std::string failed;
    std::size_t done = 0;
    // One entry and two path texts serve every chart: their buffers are
    // reused rather than allocated per record.
    CARCSCatEntry entry;
    std::string fromText = mediumText, toText = diskText;
    // The status bar's progress runs beside the dialog, a step per record.
    std::optional<app::CWaitProgress> status(std::in_place, "Installing Update Data", int(total));
    for (bool more = cat.GoTop(); more; more = cat.SkipForward()) {
        if (cat.m_ho != m_office)
            continue;
        status->Step();
        const std::string number = cat.m_no;
        visited.insert(platform::AsciiUpperCopy(number));
        // The text names the folders as the medium lays them out; finding
        // their names on the medium (without case) waits until a copy needs it.
        const std::string group = GetChartGroup(number), name = GetChartFileName(number);
        fromText.resize(mediumText.size());
        fromText.append(group).append(1, '/').append(name);
        toText.resize(diskText.size());
        toText.append(group).append(1, '/').append(name);
        progress->SetText(number, fromText, toText);
        progress->SetProgress(done++, total, 0, 0);
        if (!catalogue.ReadEntry(number, entry)) {
            gone.push_back(number);   // no longer in the service
            continue;
        }
        std::uint8_t flags = cat.m_source;
        if (flags & 2) {
            const fs::path from = ChartUpdateFolder(false, number);
            std::error_code ec;
            const CopyResult r =
                fs::is_directory(from, ec)
                    ? CopyFolderIntoPlace(from, kUpdatePatterns, ChartUpdateFolder(true, number),
                                          *progress, done, total, error)
                    : CopyResult::Done;
            if (r == CopyResult::Failed)
                failed = "The updates of chart " + number + " could not be copied: " + error;
            if (r != CopyResult::Done) {
                cancelled = true;
                break;
            }
        }
        const bool updateChart = platform::EqualNoCaseAscii(entry.chartCd, "UPDATE");
        std::string chartDate = updateChart ? newName : std::string{};
        if (flags & 1) {
            if (updateChart) {
                const CopyResult r =
                    CopyFolderIntoPlace(ChartFolder(false, number), kChartPatterns,
                                        ChartFolder(true, number), *progress, done, total, error);
                if (r == CopyResult::Failed)
                    failed = "Chart " + number + " could not be copied: " + error;
                if (r != CopyResult::Done) {
                    cancelled = true;
                    break;
                }
            } else {
                CHCRFHeader header;
                const auto bytes = ReadWholeFile(ChartFilePath(true, number, "hdr"));
                const bool same =
                    bytes && header.identifier.Read(*bytes) &&
                    platform::EqualNoCaseAscii(cat.m_chcdid, entry.chartCd) &&
                    platform::EqualNoCaseAscii(header.identifier.field13, entry.field10);
                if (same) {
                    chartDate = cat.m_chcddop;
                } else {
                    RemoveFolderAndEmptyParent(ChartFolder(true, number));
                    flags &= std::uint8_t(~1u);
                    reissued = true;
                }
            }
        }
        // Only a record the medium changes is written: a pass over an
        // unchanged catalogue writes nothing.
        // A copy lets window events through: the walk goes on from this record.
        if (cat.m_no != number && !cat.SeekKey(number)) {
            cancelled = true;   // the walk cannot go on: treated as unfinished
            break;
        }
        if (RefreshRecord(entry, entry.chartCd, newName, chartDate, newDate, flags))
            cat.Update();
        progress->Pump();
        if (progress->IsCancelled()) {
            cancelled = true;
            break;
        }
        if (cat.m_no != number && !cat.SeekKey(number)) {
            cancelled = true;   // the walk cannot go on: treated as unfinished
            break;
        }
    }
    // Charts no longer in the service: the record and the chart's folders go.
    for (const std::string& number : gone) {
        if (cat.SeekKey(number) && cat.m_ho == m_office)
            cat.DeleteRecord();
        RemoveFolderAndEmptyParent(ChartFolder(true, number));
        RemoveFolderAndEmptyParent(ChartUpdateFolder(true, number));
    }
    // Charts the medium's catalogue lists and the installation lacks get a
    // record, their files still on their media.
    for (std::size_t i = 0; !cancelled && i < catalogue.ChartNumbers().size(); ++i) {
        const std::string& number = catalogue.ChartNumbers()[i];
        progress->SetProgress(done++, total, 0, 0);
        status->Step();
        if (visited.count(platform::AsciiUpperCopy(number)) || cat.SeekKey(number))
            continue;
        if (!catalogue.ReadEntry(number, entry))
            continue;
        cat.ClearRecord();
        cat.m_no = entry.chartNumber.empty() ? number : entry.chartNumber;
        cat.m_ho = m_office;
        const bool updateChart = platform::EqualNoCaseAscii(entry.chartCd, "UPDATE");
        RefreshRecord(entry, entry.chartCd, newName, updateChart ? newName : std::string{}, newDate,
                      0);
        cat.AppendNew();
        progress->Pump();
        cancelled = progress->IsCancelled();
    }
    cat.FlushIfOpen();
    progress.reset();
    status.reset();
    if (!failed.empty() && ui)
        ui->Message(failed, PromptIcon::Stop, PromptButtons::Ok);
    if (reissued && ui)
        ui->Message("One or more Chart CD's have been re-issued, the old charts from these "
                    "CD's have been removed from your hard disk.\nRe-install them using your "
                    "new Chart CD.",
                    PromptIcon::Exclamation, PromptButtons::Ok);
    // After a whole pass every record of the service names the new medium.
    const bool anyLeft = visited.size() > gone.size() || cat.SeekHO(m_office);
    const std::vector<std::string> names{Lower(newName)};
    if (!(cancelled ? ScanChartFolders() : anyLeft && ScanChartFolders(&names)) && ui)
        ui->Message("Update process not completed.", PromptIcon::Exclamation, PromptButtons::Ok);
    return !cancelled;
}

bool CHCRFModule::OnUpdates()
{
    return ProcessUpdateCD();
}

bool CHCRFModule::OnExpress()
{
    app::CWaitStatus wait;
    db::CDBARCSCat& cat = Catalogue();
    std::vector<CWorkItem> items;
    for (bool more = cat.GoTop(); more; more = cat.SkipForward()) {
        if (cat.m_ho == m_office && cat.m_source != 3)
            items.push_back({3, cat.m_no});
    }
    return ProcessCharts(items);
}

bool CHCRFModule::OnCustom()
{
    if (!m_shared->host.showCustom)
        return false;
    m_shared->host.showCustom(*this);
    return true;
}

bool CHCRFModule::RelocateCharts(const std::vector<CWorkItem>& items)
{
    app::CWaitProgress progress("Relocating Charts", static_cast<int>(items.size()));
    db::CDBARCSCat& cat = Catalogue();
    if (!cat.IsOpen() || cat.IsReadOnly())
        return false;
    for (const CWorkItem& item : items) {
        progress.Step();
        if (!cat.SeekKey(item.number) || cat.m_ho != m_office)
            continue;
        std::uint8_t flags = cat.m_source;
        if ((flags & 1) && !(item.flags & 1)) {
            RemoveFolderAndEmptyParent(ChartFolder(true, cat.m_no));
            flags &= std::uint8_t(~1u);
        }
        if ((flags & 2) && !(item.flags & 2)) {
            RemoveFolderAndEmptyParent(ChartUpdateFolder(true, cat.m_no));
            flags &= std::uint8_t(~2u);
        }
        if (flags != cat.m_source) {
            cat.m_source = flags;
            cat.Update();
        }
    }
    cat.FlushIfOpen();
    return true;
}

bool CHCRFModule::ProcessCharts(const std::vector<CWorkItem>& items)
{
    std::vector<std::string> names;
    if (!CollectUpdateCdNames(names))
        return false;
    CMediaUi* ui = MediaUi();
    db::CDBARCSCat& cat = Catalogue();
    std::string error;

    // One chart's copy; false ends the operation: a copy that failed, which
    // is named to the user (Cancel is seen once the chart has been recorded).
    // A failed copy leaves the chart's folder on disk as it was and its record
    // unchanged, and the records stored before it keep their new state, so a
    // later run goes on from there.
    auto copyChart = [&](CInstallProgress& progress, const fs::path& from, const fs::path& to,
                         const std::vector<std::string>& patterns, std::size_t i, std::size_t n,
                         bool& copied) {
        copied = false;
        std::error_code ec;
        if (&patterns == &kUpdatePatterns && !fs::is_directory(from, ec)) {
            copied = true;   // no update files for this chart on the medium
            return true;
        }
        progress.SetText(cat.m_no, from.string(), to.string());
        switch (CopyFolderIntoPlace(from, patterns, to, progress, i, n, error)) {
        case CopyResult::Done: copied = true; return true;
        case CopyResult::Failed:
            if (ui)
                ui->Message((&patterns == &kUpdatePatterns ? "The updates of chart " : "Chart ") +
                                cat.m_no + " could not be installed: " + error +
                                "\nThe installation has stopped.",
                            PromptIcon::Stop, PromptButtons::Ok);
            return false;
        }
        return false;
    };

    // Updates, then charts delivered on update media, medium by medium.
    for (const bool charts : {false, true}) {
        const char* title = charts ? "Processing Charts" : "Processing Updates";
        auto progress = OpenProgress(ui, title);
        app::CWaitProgress status(title, int(items.size()));
        std::size_t index = 0;
        for (const std::string& name : names) {
            for (const CWorkItem& item : items) {
                if (!cat.SeekKey(item.number) || Lower(cat.m_upcdid) != name)
                    continue;
                const std::uint8_t bit = charts ? 1 : 2;
                if (charts && !platform::EqualNoCaseAscii(cat.m_chcdid, "UPDATE"))
                    continue;
                ++index;
                status.Step();
                if (!(item.flags & bit) || (cat.m_source & bit))
                    continue;
                if (!EnoughDiskSpace(ModuleFolder(), ui) || !WaitForCD(cat.m_upcdid, {}))
                    return false;
                if (!cat.SeekKey(item.number))
                    continue;
                bool copied = false;
                const bool go = charts
                                    ? copyChart(*progress, ChartFolder(false, cat.m_no),
                                                ChartFolder(true, cat.m_no), kChartPatterns,
                                                index - 1, items.size(), copied)
                                    : copyChart(*progress, ChartUpdateFolder(false, cat.m_no),
                                                ChartUpdateFolder(true, cat.m_no), kUpdatePatterns,
                                                index - 1, items.size(), copied);
                if (!go)
                    return false;
                if (copied) {
                    cat.m_source |= bit;
                    cat.Update();
                    cat.FlushIfOpen();
                }
                progress->Pump();
                if (progress->IsCancelled())
                    return false;
            }
        }
        cat.FlushIfOpen();
    }

    // Charts on chart media: the media in the reverse order of their first
    // appearance, each asked for once.
    std::vector<std::string> media;
    std::map<std::string, std::vector<const CWorkItem*>> byMedium;
    for (const CWorkItem& item : items) {
        if (!cat.SeekKey(item.number) || platform::EqualNoCaseAscii(cat.m_chcdid, "UPDATE"))
            continue;
        const std::string medium = Lower(cat.m_chcdid);
        if (!byMedium.count(medium))
            media.insert(media.begin(), medium);
        byMedium[medium].push_back(&item);
    }
    auto progress = OpenProgress(ui, "Processing Charts");
    app::CWaitProgress status("Processing Charts", int(items.size()));
    std::size_t index = 0;
    for (const std::string& medium : media) {
        // The animation runs while one medium's charts are copied.
        progress->Animate(true);
        for (const CWorkItem* item : byMedium[medium]) {
            ++index;
            status.Step();
            if (!cat.SeekKey(item->number) || !(item->flags & 1) || (cat.m_source & 1))
                continue;
            if (!EnoughDiskSpace(ModuleFolder(), ui) || !WaitForCD(cat.m_chcdid, cat.m_chcddop))
                return false;
            if (!cat.SeekKey(item->number))
                continue;
            bool copied = false;
            if (!copyChart(*progress, ChartFolder(false, cat.m_no), ChartFolder(true, cat.m_no),
                           kChartPatterns, index - 1, items.size(), copied))
                return false;
            if (copied) {
                // Only a chart whose folder is complete on disk is recorded there.
                CCDIdentifier id;
                ReadMediumIdentifier(id);
                CARCSCatEntry entry;
                if (ReadChartCatalogue(UpdateSourcePath(cat.m_upcdid), cat.m_no, entry))
                    RefreshRecord(entry, id.name.empty() ? cat.m_chcdid : id.name, cat.m_upcdid,
                                  id.date, cat.m_upcddop, std::uint8_t(cat.m_source | 1));
                else
                    cat.m_source |= 1;
                cat.Update();
                cat.FlushIfOpen();
            }
            progress->Pump();
            if (progress->IsCancelled())
                return false;
        }
        progress->Animate(false);
    }
    cat.FlushIfOpen();
    return true;
}

bool CHCRFModule::RunManaged(bool (CHCRFModule::*operation)(), bool rebuildFolio)
{
    if (m_charting)
        m_charting->CloseDocsOfClass([](const chart::CChartDoc& doc) {
            return doc.GetChartType() == chart::kChartARCS ||
                   doc.GetChartType() == chart::kChartSeafarer;
        });
    // The closed windows go from the screen before the long work begins.
    if (m_shared->host.pumpMessages)
        m_shared->host.pumpMessages();
    CloseCatalogue();
    OpenCatalogue(ModuleFolder(), false);
    bool ok = false;
    try {
        ok = (this->*operation)();
    } catch (...) {
        ok = false;
    }
    // Whatever happened, the catalogue is read-only again.
    CloseCatalogue();
    OpenCatalogue(ModuleFolder(), true);
    if (rebuildFolio && m_charting)
        m_charting->BuildChartFolio();
    return ok;
}

std::string CHCRFModule::InstallSampleMedia(const std::string& folder)
{
    const fs::path sampleFolder(folder);
    db::CDBARCSCat& cat = Catalogue();
    if ((cat.IsOpen() && !cat.IsEmpty()) || !m_charting)
        return {};
    // The first update medium (earliest date) seeds the catalogue.
    fs::path firstUpdate;
    std::string firstDate;
    std::error_code ec;
    for (fs::directory_iterator it(sampleFolder, ec), end; !ec && it != end; it.increment(ec)) {
        CCDIdentifier id;
        if (it->is_directory(ec) && ReadCdvFile(it->path(), id) && IsServiceUpdate(id) &&
            (firstUpdate.empty() || id.date < firstDate)) {
            firstUpdate = it->path();
            firstDate = id.date;
        }
    }
    if (firstUpdate.empty())
        return {};
    CSampleMediaUi sampleUi(sampleFolder, m_shared->host.ui, *this);
    CMediaUi* shown = m_shared->host.ui;
    m_shared->host.ui = &sampleUi;
    m_charting->SetSourcePath(firstUpdate.string());
    RunManaged(&CHCRFModule::OnUpdates, false);
    RunManaged(&CHCRFModule::OnExpress, false);
    m_shared->host.ui = shown;
    m_charting->BuildChartFolio();
    // The overview: the chart of the smallest scale (largest denominator)
    // other than the world charts, which World Chart opens.
    auto isWorldChart = [](const std::string& number) {
        const std::string n = app::TrimRightBlanks(number);
        return platform::EqualNoCaseAscii(n, "4000") || platform::EqualNoCaseAscii(n, "AUS4060");
    };
    std::string overview;
    std::int32_t largest = -1;
    for (bool more = cat.GoTop(); more; more = cat.SkipForward()) {
        if (cat.m_ho == m_office && (cat.m_source & 1) && cat.m_scale > largest &&
            !isWorldChart(cat.m_no)) {
            largest = cat.m_scale;
            overview = cat.m_no;
        }
    }
    return overview.empty() ? std::string{} : GetCataloguedChartPath(overview);
}

}   // namespace charts::hcrf

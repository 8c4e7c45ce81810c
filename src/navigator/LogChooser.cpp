#include "navigator/LogChooser.h"

#include <algorithm>
#include <ctime>
#include <system_error>

#include "db/DBLog.h"
#include "db/DBVesselLog.h"
#include "db/OlderTable.h"
#include "navigator/TrackFile.h"
#include "platform/Ascii.h"

namespace navigator {

namespace fs = std::filesystem;

namespace {

std::string LocalText(const app::CDateTimeEx& utc)
{
    if (!utc.IsValid())
        return {};
    const auto f = utc.GetFields();
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    app::CDateTimeEx local;
    local = ::timegm(&tm);
    return local.FormatDateTime(true, true);
}

}   // namespace

std::vector<fs::path> ListLogFiles(const fs::path& folder, const std::string& extension)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file(ec) || name.empty() || name[0] == '~' ||
            !platform::EqualNoCaseAscii(entry.path().extension().string(), "." + extension))
            continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string DescribeAppend(const std::string& targetName, const std::string& start,
                           const std::string& end, const std::string& watchOfficer)
{
    std::string text;
    if (!targetName.empty())
        text += targetName + ". ";
    text += "From " + (start.empty() ? std::string("--") : start);
    text += " to " + (end.empty() ? std::string("--") : end);
    if (!watchOfficer.empty())
        text += ". Watch Officer: " + watchOfficer;
    return text;
}

std::vector<CLogGroup> ReadLogTree(const fs::path& logFile)
{
    db::CDBVesselLog index;
    index.SetFilePath(logFile.string());
    if (!index.IsCurrentFormat()) {
        // A table of another layout (an older log) shows the description of
        // an empty row; a file that is no table at all only its own node.
        std::vector<std::pair<std::string, char>> fields;
        if (!db::COlderTable::ReadFields(db::ResolveNoCase(index.GetFilePath() + ".dbf").string(),
                                         fields))
            return {};
        return {
            CLogGroup{0, {}, "Log 1", {CLogLeaf{0, DescribeAppend("", "", "", ""), kLeafEmpty}}}};
    }
    if (!index.OpenIndex())
        return {};
    std::vector<CLogGroup> groups;
    index.SelectTag("T_VSLAPDNO");
    const bool holdsRows = index.GoTop();
    for (bool ok = holdsRows; ok; ok = index.SkipForward()) {
        if (index.m_vesselType != 1)
            continue;
        // A group per vessel id: the appends of one vessel under the voyage
        // id of its first append, or "Log" and the group's number.
        if (groups.empty() || groups.back().vesselId != index.m_vesselId) {
            CLogGroup group;
            group.vesselId = index.m_vesselId;
            group.voyageId = index.m_voyageId;
            group.name = index.m_voyageId.empty() ? "Log " + std::to_string(groups.size() + 1)
                                                  : index.m_voyageId;
            groups.push_back(std::move(group));
        }
        CLogLeaf leaf;
        leaf.appendNo = index.m_appendNo;
        leaf.description = DescribeAppend(index.m_targetName, LocalText(index.m_start),
                                          LocalText(index.m_end), index.m_oowName);
        // The append's files are named by its row's UNIQUE id.
        const std::string base = index.CompanionFolder() + "/" + db::IdName(index.GetId());
        bool rows = false;
        std::error_code ec;
        if (fs::exists(db::ResolveNoCase(base + ".dbf"), ec)) {
            db::CDBLog table;
            table.SetFilePath(base);
            rows = table.Open(true) && table.GetRecordCount() > 0;
        }
        const auto trc = db::ResolveNoCase(base + ".trc");
        const bool track = fs::exists(trc, ec) && fs::file_size(trc, ec) >= kTrackRecordSize;
        leaf.image = rows && track ? kLeafRowsAndTrack
                     : track       ? kLeafTrackOnly
                     : rows        ? kLeafRowsOnly
                                   : kLeafEmpty;
        groups.back().leaves.push_back(std::move(leaf));
    }
    // An empty log shows one empty leaf; a log of other vessels only nothing below its node.
    if (!holdsRows)
        groups.push_back(CLogGroup{0, {}, "Log 1", {CLogLeaf{}}});
    return groups;
}

}   // namespace navigator

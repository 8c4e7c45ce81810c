// CDBRoute: taking over route databases of the older kinds.
#include "db/DBRoute.h"

#include "db/ImportStaging.h"
#include "db/OlderTable.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace db {

namespace {

// The memo file of an older table: its name with the last character "m", in
// the case of the character it replaces.
std::string MemoPathOf(const std::string& dataPath)
{
    std::string memo = dataPath;
    if (!memo.empty())
        memo.back() = std::isupper(static_cast<unsigned char>(memo.back())) ? 'M' : 'm';
    return ResolveNoCase(memo).string();
}

std::string RowList(const std::vector<std::string>& rows)
{
    std::string text;
    for (const std::string& r : rows)
        text += (text.empty() ? "" : ", ") + r;
    return text;
}

// The rows of one waypoint file left behind, worded as the chartpoint import
// words them: "Rows 2, 5 of F were not taken over: the position is out of range."
std::string RefusedRows(const std::string& file, const std::vector<int>& rows)
{
    std::string list;
    for (int r : rows)
        list += (list.empty() ? "" : ", ") + std::to_string(r);
    return (rows.size() == 1 ? "Row " : "Rows ") + list + " of " + file +
           (rows.size() == 1 ? " was" : " were") + " not taken over: the position is out of range.";
}

}   // namespace

bool CDBRoute::ImportRdb()
{
    return Import(kRdb);
}

bool CDBRoute::ImportWpt()
{
    return Import(kWpt);
}

bool CDBRoute::Import(ImportKind kind)
{
    if (IsOpen())
        return Fail("The route database " + GetFilePath() +
                    " is open; close it before taking older files over.");
    const std::string ext =
        m_olderExtension.empty() ? (kind == kRdb ? "rdb" : "wpt") : m_olderExtension;
    CImportStaging staging(GetFolder(), GetName());
    if (!staging.IsReady())
        return Fail("No room for a new route database could be made in " + GetFolder() + ".");
    std::string report;
    {
        CDBRoute staged;
        staged.SetFilePath(staging.TablePath());
        if (!staged.Open())
            return Fail(staged.GetMessage());
        const std::string older = ResolveNoCase(GetFilePath() + "." + ext).string();
        if (!ImportFrom(staged, older, kind, report))
            return false;
        if (!staged.FlushIfOpen() || !staged.Close())
            return Fail("The new route database " + GetFilePath() + " could not be written.");
    }
    std::string error;
    if (!staging.Commit(&error))
        return Fail("The new route database " + GetFilePath() +
                    " could not take its place: " + error);
    m_message = report;
    return true;
}

bool CDBRoute::ImportFrom(CDBRoute& staged, const std::string& older, ImportKind kind,
                          std::string& report)
{
    COlderTable routes;
    if (!routes.Open(older, kind == kRdb ? MemoPathOf(older) : std::string()))
        return Fail(routes.GetMessage());
    if (!routes.GetWarning().empty())
        report += routes.GetWarning() + " ";
    const std::vector<const char*> marks = kind == kRdb
                                               ? std::vector<const char*>{"NAME", "WAYPTDB"}
                                               : std::vector<const char*>{"NAME", "LAT", "LNG"};
    for (const char* field : marks)
        if (!routes.HasField(field))
            return Fail("The file " + older + " cannot be taken over: it has no field " + field +
                        ".");

    std::vector<std::string> missing, unreadable;
    std::string refused;
    auto addPoints = [&](const COlderTable& points, const std::string& file, bool allFields) {
        CDBRoutePoints& links = staged.Points();
        std::vector<int> bad;
        for (int r = 0; r < points.RecordCount(); ++r) {
            if (points.Deleted(r))
                continue;
            // A waypoint with no place on the earth would make every leg to
            // and from it fail and be listed where it is not: its row is left
            // behind and named to the user, the route keeps the others.
            if (!links.Waypoints().TakeOver(points, r, allFields)) {
                bad.push_back(r + 1);
                continue;
            }
            links.m_link = 0;
            if (!links.AppendPoint())
                return Fail("Row " + std::to_string(r + 1) + " of " + file +
                            " could not be taken over: " + links.GetMessage());
        }
        if (!bad.empty())
            refused += RefusedRows(file, bad) + " ";
        return true;
    };

    if (kind == kWpt) {
        staged.ClearRecord();
        if (!staged.AppendNew())
            return Fail(staged.GetMessage());
        if (!addPoints(routes, older, false))
            return false;
    } else {
        const fs::path folder = fs::path(older).parent_path();
        for (int r = 0; r < routes.RecordCount(); ++r) {
            if (routes.Deleted(r))
                continue;
            auto text = [&](const std::string& field) { return Decode(routes.Text(r, field)); };
            staged.ClearRecord();
            staged.m_name = text("NAME");
            staged.m_ident = text("ID");
            staged.m_from = text("FROM");
            staged.m_to = text("TO");
            staged.m_note = text("NOTE");
            for (int i = 0; i < CDBAttachments::kSlots; ++i)
                staged.m_attachment[i] = text("ATTACH" + std::to_string(i + 1));
            if (!staged.AppendNew())
                return Fail("Route " + std::to_string(r + 1) + " of " + older +
                            " could not be taken over: " + staged.GetMessage());
            std::string name = routes.Text(r, "WAYPTDB");
            std::replace(name.begin(), name.end(), '\\', '/');
            if (name.empty())
                continue;
            const std::string file = ResolveNoCase(folder / Decode(name)).string();
            std::error_code ec;
            if (!fs::is_regular_file(file, ec)) {
                missing.push_back(file);
                continue;
            }
            // A waypoint table that cannot be read leaves its route without
            // points; the routes after it still come over.
            COlderTable points;
            if (!points.Open(file, MemoPathOf(file))) {
                unreadable.push_back(points.GetMessage());
                continue;
            }
            const char* lacking = nullptr;
            for (const char* field : {"NAME", "LAT", "LNG"})
                if (!lacking && !points.HasField(field))
                    lacking = field;
            if (lacking) {
                unreadable.push_back("The file " + file + " has no field " + lacking + ".");
                continue;
            }
            if (!points.GetWarning().empty())
                report += points.GetWarning() + " ";
            if (!addPoints(points, file, true))
                return false;
        }
    }
    report += refused;
    if (!missing.empty())
        report +=
            "Waypoint files not found, their routes have no points: " + RowList(missing) + ". ";
    if (!unreadable.empty()) {
        report += "Waypoint files that could not be read, their routes have no points:";
        for (const std::string& why : unreadable)
            report += " " + why;
    }
    while (!report.empty() && report.back() == ' ')
        report.pop_back();
    return true;
}

}   // namespace db

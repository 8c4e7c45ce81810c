#include "navigator/ui/LogReports.h"

#include "app/StringUtils.h"
#include "app/SystemUtils.h"
#include "db/DBLog.h"
#include "db/DBReportTable.h"
#include "db/DBVesselLog.h"
#include "navigator/LogbookRows.h"
#include "navigator/TrackRecord.h"
#include "navigator/VesselLogbook.h"

#include <filesystem>

namespace navigator {

namespace {

std::string Bearing(double value)
{
    return value == kUnsetTrackValue ? std::string() : app::FormatBearing(value);
}

std::string Speed(double value)
{
    return value == kUnsetTrackValue ? std::string() : app::FormatDouble(value, 1, 0);
}

// The start or end of a voyage as local time and date; "Unknown" when not set.
void PutVoyageTime(report::CReportSink& sink, const app::CDateTimeEx& utc, const char* timeField,
                   const char* dateField)
{
    if (!utc.IsValid()) {
        sink.Cell(timeField).clear();
        sink.Cell(dateField) = "Unknown";
        return;
    }
    const app::CDateTimeEx local = LocalFromUtc(utc);
    sink.Cell(timeField) = local.FormatTime(true);
    sink.Cell(dateField) = local.FormatDate(false);
}

// The log's table name, as the report's title and "File Name" formula give
// it: the index's file name without its folder.
std::string TableName(const std::string& indexPath)
{
    return std::filesystem::path(indexPath).filename().string();
}

}   // namespace

std::uint32_t VesselLogKey(const CVesselLogbook& log)
{
    if (const CLogVessel* own = log.OwnTrackVessel())
        return own->vesselId;
    for (const auto& vessel : log.Vessels())
        if (vessel->kind == kVesselOwn)
            return vessel->vesselId;
    return 0;
}

std::vector<std::string> VesselLogTables(const CVesselLogbook& log, std::uint32_t vesselId)
{
    std::vector<std::string> tables;
    bool anyOwn = false;
    for (const auto& vessel : log.Vessels())
        anyOwn = anyOwn || vessel->kind == kVesselOwn;
    if (!anyOwn)
        return tables;   // no own vessel: an empty report
    for (const auto& vessel : log.Vessels())
        if (vessel->vesselId == vesselId)
            tables.push_back(
                (std::filesystem::path(log.LogPath() + ".X") / db::IdName(vessel->unique))
                    .string());
    return tables;
}

report::CReportRequest VesselLogReport(const std::string& indexPath,
                                       std::vector<std::string> tables,
                                       const geo::CPositionFormat& format)
{
    report::CReportRequest request;
    request.name = "VesselLog";
    request.windowTitle = "Vessel Log Report - " + TableName(indexPath);
    request.formulas = {{"FileName", app::CompactPath(TableName(indexPath), 47)}};
    request.fields = db::ReportLogFields();
    request.makeTable = db::MakeReportTable;
    request.fill = [tables = std::move(tables), format](report::CReportSink& sink, std::string&) {
        // Each logbook is read up to the rows it had when the run began; a
        // growing log's later rows wait for the next report.
        std::vector<std::unique_ptr<db::CDBLog>> logs;
        std::vector<long> counts;
        std::size_t total = 0;
        for (const std::string& path : tables) {
            auto log = std::make_unique<db::CDBLog>(sink.Engine());
            log->SetFilePath(path);
            if (!log->Open(true))
                continue;   // a logbook that cannot be opened gives no rows
            counts.push_back(std::max(0L, log->GetRecordCount()));
            total += static_cast<std::size_t>(counts.back());
            logs.push_back(std::move(log));
        }
        sink.Expect(total);
        for (std::size_t i = 0; i < logs.size(); ++i) {
            db::CDBLog& log = *logs[i];
            // Rows in date-time order, whatever order they were written in;
            // the tag leaves out rows marked deleted.
            log.SelectTag("T_DT_TM");
            for (bool more = log.GoTop(); more; more = log.SkipForward()) {
                if (log.GetRecNo() > counts[i])
                    continue;   // written after the run began
                const app::CDateTimeEx local = LocalFromUtc(log.m_time);
                sink.Cell("DATE") = local.FormatDate(false);
                sink.Cell("TIME") = local.FormatTime(true);
                // A row written before any position was known has no place.
                const bool placed = log.m_positionKnown;
                sink.Cell("LAT") = placed ? log.m_position.FormatLatitude(format) : std::string();
                sink.Cell("LNG") = placed ? log.m_position.FormatLongitude(format) : std::string();
                sink.Cell("DSHIFT") = placed ? log.m_position.GetDatumName() : std::string();
                sink.Cell("COG") = Bearing(log.m_cog);
                sink.Cell("SOG") = Speed(log.m_sog);
                sink.Cell("TYPE") = GetFixTypeText(log.m_type);
                sink.Cell("NOTE") = log.m_note;
                if (!sink.Append())
                    return false;
            }
            log.Close();
        }
        return true;
    };
    return request;
}

report::CReportRequest LogListReport(const std::string& indexPath)
{
    report::CReportRequest request;
    request.name = "Log";
    request.windowTitle = "Log Report - " + TableName(indexPath);
    request.formulas = {{"File Name", app::CompactPath(TableName(indexPath), 47)}};
    request.fields = db::ReportVesselLogFields();
    request.makeTable = db::MakeReportTable;
    request.fill = [indexPath](report::CReportSink& sink, std::string& error) {
        db::CDBVesselLog index(sink.Engine());
        index.SetFilePath(indexPath);
        if (!index.Open(true)) {
            error = "The log " + indexPath + " could not be read.";
            return false;
        }
        sink.Expect(static_cast<std::size_t>(std::max(0L, index.GetRecordCount())));
        index.SelectTag("T_VSLAPDNO");   // by vessel, then append
        for (bool more = index.GoTop(); more; more = index.SkipForward()) {
            sink.Cell("VESSELTYPE") = std::to_string(index.m_vesselType);
            sink.Cell("VESSELSTR") = index.GetVesselTypeText();
            sink.Cell("VESSELNAME") = index.m_targetName;
            sink.Cell("VOYAGEID") = index.m_voyageId;
            sink.Cell("OOWNAME") = index.m_oowName;
            PutVoyageTime(sink, index.m_start, "STARTTIME", "STARTDATE");
            PutVoyageTime(sink, index.m_end, "ENDTIME", "ENDDATE");
            if (!sink.Append())
                return false;
        }
        return true;
    };
    return request;
}

}   // namespace navigator

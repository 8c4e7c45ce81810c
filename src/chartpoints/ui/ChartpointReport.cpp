#include "chartpoints/ui/ChartpointReport.h"

#include "app/StringUtils.h"
#include "db/DBChartPoint.h"
#include "db/DBReportTable.h"

#include <array>

namespace chartpoints {

report::CReportRequest ChartpointReport(db::CDBChartPoint& table,
                                        const geo::CPositionFormat& format)
{
    report::CReportRequest request;
    const std::string path = table.GetFilePath();
    request.name = "ChartPnt";
    request.windowTitle = "Chartpoint Report - " + std::filesystem::path(path).filename().string();
    request.formulas = {{"File_name", app::CompactPath(path, 47)}};
    request.fields = db::ReportChartpointFields();
    request.makeTable = db::MakeReportTable;

    std::vector<std::array<std::string, 6>> rows;
    if (table.IsOpen() && !table.IsEmpty()) {
        table.PushPosition();
        for (bool more = table.GoTop(); more; more = table.SkipForward())
            rows.push_back({table.m_name, table.m_ident, table.m_position.FormatLatitude(format),
                            table.m_position.FormatLongitude(format), table.m_area, table.m_group});
        table.PopPosition();
    }
    request.fill = [rows = std::move(rows)](report::CReportSink& sink, std::string&) {
        sink.Expect(rows.size());
        for (const auto& row : rows) {
            for (std::size_t i = 0; i < row.size(); ++i)
                sink.Cells()[i] = row[i];
            if (!sink.Append())
                return false;
        }
        return true;
    };
    return request;
}

}   // namespace chartpoints

// Any bytes as a report definition: parsed into a definition, or refused
// with a message that names a line (or says there are no columns).
#include "db/DBReportTable.h"
#include "engines/report/ReportDefinitionFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static const std::map<std::string, std::string> formulas{{"File_name", "Sample {NAME}"},
                                                             {"From", "\"A\""}};
    report::CReportDefinition def;
    std::string error;
    if (report::ParseReportDefinition(text, db::ReportRouteFields(), formulas, def, error)) {
        if (def.columns.empty() || def.margin < 0 || def.margin > 144)
            std::abort();
        for (const auto& total : def.totals)
            if (total.column >= def.columns.size())
                std::abort();
    } else if (error.rfind("line ", 0) != 0 && error != "the report has no columns") {
        std::abort();
    }
    return 0;
}

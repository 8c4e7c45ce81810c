#pragma once
// Report definition files: "<name>.rpt", UTF-8 text read at each run, one
// statement a line ('#' starts a comment line):
//
//   page locale|a4|letter portrait|landscape
//   margin <points>
//   title <text>             {Name} is a formula value, {FIELD} the first row's field
//   column <FIELD> <width share> left|right|centre wrap|nowrap <heading>
//   total count | total sum <FIELD> | total last <FIELD>
//   footer date|nodate
//
// Anything else, and any field or formula the report does not have, refuses
// the definition with the line's number and what was not known.

#include "engines/report/ReportDefinition.h"
#include "engines/report/ReportTable.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace report {

// "X.rpt" and "X" name the same report.
std::string ReportBaseName(std::string_view name);

// The definition file of a report: the user's copy in
// $XDG_DATA_HOME/Quorwick/Brinevane/Reports first, then `systemFolder`;
// empty when neither has it.
std::filesystem::path FindReportDefinition(std::string_view name,
                                           const std::filesystem::path& systemFolder);
std::filesystem::path UserReportsFolder();

// Parses `text`. Formula placeholders in titles take their values from
// `formulas` (as data: a value is never read as a placeholder); field
// placeholders stay as title parts for the run to fill from the first row.
bool ParseReportDefinition(std::string_view text, const std::vector<ReportField>& fields,
                           const std::map<std::string, std::string>& formulas,
                           CReportDefinition& out, std::string& error);

// Reads and parses the named report's file; the error names the file.
bool LoadReportDefinition(std::string_view name, const std::filesystem::path& systemFolder,
                          const std::vector<ReportField>& fields,
                          const std::map<std::string, std::string>& formulas,
                          CReportDefinition& out, std::string& error);

}   // namespace report

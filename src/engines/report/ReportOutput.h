#pragma once
// A laid-out report sent to a PDF file or a printer, every page in turn.

#include <QString>

class QPrinter;

namespace report {

class CReportLayout;

// Writes the report to `path` through a temporary file put in place only
// when every page is written, so a failure leaves any older file as it was.
bool WriteReportPdf(const CReportLayout& layout, const QString& path, QString& error);

// Prints on `printer` (its own settings, at least one copy); the painter is
// closed before returning. The error says when there is no printer.
bool PrintReport(const CReportLayout& layout, QPrinter& printer, QString& error);

}   // namespace report

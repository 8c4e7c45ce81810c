#pragma once
// A laid-out report sent to a PDF file or a printer, every page in turn.

#include <QString>

class QPrinter;
class QWidget;

namespace report {

class CReportLayout;

// Writes the report to `path` through a temporary file put in place only
// when every page is written, so a failure leaves any older file as it was.
bool WriteReportPdf(const CReportLayout& layout, const QString& path, QString& error);

// Prints on `printer` (its own settings, at least one copy); the painter is
// closed before returning. The error says when there is no printer.
bool PrintReport(const CReportLayout& layout, QPrinter& printer, QString& error);

// The print set-up: which printer (or PDF file, where printing to a file is
// all there is) and its paper, chosen once for every later print, which
// then asks nothing. False when cancelled; the printer is left as it was.
bool PrintSetup(QPrinter& printer, QWidget* parent);

}   // namespace report

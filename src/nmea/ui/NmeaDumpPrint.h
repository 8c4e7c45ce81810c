#pragma once
// Printing a sentence window: every line of its history, page after page,
// under a heading with the window's title and the page number; and the same
// in a print preview.

class QPrinter;
class QWidget;

namespace nmea {

class CNmeaDumpView;

// Returns the number of pages printed (0 when the printer would not start).
int PrintDumpView(const CNmeaDumpView& view, QPrinter& printer);
void PreviewDumpView(const CNmeaDumpView& view, QWidget* parent);

}   // namespace nmea

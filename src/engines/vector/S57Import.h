#pragma once
// Imports one S-57 cell (".000") through GDAL's S-57 driver into a vector
// chart, with its updates (".001", ".002"...) applied in sequence by the
// driver. A gap in the updates imports the cell up to the gap and names the
// first missing file. The information block is filled from the cell's data
// set records (DSID, DSPM) and its navigational system of marks.

#include <filesystem>
#include <string>

#include "engines/vector/VChartData.h"

namespace vengine {

struct S57ImportResult {
    bool ok = false;
    std::string error;   // why the cell was refused
    std::string missingUpdate;   // the first update file missing before a later one
    int updatesApplied = 0;
};

// `cell` may be a GDAL virtual path (/vsimem/...). With `applyUpdates` false
// the base cell alone is read.
S57ImportResult ImportS57Cell(const std::string& cell, bool applyUpdates, VChartData& chart);

// The update files present beside `cell` in sequence from ".001", and the
// first missing one when a later update exists.
struct UpdateSequence {
    int contiguous = 0;   // .001 to .NNN present
    std::string missing;   // file name of the gap, empty when there is none
};
UpdateSequence FindUpdates(const std::string& cell);

// Makes GDAL's drivers and its S-57 catalogues ready; safe to call often.
void EnsureGdalReady();

}   // namespace vengine

#pragma once
// What the log chooser shows: the vessel logs of a folder and, for one log,
// its own vessel's appends grouped by vessel, each with its time
// span and watch officer and a picture of what it holds.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace navigator {

// The pictures of a leaf: what the append's logbook and track hold.
enum LogLeafImage : int {
    kLeafRowsOnly = 1,
    kLeafTrackOnly = 2,
    kLeafRowsAndTrack = 3,
    kLeafGroup = 4,
    kLeafEmpty = 5,
};

struct CLogLeaf {
    std::uint32_t appendNo = 0;
    std::string description;
    int image = kLeafEmpty;
};

struct CLogGroup {
    std::uint32_t vesselId = 0;
    std::string voyageId;
    std::string name;   // the first append's voyage id, else "Log" and the group's number
    std::vector<CLogLeaf> leaves;
};

// The log files of `folder` in name order: names with `extension` (any case;
// "dbf" for vessel logs, "log" for older logs to convert) that do not begin
// with "~" (temporary logs, backups, work files).
std::vector<std::filesystem::path> ListLogFiles(const std::filesystem::path& folder,
                                                const std::string& extension = "dbf");

// The groups of one log. A table of another layout gives one group with the
// leaf of an empty row ("From -- to --"), a log without rows one with an
// empty leaf; a log of other vessels only, or a file whose index cannot be
// read, gives none.
std::vector<CLogGroup> ReadLogTree(const std::filesystem::path& logFile);

// "TARGET. From <start> to <end>. Watch Officer: <name>" with local times and
// "--" for a time not set.
std::string DescribeAppend(const std::string& targetName, const std::string& start,
                           const std::string& end, const std::string& watchOfficer);

}   // namespace navigator

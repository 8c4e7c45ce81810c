#pragma once
// Writes an S-57 update file (".001", ".002"...) for a cell. GDAL's S-57
// writer makes new cells only (every record an insert), so the update's
// records are put together here as ISO 8211 data records, behind the base
// cell's own data descriptive record: both files define their fields alike.

#include <string>
#include <utility>
#include <vector>

#include "S57CellWriter.h"

namespace vchart {

struct UpdateHeader {
    int updateNumber = 1;
    int intendedUsage = 5;
    std::string edition = "1";
    std::string date = "20260315";   // YYYYMMDD: update application and issue date
    std::string comment;
};

class CS57UpdateWriter {
public:
    // Starts an update of the cell at `basePath` (its ".000", written by
    // GDAL's S-57 writer); false with `error` set when that is no ISO 8211 file.
    bool Begin(const std::string& basePath, const UpdateHeader& header, std::string& error);

    // A new point feature of class `cls` on a new isolated node.
    bool InsertPoint(const std::string& cls, int featureId, int nodeId, LonLat p,
                     const Attributes& attrs);
    // Removes `count` soundings from the 1-based `index` of a sounding node
    // whose record is at `version` before this update.
    bool DeleteSoundings(int nodeId, int version, int index, int count);
    // Gives a feature's attributes new values; the feature is at `version`.
    bool ChangeAttributes(const std::string& cls, int prim, int featureId, int version,
                          const Attributes& attrs);

    // Writes the update to `path`; false when it cannot.
    bool Write(const std::string& path, std::string& error) const;

    // The ISO 8211 file as written.
    const std::string& Bytes() const { return m_bytes; }

private:
    using Field = std::pair<std::string, std::string>;   // tag, data with its terminator
    void Record(const std::vector<Field>& fields);
    bool AttributeField(const Attributes& attrs, std::string& field) const;

    std::string m_bytes;
    int m_nextRecord = 1;
    bool m_ok = false;
};

}   // namespace vchart

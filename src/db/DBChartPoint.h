#pragma once
// CDBChartPoint: the chartpoint database, a point table with a tag on every
// field. Named with the extension "ipt" (an older chartpoint table with its
// "ipm" memo file) or "wpt" (an older waypoint list), it takes the older
// file's points over into a current table of the same name the first time it
// opens empty; the older files are only read.

#include "db/DBPoint.h"

#include <string>
#include <vector>

namespace db {

class CDBChartPoint : public CDBPoint {
public:
    enum Conversion { kNone = 0, kIpt = 1, kWpt = 2 };

    CDBChartPoint();

    void SetName(const std::string& name) override;
    bool Open(bool readOnly = false, bool recreate = false) override;

    bool ImportIpt();
    bool ImportWpt();

    // Rows (1-based, in the older file) whose position was out of range and
    // were left behind, from the last import.
    const std::vector<int>& BadPositionRows() const { return m_badRows; }
    // What the user is told after an open that took an older file over
    // (rows left behind, damage found); empty after any other open.
    const std::string& ImportNote() const { return m_importNote; }

private:
    bool Import(Conversion kind);

    std::string m_olderExtension;   // as given, for finding the file without case
    std::vector<int> m_badRows;
    std::string m_importNote;
};

}   // namespace db

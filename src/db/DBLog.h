#pragma once
// CDBLog: one vessel's position log, a record per fix or logbook entry in
// time order (tag "T_DT_TM"). A log takes a fix a second for years: the
// record count comes from the index, never from a walk of the table.
//
// Named with the extension "log", an empty log takes over the older log of
// that name (its "lom" memo file beside it); a data file of an older log
// layout under the log's own name is taken over the same way, its files kept
// in the backup folder "~OldLogs.Backup". Layouts are told apart by their
// field names. The older files are only read.

#include "app/DateTimeEx.h"
#include "db/DBTextTable.h"
#include "geo/Position.h"

#include <string>
#include <string_view>
#include <vector>

namespace db {

class COlderTable;

class CDBLog : public CDBTextTable {
public:
    enum ImportKind { kNone = 0, kLogFile = 1, kNineField = 2 };

    // On the default engine, or on a worker thread's own.
    explicit CDBLog(std::shared_ptr<dbase::CDbaseEngine> engine = nullptr);
    ~CDBLog() override;

    bool LoadRecord() override;
    bool StoreRecord() override;
    void SetName(const std::string& name) override;
    bool Open(bool readOnly = false, bool recreate = false) override;
    bool DeleteRecord() override;
    bool DeleteFiles() override;
    // The data file's own count, records marked deleted included until the
    // table is packed; read from the header, never by a walk.
    long GetRecordCount() override;
    void ClearRecord() override;

    // The fix type code of a display text, without regard to case; 0 for any
    // text that names no code.
    static int TypeFromText(std::string_view text);

    // Builds this log (closed, not yet on disk) from an older log's files
    // and puts it in place; the older files are only read.
    // A data file with the eleven fields of this log's own layout is not
    // an older log: nothing is taken over and the log stays empty.
    bool TakeOverFrom(const std::string& dataPath, const std::string& memoPath);

    // Rows (1-based, in the older file) whose position came over not valid.
    const std::vector<int>& BadPositionRows() const { return m_badRows; }

    app::CDateTimeEx m_time;
    geo::CPosition m_position;
    // False for a row written before any position was known: its LAT, LNG
    // and ALT fields are stored blank (read by others as no value), and
    // m_position is then invalid.
    bool m_positionKnown = true;
    double m_cog = 0;
    double m_sog = 0;
    int m_type = 0;
    std::string m_note;

protected:
    void ListTexts(std::vector<TextMember>& out) const override
    {
        out.push_back({"NOTE", &m_note});
    }

private:
    // Builds the current log from an older one and puts it in this log's place.
    bool Import(const std::string& dataPath, const std::string& memoPath, bool keepBackup);
    bool TakeOver(const COlderTable& older, int row, bool nineField);

    int m_importKind = kNone;
    std::string m_olderExtension;
    std::vector<int> m_badRows;
};

// The layout of a log's data file, told by its field names.
enum class LogLayout { Missing, Current, NineField, OldLog, Other };
LogLayout LogLayoutOf(const std::string& dataPath);
// True when the data file holds eleven fields, as this program's own log does.
bool HasOwnLogFieldCount(const std::string& dataPath);

}   // namespace db

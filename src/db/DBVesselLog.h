#pragma once
// CDBVesselLog: the logbook index, one row per logged vessel and voyage
// segment. Its companion folder (the index's path with the extension "X")
// holds each row's logbook table and track, named by the row's UNIQUE id in
// eight digits (00000001.dbf, 00000001.trc). An index converted by an earlier
// version kept the first logbook one folder deeper (00000001.X/00000001); it
// is moved up when the index opens.
//
// Two older forms are taken over when the index opens: a single position log
// named with the extension "log" (with its "lom" memo file), and a position
// log stored under the index's own name. Either becomes the own vessel's
// first log with one index row; the older files are copied to the backup
// folder "~OldLogs.Backup" or only read, and the new index takes the old
// one's place only when every step succeeded.

#include "app/DateTimeEx.h"
#include "db/DBTextTable.h"
#include "platform/Prompt.h"

#include <cstdint>
#include <string>

namespace db {

class CDBVesselLog : public CDBTextTable {
public:
    enum ImportKind { kNone = 0, kLogFile = 1, kSingleLog = 2 };

    // On the default engine, or on a worker thread's own.
    explicit CDBVesselLog(std::shared_ptr<dbase::CDbaseEngine> engine = nullptr);
    ~CDBVesselLog() override;

    bool LoadRecord() override;
    bool StoreRecord() override;
    void SetName(const std::string& name) override;
    bool Open(bool readOnly = false, bool recreate = false) override;
    // Why a data file cannot be opened as a vessel log (nor converted from a
    // position log); empty when it can, or when there is no such file.
    static std::string RefusalFor(const std::string& dataPath);
    // Removes every row, the companion folder with every vessel's files and
    // the table's files, and makes the table again, empty. False when the
    // table is read-only; a step that fails raises the program's error
    // exception (app::ThrowError) with the reason in GetMessage().
    bool Zap() override;
    void ClearRecord() override;

    // Where the overwrite question goes; without one the answer is No.
    void SetPrompt(platform::CPrompt* prompt) { m_prompt = prompt; }

    // Opens (creating when missing) without any conversion.
    bool OpenIndex();
    // One more than the largest append number of the vessel's rows, 1 for none.
    std::uint32_t GetNextAppendNo(std::uint32_t vesselId);
    // True when the index file exists with the current layout and nothing
    // waits to be taken over.
    bool IsCurrentFormat();
    std::string GetVesselTypeText() const;
    // Copies the index's files (dbf, dbt, mdx, trc) into "~OldLogs.Backup".
    bool BackupOldLogs();
    bool WasConverted() const { return m_converted; }
    // Moves logbooks kept one folder deeper by an earlier conversion up
    // beside their tracks, all or nothing; false (with the reason) when a
    // name up there is taken or a move fails, every file left in place.
    bool MoveUpNestedLogs();

    int m_vesselType = 0;
    std::string m_voyageId;
    std::string m_oowName;
    std::uint8_t m_targetNo = 0;
    std::string m_targetName;
    std::uint32_t m_vesselId = 0;
    std::uint32_t m_appendNo = 0;
    app::CDateTimeEx m_start;
    app::CDateTimeEx m_end;

protected:
    void ListTexts(std::vector<TextMember>& out) const override;

private:
    // Builds the new index with the own vessel's first log (filled by
    // `fillLog` at the given path) beside the old files, then swaps it in.
    bool Convert(const std::string& olderData, const std::string& olderMemo, bool fromIndexName);

    int m_importKind = kNone;
    std::string m_olderExtension;
    bool m_converted = false;
    platform::CPrompt* m_prompt = nullptr;
};

}   // namespace db

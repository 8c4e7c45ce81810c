#pragma once
// CDBInterface: one dBASE IV table of the system (data, memo and production
// index files of one name in one folder) over a table engine.
// The engine is an object handed to the table (or the process default).
// Subclasses declare their fields and tags in their constructors and map the
// current record to their members in LoadRecord and StoreRecord; everything
// else a table does is done here once.
//
// Conventions every table keeps: the first field is "UNIQUE" N(8,0) written
// with leading zeros, the first tag "T_UNIQUE", and every tag filters
// ".NOT. DELETED()". Operations return success flags and show nothing; after
// an engine failure the engine's error code is reset (ClearEngineError).

#include "db/Field4.h"
#include "db/FieldInfoList.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace dbase {
class CDbaseEngine;
class CDbaseTable;
}   // namespace dbase

class CDBInterface {
public:
    // On the process's default engine (SharedEngine).
    CDBInterface();
    // On the engine given: a caller that keeps its own engine (a tool, a
    // test, a thread of its own) passes it to every table it opens.
    explicit CDBInterface(std::shared_ptr<dbase::CDbaseEngine> engine);
    virtual ~CDBInterface();
    CDBInterface(const CDBInterface&) = delete;
    CDBInterface& operator=(const CDBInterface&) = delete;

    // The process's default engine: started by the first object (or call)
    // that asks for it, stopped (closing what is still open) with the last
    // object that uses it. Shared ownership keeps the count safe from any thread.
    static dbase::CDbaseEngine& SharedEngine();
    dbase::CDbaseEngine& Engine() const { return *m_engine; }

    virtual bool LoadRecord();
    virtual bool StoreRecord();
    virtual bool ResetCache();
    virtual void SetName(const std::string& name);
    virtual std::string GetName() const { return m_name; }
    virtual void SetFolder(const std::string& folder) { m_folder = folder; }
    virtual std::string GetFolder() const { return m_folder; }
    virtual void SetFilePath(const std::string& path);
    virtual std::string GetFilePath() const;
    virtual bool CreateFiles();
    virtual std::string SelectTag(const std::string& name);
    virtual std::string GetTagName() const;
    virtual bool Rebuild();
    virtual bool Open(bool readOnly = false, bool recreate = false);
    virtual bool Update();
    virtual bool AppendNew();
    virtual bool IsFirst();
    virtual bool IsLast();
    virtual bool GoTop();
    virtual bool SkipForward(long n = 1);
    virtual bool SkipBack(long n = 1);
    virtual bool GoBottom();
    virtual bool GoRecord(long recNo);
    virtual bool Seek(const std::string& key);
    virtual bool SeekNext(const std::string& key);
    virtual bool DeleteRecord();
    virtual bool DeleteAll();
    virtual bool Pack();
    virtual bool Zap();
    virtual bool DeleteFiles();
    // Makes the copy whole under a name of its own ("~c" + six characters)
    // beside the target, then gives it the target's name: a copy that fails
    // leaves a table already there as it was.
    virtual bool CopyTo(const std::string& path);
    // Removes what copies killed part way left in `folder` (their
    // placeholder no longer held).
    static void RemoveDeadCopies(const std::filesystem::path& folder);
    // Copies the table to `path` and continues there; false when the copy
    // fails, the old files survive or the table does not open at the new place.
    virtual bool MoveTo(const std::string& path);
    virtual bool Close();
    virtual long GetRecNo() const;
    virtual long RecNoAtOrdinal(long n);
    virtual long GetOrdinal();
    virtual long OrdinalOfRecNo(long recNo);
    virtual bool GoOrdinal(long n);
    virtual long GetRecordCount();
    virtual bool IsOpen() const { return m_table != nullptr; }
    virtual bool IsEmpty();
    virtual void PushPosition();
    virtual bool PopPosition();
    virtual void ClearRecord() { }
    virtual bool Lock();
    virtual bool FlushAndUnlock();
    virtual bool IsLockedElsewhere();
    virtual bool IsLockHeld() const { return m_lockHeld; }

    long NextUniqueId();
    std::string SelectUniqueTag();
    bool FlushIfOpen();
    static bool ClearEngineError();
    static std::string GetEngineVersionText();

    long GetId() const { return m_id; }
    void SetId(long id) { m_id = id; }
    bool IsReadOnly() const { return m_readOnly; }
    dbase::CDbaseTable* Table() const { return m_table.get(); }
    const FieldInfoList& Fields() const { return m_fieldList; }
    const TagInfoList& Tags() const { return m_tagList; }

protected:
    Field4 Field(std::string_view name) const { return Field4(*m_engine, m_table.get(), name); }

private:
    std::shared_ptr<dbase::CDbaseEngine> m_engine;   // first: the lists below are made with it

protected:
    FieldInfoList m_fieldList;
    TagInfoList m_tagList;
    long m_id = 0;
    int m_pendingConversion = 0;

private:
    // The base class's own operations, which Rebuild uses whatever a subclass overrides.
    bool OpenBase(bool readOnly, bool recreate);
    bool CloseBase();
    bool DeleteFilesBase();
    // Copies the records of `from` (in the order of its selected tag, or of
    // its record numbers) to the end of `to`; `liveOnly` leaves records
    // marked deleted behind, `byId` writes them in the order of their ids.
    bool CopyRecords(dbase::CDbaseTable& from, dbase::CDbaseTable& to, bool liveOnly,
                     bool byId = false);
    bool Moved(int rc);
    // The error check on this object's engine (ClearEngineError is the
    // default engine's).
    bool ClearError();
    // Makes a move of the engine: loads the record on success; on failure
    // forgets the ordinal and, when the engine came to rest on another record
    // than the one it started from, keeps Update from writing these members over it.
    bool Arrived(const std::function<int()>& move);
    // Skips n records (back when negative) and keeps a known ordinal in step.
    bool SkipBy(long n);

    std::unique_ptr<dbase::CDbaseTable> m_table;
    std::string m_folder;
    std::string m_name;
    bool m_readOnly = false;
    long m_ordinal = -1;
    long m_count = -1;
    bool m_membersAway = false;   // the engine is on another record than the members
    std::vector<std::pair<long, long>> m_positions;
    bool m_lockHeld = false;
};

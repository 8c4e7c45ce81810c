#include "db/DBInterface.h"
#include "platform/Ascii.h"
#include "platform/Files.h"

#include "engines/dbase/DbaseTable.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unistd.h>

#include <string_view>

namespace fs = std::filesystem;

namespace {

// The default engine; objects on it hold it too, so the last one to go
// finds only this reference left and stops it.
std::mutex g_engineLock;
std::shared_ptr<dbase::CDbaseEngine> g_engine;

std::shared_ptr<dbase::CDbaseEngine> DefaultEngine()
{
    std::lock_guard<std::mutex> hold(g_engineLock);
    if (!g_engine)
        g_engine = std::make_shared<dbase::CDbaseEngine>();
    return g_engine;
}

std::string WithoutExtension(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return path.substr(0, dot);
    return path;
}

const char* const kExtensions[] = {"dbf", "dbt", "mdx"};

// A table's file as the engine opens it: "<base>.<ext>", or "<base>.<EXT>"
// when only that one is there (a table written where names are upper case).
std::string TableFile(const std::string& base, const char* ext)
{
    const std::string lower = base + "." + ext;
    std::error_code ec;
    if (fs::exists(lower, ec))
        return lower;
    const std::string upper = base + "." + platform::AsciiUpperCopy(ext);
    return fs::exists(upper, ec) ? upper : lower;
}

// A copy is made under "~c" + six characters beside its target, reserved by
// a placeholder of that name (no extension) held locked while the copy goes
// on; a copy whose program was killed holds no lock.
constexpr std::string_view kCopyPrefix = "~c";

bool IsCopyPlaceholderName(std::string_view name)
{
    return name.size() == kCopyPrefix.size() + 6 && name.starts_with(kCopyPrefix) &&
           std::all_of(name.begin() + kCopyPrefix.size(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// The copy's table files and whatever the table layer's own writes left
// beside them ("<name>.dbf.tmp-..." and the like): every "<name>." entry.
void RemoveCopyFiles(const fs::path& placeholder)
{
    const std::string prefix = placeholder.filename().string() + ".";
    std::error_code ec;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(placeholder.parent_path(), ec), end; !ec && it != end;
         it.increment(ec))
        if (it->path().filename().string().starts_with(prefix))
            doomed.push_back(it->path());
    for (const fs::path& p : doomed)
        fs::remove(p, ec);
}

}   // namespace

dbase::CDbaseEngine& CDBInterface::SharedEngine()
{
    return *DefaultEngine();
}

CDBInterface::CDBInterface() : CDBInterface(DefaultEngine()) { }

CDBInterface::CDBInterface(std::shared_ptr<dbase::CDbaseEngine> engine)
    : m_engine(engine ? std::move(engine) : DefaultEngine()), m_fieldList(m_engine.get()),
      m_tagList(m_engine.get())
{
    m_fieldList.Add("UNIQUE", 'N', 8, 0);
    m_tagList.Add("T_UNIQUE", "UNIQUE", ".NOT. DELETED()", 0, 0);
}

CDBInterface::~CDBInterface()
{
    CloseBase();
    std::lock_guard<std::mutex> hold(g_engineLock);
    if (m_engine == g_engine && g_engine.use_count() == 2) {
        m_engine.reset();
        g_engine->CloseAll();
        g_engine.reset();
    }
}

bool CDBInterface::ClearError()
{
    if (m_engine->ErrorCode() < 0) {
        m_engine->ResetError();
        return true;
    }
    return false;
}

bool CDBInterface::ClearEngineError()
{
    dbase::CDbaseEngine& e = SharedEngine();
    if (e.ErrorCode() < 0) {
        e.ResetError();
        return true;
    }
    return false;
}

std::string CDBInterface::GetEngineVersionText()
{
    const std::string v = std::to_string(dbase::kEngineVersion);
    return v.substr(0, 1) + "." + v.substr(1, 1);
}

bool CDBInterface::Moved(int rc)
{
    if (rc == 0)
        return true;
    ClearError();
    return false;
}

bool CDBInterface::Arrived(const std::function<int()>& move)
{
    // The record the move starts from is read before the move is made.
    const long from = GetRecNo();
    if (move() == 0) {
        LoadRecord();
        m_membersAway = false;
        return true;
    }
    ClearError();
    m_ordinal = -1;
    if (m_table && m_table->RecNo() != from)
        m_membersAway = true;
    return false;
}

// ------------------------------------------------------------------ record mapping

bool CDBInterface::LoadRecord()
{
    m_id = Field("UNIQUE").AsLong();
    return true;
}

bool CDBInterface::StoreRecord()
{
    return Field("UNIQUE").AssignLong(m_id, 8, true) == 0;
}

bool CDBInterface::ResetCache()
{
    m_ordinal = -1;
    m_count = -1;
    return true;
}

// ------------------------------------------------------------------ names

void CDBInterface::SetName(const std::string& name)
{
    m_name = WithoutExtension(name);
}

void CDBInterface::SetFilePath(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) {
        SetName(path);
        SetFolder("");
        return;
    }
    SetName(path.substr(slash + 1));
    std::string folder = path.substr(0, slash);
    std::replace(folder.begin(), folder.end(), '\\', '/');
    SetFolder(folder);
}

std::string CDBInterface::GetFilePath() const
{
    if (m_folder.empty())
        return m_name;
    return m_folder + "/" + m_name;
}

// ------------------------------------------------------------------ files

bool CDBInterface::CreateFiles()
{
    std::error_code ec;
    if (!m_folder.empty()) {
        fs::create_directories(m_folder, ec);
        if (!fs::is_directory(m_folder))
            return false;
    }
    auto table = m_engine->Create(GetFilePath(), m_fieldList.Entries(), m_tagList.Entries());
    if (!table) {
        ClearError();
        return false;
    }
    return table->Close() == 0;
}

bool CDBInterface::Open(bool readOnly, bool recreate)
{
    return OpenBase(readOnly, recreate);
}

bool CDBInterface::OpenBase(bool readOnly, bool recreate)
{
    if (m_table)
        return true;
    m_readOnly = readOnly;
    if (fs::exists(TableFile(GetFilePath(), "dbf")) && recreate)
        DeleteFilesBase();
    if (!fs::exists(TableFile(GetFilePath(), "dbf")) && !CreateFiles())
        return false;
    dbase::CDbaseEngine& e = *m_engine;
    e.readOnly = readOnly;
    m_table = e.Open(GetFilePath());
    e.readOnly = false;
    if (!m_table) {
        ClearError();
        return false;
    }
    // An index that lost tags (missing, unreadable, older) is made again from
    // the declared tags; its keys always come from the data file.
    bool complete = true;
    for (const dbase::TagDefinition& t : m_tagList.Entries())
        complete = complete && m_table->Tag(t.name) != nullptr;
    if (!complete && !m_readOnly && m_table->Reindex(m_tagList.Entries()) != 0)
        ClearError();
    if (m_tagList.Count() > 0 && m_table->TagCount() > 0)
        SelectTag(m_table->TagAt(0)->Name());
    ResetCache();
    return true;
}

bool CDBInterface::Close()
{
    return CloseBase();
}

bool CDBInterface::CloseBase()
{
    if (!m_table)
        return true;
    const int rc = m_table->Close();
    m_table.reset();
    m_lockHeld = false;
    m_membersAway = false;
    ResetCache();
    if (rc != 0)
        ClearError();
    return rc == 0;
}

bool CDBInterface::DeleteFiles()
{
    return DeleteFilesBase();
}

bool CDBInterface::DeleteFilesBase()
{
    if (m_readOnly)
        return false;
    bool ok = true;
    for (const char* ext : kExtensions)
        for (const std::string& e : {std::string(ext), platform::AsciiUpperCopy(ext)}) {
            const std::string path = GetFilePath() + "." + e;
            std::error_code ec;
            if (fs::exists(path, ec) || fs::is_symlink(path, ec)) {
                fs::remove(path, ec);
                ok = ok && !fs::exists(path, ec);   // a file that survives is a failure
            }
        }
    return ok;
}

bool CDBInterface::CopyRecords(dbase::CDbaseTable& from, dbase::CDbaseTable& to, bool liveOnly,
                               bool byId)
{
    // Fields go across by name: a table of an older layout keeps each value
    // in the field it belongs to, whatever order the fields had.
    std::vector<std::pair<dbase::CDbaseField*, dbase::CDbaseField*>> pairs;
    for (int i = 1; i <= to.FieldCount(); ++i)
        if (dbase::CDbaseField* src = from.Field(to.Field(i)->Name()))
            pairs.emplace_back(src, to.Field(i));
    // The records to copy, in the order they are written. Only the end of
    // the table ends the walk: a move that fails (a pending record that cannot
    // be written, an unreadable block) fails the copy, or it would pass for
    // whole with the records after it missing.
    std::vector<std::pair<double, int32_t>> records;
    dbase::CDbaseField* const id = from.Field("UNIQUE");
    int rc = from.Top();
    for (; rc == 0; rc = from.Skip(1))
        if (!liveOnly || !from.Deleted())
            records.emplace_back(byId && id ? id->AsDouble() : 0.0, from.RecNo());
    if (rc != dbase::kEof)
        return false;
    if (byId)
        std::stable_sort(records.begin(), records.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& record : records) {
        if (from.Go(record.second) != 0 || to.AppendStart() != 0)
            return false;
        for (auto& [src, dst] : pairs) {
            std::string text = src->Text();
            if (dst->Type() == 'N' || dst->Type() == 'F') {
                // A number keeps its text (leading zeros too) when it fits the
                // new width; otherwise it is written anew, never cut.
                while (!text.empty() && text.front() == ' ')
                    text.erase(text.begin());
                while (!text.empty() && text.back() == ' ')
                    text.pop_back();
                if (int(text.size()) > dst->Width()) {
                    if (dst->AssignDouble(src->AsDouble(), dst->Width(), dst->Decimals()) != 0)
                        return false;
                    continue;
                }
                text.insert(0, size_t(dst->Width()) - text.size(), ' ');
            }
            if (dst->Assign(text) != 0)
                return false;
        }
        if (to.Append() != 0)
            return false;
    }
    return true;
}

bool CDBInterface::Rebuild()
{
    const std::string base = GetFilePath();
    if (m_readOnly || !fs::exists(TableFile(base, "dbf")))
        return false;
    const std::string folder = m_folder.empty() ? std::string(".") : m_folder;
    const std::string tmp = folder + "/~Tmp";
    // A "~Tmp" left by an interrupted rebuild may hold the only copy of a
    // table: never overwrite it.
    for (const char* ext : kExtensions)
        if (fs::exists(tmp + "." + ext))
            return false;
    CloseBase();

    dbase::CDbaseEngine& e = *m_engine;
    e.autoOpenIndex = false;
    auto old = e.Open(base);
    e.autoOpenIndex = true;
    if (!old) {
        ClearError();
        return false;
    }
    auto fresh = e.Create(tmp, m_fieldList.Entries(), m_tagList.Entries());
    bool ok = fresh && fresh->Lock() == 0;
    // The rebuilt table holds its live records in the order of their ids,
    // as a copy through "T_UNIQUE" would write them.
    ok = ok && CopyRecords(*old, *fresh, true, true);
    if (fresh) {
        fresh->Unlock();
        ok = fresh->Close() == 0 && ok;
    }
    old->Close();
    old.reset();
    if (!ok) {
        ClearError();
        for (const char* ext : kExtensions)
            std::remove((tmp + "." + ext).c_str());
        return false;
    }
    // Swap: the old files step aside under a fresh name, the new ones take
    // the table's name, and only then are the old ones removed. A crash at
    // any point leaves one whole copy under a known name.
    const std::string aside = folder + "/~Old" + std::to_string(::getpid()) + "_" + m_name;
    std::vector<std::pair<std::string, std::string>> moved;   // extension, old file
    for (const char* ext : kExtensions) {
        const std::string from = TableFile(base, ext);
        if (fs::exists(from)) {
            if (std::rename(from.c_str(), (aside + "." + ext).c_str()) != 0)
                ok = false;
            else
                moved.emplace_back(ext, from);
        }
    }
    for (const char* ext : kExtensions) {
        const std::string from = tmp + "." + ext;
        if (ok && fs::exists(from) && std::rename(from.c_str(), (base + "." + ext).c_str()) != 0)
            ok = false;
    }
    if (!ok) {
        for (const auto& [ext, from] : moved)
            std::rename((aside + "." + ext).c_str(), from.c_str());
        return false;
    }
    for (const auto& [ext, from] : moved)
        std::remove((aside + "." + ext).c_str());
    // The index was written under the temporary name; write it under ours.
    auto table = e.Open(base);
    ok = table && table->Reindex(m_tagList.Entries()) == 0 && table->Close() == 0;
    if (!ok)
        ClearError();
    return ok;
}

// Removes what copies killed part way left in `folder`: the table files of
// each placeholder nobody holds, then the placeholder.
void CDBInterface::RemoveDeadCopies(const fs::path& folder)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path placeholder = it->path();
        if (!IsCopyPlaceholderName(placeholder.filename().string()))
            continue;
        // Held locked until it is gone, so no other sweep meets half a set.
        const auto held = platform::LockUnheldFile(placeholder);
        if (!held)
            continue;
        RemoveCopyFiles(placeholder);
        ::unlink(placeholder.c_str());
    }
}

bool CDBInterface::CopyTo(const std::string& path)
{
    const std::string target = WithoutExtension(path);
    if (platform::EqualNoCaseAscii(target, GetFilePath()))
        return true;
    if (!m_table)
        return false;
    const fs::path folder = fs::path(target).parent_path();
    std::error_code ec;
    if (!folder.empty()) {
        fs::create_directories(folder, ec);
        if (!fs::is_directory(folder))
            return false;
    }
    // The copy is made whole under a name of its own and only then takes the
    // target's name, data file last: a copy that fails (a full disk) or is
    // killed leaves a table already at the target as it was.
    const fs::path where = folder.empty() ? fs::path(".") : folder;
    RemoveDeadCopies(where);
    auto placeholder = platform::CreateLockedTempFile(where, kCopyPrefix);
    if (!placeholder)
        return false;
    const std::string staging = placeholder->path.string();
    auto copy = m_engine->Create(staging, m_fieldList.Entries(), m_tagList.Entries());
    // In record-number order (no tag selected) the walk meets records marked
    // deleted; the copy would write them as live ones.
    bool ok = copy && copy->Lock() == 0 && CopyRecords(*m_table, *copy, true);
    if (copy) {
        copy->Unlock();
        ok = copy->Close() == 0 && ok;
        copy.reset();
    }
    ResetCache();
    for (const char* ext : {"dbt", "mdx", "dbf"}) {
        if (!ok)
            break;
        const std::string from = staging + "." + ext;
        const auto old =
            platform::FindNoCase(where, fs::path(target).filename().string() + "." + ext);
        if (fs::exists(from, ec))
            ok = platform::RenamePath(from, old ? *old : fs::path(target + "." + ext));
        else if (old)
            ok = platform::RemoveTree(*old);   // the old table's, with no counterpart
    }
    // The index was written under the copy's own name; written again under
    // the target's.
    if (ok) {
        auto table = m_engine->Open(target);
        ok = table && table->Reindex(m_tagList.Entries()) == 0 && table->Close() == 0;
    }
    RemoveCopyFiles(placeholder->path);
    fs::remove(placeholder->path, ec);
    if (!ok)
        ClearError();
    return ok;
}

bool CDBInterface::MoveTo(const std::string& path)
{
    if (m_readOnly)
        return false;
    const std::string target = WithoutExtension(path);
    if (platform::EqualNoCaseAscii(target, GetFilePath()))
        return true;
    if (!CopyTo(target))
        return false;
    // The copy is whole: the table continues there even when its old files
    // cannot all be removed, but a move that leaves them behind, or a table
    // that does not open at its new place, is not reported as done.
    const bool removed = Close() && DeleteFiles();
    SetFilePath(target);
    return Open(false, false) && removed;
}

bool CDBInterface::Zap()
{
    if (m_readOnly)
        return false;
    return Close() && DeleteFiles() && Open(false, false);
}

bool CDBInterface::Pack()
{
    ResetCache();
    if (!m_table)
        return false;
    if (m_table->RecordCount() == 0)
        return true;
    bool ok = m_table->Pack() == 0 && m_table->MemoCompress() == 0;
    if (!m_lockHeld)
        ok = m_table->Unlock() == 0 && ok;
    if (!ok)
        ClearError();
    return ok;
}

// ------------------------------------------------------------------ writing

long CDBInterface::NextUniqueId()
{
    if (!m_table)
        return 1;
    const long recNo = m_table->RecNo();
    const std::string previous = SelectUniqueTag();
    long id = 1;
    if (m_table->Bottom() == 0)
        id = Field("UNIQUE").AsLong() + 1;
    else
        ClearError();
    SelectTag(previous);
    if (recNo >= 1 && recNo <= m_table->RecordCount() && m_table->Go(recNo) != 0)
        ClearError();
    return id;
}

bool CDBInterface::AppendNew()
{
    if (!m_table || m_readOnly)
        return false;
    // The next id is only the next one while nobody else can append: take it
    // under the table lock, so two stations never hand out the same UNIQUE.
    const bool took = !m_lockHeld;
    if (took) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(m_engine->lockWaitMs);
        while (m_table->Lock() != 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ClearError();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    m_id = NextUniqueId();
    if (m_table->AppendStart() != 0) {
        ClearError();
        if (took)
            m_table->Unlock();
        return false;
    }
    m_table->Blank();
    bool ok = StoreRecord() && m_table->Append() == 0;
    if (took)
        ok = m_table->Unlock() == 0 && ok;
    if (!ok) {
        ClearError();
        return false;
    }
    if (m_count >= 0)
        ++m_count;
    m_ordinal = -1;
    m_membersAway = false;
    return true;
}

bool CDBInterface::Update()
{
    // After a failed move the members belong to the record the move started
    // from: writing them would give the engine's record another's values.
    if (!m_table || m_membersAway)
        return false;
    if (!StoreRecord()) {
        ClearError();
        return false;
    }
    return true;
}

bool CDBInterface::FlushIfOpen()
{
    if (!m_table)
        return false;
    int rc = m_table->Flush();
    if (rc == 0 && !m_lockHeld)
        rc = m_table->Unlock();
    if (rc != 0) {
        ClearError();
        return false;
    }
    return true;
}

bool CDBInterface::DeleteRecord()
{
    if (!m_table || m_membersAway || !Moved(m_table->Delete()))
        return false;
    if (m_count > 0)
        --m_count;
    m_ordinal = -1;
    return true;
}

bool CDBInterface::DeleteAll()
{
    if (!m_table)
        return false;
    bool ok = true;
    for (int rc = m_table->Top(); rc == 0 && ok; rc = m_table->Skip(1))
        ok = m_table->Delete() == 0;
    if (!ok)
        ClearError();
    ok = FlushIfOpen() && ok;
    m_count = 0;
    m_ordinal = -1;
    return ok;
}

// ------------------------------------------------------------------ tags

std::string CDBInterface::SelectTag(const std::string& name)
{
    const std::string previous = GetTagName();
    if (m_table)
        m_table->Select(name.empty() ? nullptr : m_table->Tag(name));
    m_ordinal = -1;
    return previous;
}

std::string CDBInterface::GetTagName() const
{
    if (!m_table || !m_table->Selected())
        return {};
    return m_table->Selected()->Name();
}

std::string CDBInterface::SelectUniqueTag()
{
    return SelectTag("T_UNIQUE");
}

// ------------------------------------------------------------------ moves

bool CDBInterface::GoTop()
{
    if (!m_table || !Arrived([&] { return m_table->Top(); }))
        return false;
    m_ordinal = 1;
    return true;
}

bool CDBInterface::SkipBy(long n)
{
    if (!m_table || !Arrived([&] { return m_table->Skip(int32_t(n)); }))
        return false;
    if (m_ordinal >= 0)
        m_ordinal += n;
    return true;
}

bool CDBInterface::SkipForward(long n)
{
    return SkipBy(n);
}

bool CDBInterface::SkipBack(long n)
{
    return SkipBy(-n);
}

bool CDBInterface::GoBottom()
{
    if (!m_table || !Arrived([&] { return m_table->Bottom(); }))
        return false;
    m_ordinal = GetRecordCount();
    return true;
}

bool CDBInterface::GoRecord(long recNo)
{
    if (!m_table || recNo < 1 || recNo > m_table->RecordCount())
        return false;
    if (!Arrived([&] { return m_table->Go(int32_t(recNo)); }))
        return false;
    m_ordinal = -1;
    return true;
}

bool CDBInterface::Seek(const std::string& key)
{
    if (!m_table || !Arrived([&] { return m_table->Seek(key); }))
        return false;
    m_ordinal = -1;
    return true;
}

bool CDBInterface::SeekNext(const std::string& key)
{
    if (!m_table || !Arrived([&] { return m_table->SeekNext(key); }))
        return false;
    m_ordinal = -1;
    return true;
}

bool CDBInterface::IsFirst()
{
    if (m_ordinal == 1)
        return true;
    if (m_ordinal > 1)
        return false;
    if (!m_table)
        return false;
    if (m_table->Skip(-1) != 0) {
        ClearError();
        m_table->Top();
        return true;
    }
    m_table->Skip(1);
    return false;
}

bool CDBInterface::IsLast()
{
    if (m_ordinal >= 0 && m_count >= 0) {
        if (m_ordinal == m_count)
            return true;
        if (m_ordinal < m_count)
            return false;
    }
    if (!m_table)
        return false;
    if (m_table->Skip(1) != 0) {
        ClearError();
        m_table->Bottom();
        return true;
    }
    m_table->Skip(-1);
    return false;
}

long CDBInterface::GetRecNo() const
{
    return m_table ? m_table->RecNo() : 0;
}

long CDBInterface::GetRecordCount()
{
    if (!m_table)
        return 0;
    if (m_count >= 0)
        return m_count;
    // The engine knows it at once from the key count of a tag that filters
    // deleted records (every table's "T_UNIQUE"), or counts by a walk.
    const int32_t live = m_table->LiveCount();
    if (live < 0) {
        ClearError();
        return 0;
    }
    m_count = live;
    return m_count;
}

bool CDBInterface::IsEmpty()
{
    return !m_table || GetRecordCount() == 0;
}

long CDBInterface::GetOrdinal()
{
    if (m_ordinal >= 0)
        return m_ordinal;
    if (IsEmpty())
        return 0;
    m_ordinal = OrdinalOfRecNo(GetRecNo());
    return m_ordinal;
}

long CDBInterface::OrdinalOfRecNo(long recNo)
{
    if (IsEmpty())
        return 0;
    const long here = m_table->RecNo();
    long ordinal = 1;
    bool met = false;
    for (int rc = m_table->Top(); rc == 0; rc = m_table->Skip(1), ++ordinal) {
        if (m_table->RecNo() == recNo) {
            met = true;
            break;
        }
    }
    if (here >= 1 && here <= m_table->RecordCount())
        m_table->Go(int32_t(here));
    ClearError();
    return met ? ordinal : GetRecordCount() + 1;
}

long CDBInterface::RecNoAtOrdinal(long n)
{
    if (IsEmpty() || n < 1)
        return 0;
    const long here = m_table->RecNo();
    long recNo = 0;
    if (m_table->Top() == 0 && (n == 1 || m_table->Skip(int32_t(n - 1)) == 0))
        recNo = m_table->RecNo();
    if (here >= 1 && here <= m_table->RecordCount())
        m_table->Go(int32_t(here));
    ClearError();
    return recNo;
}

bool CDBInterface::GoOrdinal(long n)
{
    if (n == 1)
        return GoTop();
    if (!m_table || n < 1)
        return false;
    if (!Arrived([&] { return m_table->Top(); }) || !SkipForward(n - 1))
        return false;
    m_ordinal = n;
    return true;
}

void CDBInterface::PushPosition()
{
    m_positions.emplace_back(GetRecNo(), m_ordinal);
}

bool CDBInterface::PopPosition()
{
    if (m_positions.empty())
        return false;
    const auto [recNo, ordinal] = m_positions.back();
    m_positions.pop_back();
    if (!GoRecord(recNo))
        return false;
    m_ordinal = ordinal;
    return true;
}

// ------------------------------------------------------------------ locks

bool CDBInterface::Lock()
{
    if (!m_table || m_table->Lock() != 0) {
        ClearError();
        return false;
    }
    m_lockHeld = true;
    return true;
}

bool CDBInterface::FlushAndUnlock()
{
    if (!m_table)
        return false;
    if (m_table->Flush() != 0 || m_table->Unlock() != 0) {
        ClearError();
        return false;
    }
    m_lockHeld = false;
    return true;
}

bool CDBInterface::IsLockedElsewhere()
{
    if (m_lockHeld || !m_table)
        return false;
    return m_table->LockTest() != 0;
}

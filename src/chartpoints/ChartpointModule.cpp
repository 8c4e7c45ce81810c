#include "chartpoints/ChartpointModule.h"

#include "app/Attachments.h"

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "app/WaitStatus.h"
#include "chartpoints/SortOrders.h"
#include "db/CompanionCopy.h"
#include "geo/DatumInfo.h"
#include "platform/Ascii.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace chartpoints {

namespace {

using platform::PromptAnswer;
using platform::PromptButtons;
using platform::PromptIcon;

constexpr const char* kCaption = "Chartpoint";

// The file name without folder and extension.
std::string BaseName(const std::string& path)
{
    std::string name = path;
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

bool StartsWithTempPrefix(const std::string& name)
{
    return name.size() >= 2 && name[0] == '~' && platform::AsciiLower(name[1]) == 'd';
}

}   // namespace

CChartpointModule::CChartpointModule(app::CSettingsHome& settings, platform::CPrompt& prompt,
                                     fs::path programFolder)
    : app::CModeModule(settings), m_prompt(prompt), m_programFolder(std::move(programFolder)),
      m_table(std::make_unique<db::CDBChartPoint>())
{
    SetModuleName("Chartpoint");
    m_properties.SetBaseKey("Chartpoint");
}

CChartpointModule::~CChartpointModule()
{
    // A temporary database never outlives its module.
    if (m_table->IsOpen())
        m_table->Close();
    m_ownTemporary.Delete();
}

// ---- Module hooks ------------------------------------------------------------------------

bool CChartpointModule::Initialise()
{
    const fs::path data = app::EnsureFolder(m_programFolder / "Chartpoints", {});
    const fs::path attach = app::EnsureFolder(m_programFolder / "Attach", {});
    if (data.empty() || attach.empty())
        return false;
    SetDataFolder(data.string());
    m_attachmentsFolder = attach.string();
    // Chartpoints of the older folder name move over once, into an empty folder.
    const fs::path older = m_programFolder / "Infopnts";
    std::error_code ec;
    if (fs::is_directory(older, ec) && app::IsFolderEmpty(data)) {
        for (const auto& entry : fs::directory_iterator(older, ec))
            fs::rename(entry.path(), data / entry.path().filename(), ec);
    }
    // The settings come with the workspace's (or, without one, the root
    // key's), which the program loads after every module is initialised.
    return true;
}

bool CChartpointModule::Terminate()
{
    CloseDatabase(true);
    return true;
}

void CChartpointModule::LoadSettings()
{
    app::CRegistry reg(Settings().GetStore());
    std::string stored;
    if (!OpenSettings(reg, false) || !reg.ReadString("InitialDatabase", stored))
        m_initialDatabase = m_defaultInitial;
    if (reg.IsOpen()) {
        std::string text;
        if (reg.ReadString("DatabaseFolder", text) && !text.empty()) {
            const fs::path made = app::EnsureFolder(text, GetDataFolder());
            if (!made.empty())
                SetDataFolder(made.string());
        }
        if (reg.ReadString("AttachmentsFolder", text) && !text.empty()) {
            const fs::path made = app::EnsureFolder(text, m_attachmentsFolder);
            if (!made.empty())
                m_attachmentsFolder = made.string();
        }
        if (reg.ReadString("InitialDatabase", text))
            m_initialDatabase = BaseName(text);
        if (reg.ReadString("InitialIndex", text))
            m_sortTag = SortNameToTag(text);
        long record = 1;
        if (reg.ReadLong("InitialRecord", record))
            m_initialRecord = record;
    }
    m_properties.Load(Settings());
}

void CChartpointModule::SaveSettings()
{
    app::CRegistry reg(Settings().GetStore());
    if (OpenSettings(reg, true)) {
        const bool open = m_table->IsOpen();
        const bool temp = open && IsTempDatabase();
        reg.WriteString("DatabaseFolder", GetDataFolder());
        reg.WriteString("AttachmentsFolder", m_attachmentsFolder);
        if (open)
            reg.WriteString("InitialDatabase", temp ? std::string() : m_table->GetName());
        else
            reg.WriteString("InitialDatabase", m_initialDatabase);
        reg.WriteString("InitialIndex",
                        open ? SortTagToName(m_table->GetTagName()) : SortTagToName(m_sortTag));
        long record = m_initialRecord;
        if (open)
            record = temp ? 1 : std::max(1L, m_table->GetOrdinal());
        reg.WriteLong("InitialRecord", record);
    }
    m_properties.Save(Settings());
}

platform::PromptAnswer CChartpointModule::QueryClose(platform::CPrompt& /*prompt*/)
{
    if (m_table->IsOpen() && IsTempDatabase() && !m_table->IsEmpty()) {
        if (QuerySaveDatabase(true) == PromptAnswer::Cancel)
            return PromptAnswer::Cancel;
    }
    return PromptAnswer::Ok;
}

void CChartpointModule::LeavingWorkspace()
{
    m_keepThroughWorkspaceChange = !CloseDatabase(false);
}

void CChartpointModule::CloseWorkspaceWindows()
{
    if (m_keepThroughWorkspaceChange) {
        m_keepThroughWorkspaceChange = false;
        return;
    }
    CloseDatabase(true);
}

void CChartpointModule::ShutDown()
{
    CloseDatabase(true);
}

void CChartpointModule::OpenInitialDatabase()
{
    // A temporary database kept through a workspace change stays.
    if (!m_table->IsOpen())
        OpenDatabase({});
}

void CChartpointModule::AddListener(CChartpointListener* listener)
{
    if (listener &&
        std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void CChartpointModule::RemoveListener(CChartpointListener* listener)
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                      m_listeners.end());
}

void CChartpointModule::Notify(const CChartpointChange& change)
{
    // A copy: a listener may go away while being told.
    const std::vector<CChartpointListener*> listeners = m_listeners;
    for (CChartpointListener* l : listeners)
        l->OnChartpointChange(change, *m_table);
}

void CChartpointModule::RefreshDisplay()
{
    const std::vector<CChartpointListener*> listeners = m_listeners;
    for (CChartpointListener* l : listeners)
        l->OnChartpointDisplayChanged();
}

void CChartpointModule::Tell(std::string_view text, PromptIcon icon)
{
    m_prompt.Ask(text, kCaption, icon, PromptButtons::Ok);
}

// ---- Databases ---------------------------------------------------------------------------

bool CChartpointModule::OpenDatabase(const std::string& given)
{
    if (!CloseDatabase(false))
        return false;
    const app::CWaitStatus wait;
    // Temporary databases of a program that was killed or crashed would
    // otherwise stay in the data folder for good.
    db::COwnTemporaryTable::RemoveLeftovers(GetDataFolder());
    db::RemoveDeadCopies(GetDataFolder());   // and part copies of a killed Save As
    std::string path = given;
    if (path.empty() && !m_initialDatabase.empty()) {
        path = (fs::path(GetDataFolder()) / m_initialDatabase).string();
        m_initialDatabase.clear();
    }
    if (path.empty() && !m_ownTemporary.Make(GetDataFolder(), path)) {
        Tell("Unable to create a temporary Chartpoint database in " + GetDataFolder());
        return false;
    }
    m_table->SetFilePath(path);
    // The table makes its companion folder as it opens; one it made for a
    // file that then fails to open is taken away again.
    std::error_code ec;
    const bool hadCompanions = fs::exists(m_table->CompanionFolder(), ec);
    bool opened = m_table->Open();
    if (!opened) {
        if (!hadCompanions)
            fs::remove_all(m_table->CompanionFolder(), ec);
        const bool failedWasOurs = m_ownTemporary.IsAt(path);
        Tell("Unable to open Chartpoint database : " + db::WithoutExtension(path) + ".dbf");
        if (!failedWasOurs && m_ownTemporary.Make(GetDataFolder(), path)) {
            m_table->SetFilePath(path);
            opened = m_table->Open();
        }
        if (!opened) {
            // Only a temporary database of our own is removed; the user's
            // files stay as they were.
            m_table->Close();
            m_ownTemporary.Delete();
            return false;
        }
    }
    AfterOpen();
    m_lockedElsewhere = m_table->IsLockedElsewhere();
    m_lockHolder.clear();
    // An older file taken over: the rows it could not bring, by file and row.
    if (!m_table->ImportNote().empty())
        Tell(m_table->ImportNote(), PromptIcon::Exclamation);
    return true;
}

bool CChartpointModule::CloseDatabase(bool quiet)
{
    if (!m_table->IsOpen()) {
        m_ownTemporary.Delete();
        return true;
    }
    if (m_editMode) {
        const app::CWaitStatus wait;
        SetTableLock(false);
        m_editMode = false;
    }
    if (!quiet && IsTempDatabase() && !m_table->IsEmpty()) {
        if (QuerySaveDatabase(true) == PromptAnswer::Cancel)
            return false;
    }
    const bool keep = m_keepTemporary && IsTempDatabase() && !m_table->IsEmpty();
    m_table->Close();
    if (keep)
        m_ownTemporary.LeaveForNextStart();
    else
        m_ownTemporary.Delete();
    m_lockedElsewhere = false;
    m_lockHolder.clear();
    if (!quiet) {
        Notify({kHintClosed, 0, m_current});
        m_table->ClearRecord();
    }
    return true;
}

platform::PromptAnswer CChartpointModule::QuerySaveDatabase(bool ask)
{
    if (!m_table->IsOpen())
        return PromptAnswer::No;
    if (ask) {
        const PromptAnswer a = m_prompt.Ask("Save Chartpoint database?", kCaption,
                                            PromptIcon::Question, PromptButtons::YesNoCancel);
        if (a != PromptAnswer::Yes)
            return a;
    }
    const bool temp = IsTempDatabase();
    const std::optional<std::string> chosen =
        m_ui->AskSavePath(GetDataFolder(), temp ? std::string() : m_table->GetName() + ".dbf");
    if (!chosen || chosen->empty())
        return PromptAnswer::Cancel;
    const long ordinal = m_table->GetOrdinal();
    const std::string tag = m_table->GetTagName();
    const std::string target = db::WithoutExtension(*chosen);
    bool saved = false;
    if (temp) {
        // The table moves to its new name; the placeholder goes with our
        // ownership of a temporary database.
        saved = m_table->MoveTo(target);
        if (saved)
            m_ownTemporary.Release();
    } else {
        saved = m_table->CopyTo(target);
        if (saved) {
            if (m_editMode) {
                SetTableLock(false);
                m_editMode = false;
            }
            const std::string before = m_table->GetFilePath();
            m_table->Close();
            m_table->SetFilePath(target);
            if (!m_table->Open()) {
                // The copy is there but does not open: the table the user had
                // opens again, at the same order and chartpoint.
                Tell("Unable to open Chartpoint database : " + target + ".dbf");
                m_table->Close();
                m_table->SetFilePath(before);
                ReopenAfterFailedSave(tag, ordinal);
                return PromptAnswer::Cancel;
            }
        }
    }
    if (!saved) {
        Tell("Unable to save Chartpoint database as " + target + ".dbf" +
             (m_table->GetMessage().empty() ? "" : "\n" + m_table->GetMessage()));
        return PromptAnswer::Cancel;
    }
    // The table under its new name opens in its first order: back to the
    // order the user had, so the ordinal finds the chartpoint the panel shows.
    m_table->SelectTag(tag);
    if (ordinal > 0)
        m_table->GoOrdinal(ordinal);
    m_ui->ListRebuild();
    return PromptAnswer::Yes;
}

void CChartpointModule::ReopenAfterFailedSave(const std::string& tag, long ordinal)
{
    if (m_table->Open()) {
        m_table->SelectTag(tag);
        if (ordinal <= 0 || !m_table->GoOrdinal(ordinal))
            m_table->GoTop();
        m_lockedElsewhere = m_table->IsLockedElsewhere();
        LoadCurrentFromDb();
        m_ui->ShowChartpoint(m_current);
        m_ui->ListRebuild();
        m_ui->CombosRefill();
        return;
    }
    // Gone as well: the program goes on with no database open.
    Tell("Unable to open Chartpoint database : " + m_table->GetFilePath() + ".dbf");
    m_lockedElsewhere = false;
    m_lockHolder.clear();
    Notify({kHintClosed, 0, m_current});
    m_table->ClearRecord();
    LoadCurrentFromDb();
    m_ui->ShowChartpoint(m_current);
    m_ui->ListRebuild();
    m_ui->CombosRefill();
}

bool CChartpointModule::AfterOpen()
{
    m_table->ResetCache();
    if (m_table->IsEmpty()) {
        m_table->ClearRecord();
    } else {
        SortBy(SortIndexOfTag(m_sortTag));
        m_sortTag = "T_UNIQUE";
        if (IsTempDatabase() || m_initialRecord <= 0 || !m_table->GoOrdinal(m_initialRecord))
            m_table->GoTop();
    }
    m_initialRecord = 1;
    LoadCurrentFromDb();
    m_ui->ShowChartpoint(m_current);
    Notify({kHintOpened, m_table->GetRecNo(), m_current});
    Notify({kHintCurrent, m_table->GetRecNo(), m_current});
    m_ui->ListRebuild();
    m_ui->CombosRefill();
    return true;
}

bool CChartpointModule::RememberPosition()
{
    if (!m_table->IsOpen() || IsTempDatabase())
        return true;
    m_sortTag = m_table->GetTagName();
    m_initialRecord = m_table->GetOrdinal();
    return AfterOpen();
}

bool CChartpointModule::RereadChanged()
{
    // Another station changed the table: open it afresh, so no page this
    // handle cached before the change can show, and come back to the same
    // order and place.
    if (!m_table->IsOpen() || m_table->IsLockHeld())
        return RememberPosition();
    m_sortTag = m_table->GetTagName();
    m_initialRecord = m_table->GetOrdinal();
    const bool temp = IsTempDatabase();
    m_table->Close();
    if (!m_table->Open()) {
        Tell("Unable to open Chartpoint database : " + m_table->GetFilePath() + ".dbf");
        return false;
    }
    if (temp)
        m_initialRecord = 1;
    return AfterOpen();
}

bool CChartpointModule::IsTempDatabase() const
{
    return StartsWithTempPrefix(m_table->GetName());
}

bool CChartpointModule::IsDatabaseOpen()
{
    return m_table->IsOpen() && !m_table->IsEmpty();
}

bool CChartpointModule::IsEditable()
{
    return m_editMode && IsDatabaseOpen();
}

bool CChartpointModule::IsAtFirst()
{
    return !IsDatabaseOpen() || m_table->IsFirst();
}

bool CChartpointModule::IsAtLast()
{
    return !IsDatabaseOpen() || m_table->IsLast();
}

std::string CChartpointModule::LockHolder() const
{
    return m_lockHolder.empty() ? std::string("another program or station") : m_lockHolder;
}

// ---- Current record ----------------------------------------------------------------------

void CChartpointModule::LoadCurrentFromDb()
{
    const db::CDBChartPoint& t = *m_table;
    m_current.m_position = t.m_position;
    m_current.m_name = t.m_name;
    m_current.m_id = t.m_ident;
    m_current.m_area = t.m_area;
    m_current.m_type = t.m_group;
    m_current.m_zoneTime = ZoneTimeText(t.m_zone);
    for (int i = 0; i < CChartpoint::kAttachments; ++i)
        m_current.m_attachments[i] = t.m_attachment[i];
    m_current.m_memo = t.m_memo[0];
}

bool CChartpointModule::StoreCurrentToDb(std::string* message)
{
    const std::optional<int> zone = ParseZoneTime(m_current.m_zoneTime);
    if (!zone) {
        if (message)
            *message = "ZT (zone time) must be a whole number from -99 to 127, not \"" +
                       m_current.m_zoneTime + "\".";
        return false;
    }
    db::CDBChartPoint& t = *m_table;
    t.m_position = m_current.m_position;
    t.m_name = m_current.m_name;
    t.m_ident = m_current.m_id;
    t.m_area = m_current.m_area;
    t.m_group = m_current.m_type;
    t.m_zone = std::int8_t(*zone);
    for (int i = 0; i < CChartpoint::kAttachments; ++i)
        t.m_attachment[i] = m_current.m_attachments[i];
    t.m_memo[0] = m_current.m_memo;
    std::string field;
    if (!t.CanStore(&field)) {
        if (message)
            *message = t.GetMessage().empty() ? "The text of " + field + " cannot be stored."
                                              : t.GetMessage();
        return false;
    }
    return true;
}

bool CChartpointModule::UpdateViews(int hint)
{
    if (hint == kHintCurrent) {
        LoadCurrentFromDb();
        m_ui->ShowChartpoint(m_current);
        m_ui->CombosSelectCurrent();
    }
    if (hint == kHintApplied) {
        std::string refusal;
        CChartpoint read = m_current;
        if (!m_ui->ReadPanel(read, refusal)) {
            Tell(refusal, PromptIcon::Exclamation);
            return false;
        }
        const CChartpoint before = m_current;
        m_current = read;
        if (!StoreCurrentToDb(&refusal)) {
            m_current = before;
            Tell(refusal, PromptIcon::Exclamation);
            return false;
        }
        if (!m_table->Update() || !m_table->FlushIfOpen()) {
            m_current = before;
            Tell("Unable to write the Chartpoint: " + m_table->GetMessage());
            return false;
        }
    }
    const bool changed = hint != kHintCurrent;
    // A new current record only moves the list's selection: reading the rows
    // again would drop the press a double click on a row is made of.
    if (m_ui->IsListOpen())
        m_ui->ListUpdate(hint == kHintCurrent                            ? kHintCurrent
                         : hint == kHintDeleted || hint == kHintAppended ? kHintDeleted
                                                                         : kHintApplied);
    Notify({hint, m_table->GetRecNo(), m_current});
    if (changed && m_station && m_station->IsRunning() && m_table->IsOpen())
        m_station->Post(kStationMessageType, char(kNoticeChanged) + m_table->GetName());
    return true;
}

bool CChartpointModule::SetTableLock(bool lock)
{
    if (!m_station || !m_station->IsRunning())
        return true;
    if (lock) {
        if (!m_table->Lock())
            return false;
        m_station->Post(kStationMessageType, char(kNoticeLocked) + m_table->GetName());
    } else {
        if (!m_table->FlushAndUnlock())
            return false;
        m_station->Post(kStationMessageType, char(kNoticeUnlocked) + m_table->GetName());
    }
    return true;
}

void CChartpointModule::OnNetworkMessage(const std::string& payload, const std::string& sender)
{
    // A notice is its byte and a table name; anything shorter says nothing.
    if (payload.size() < 2 || !m_table->IsOpen())
        return;
    // The name may come with a terminating zero byte (as stations that send
    // their text payloads as C strings do); it ends there.
    const std::string name = payload.substr(1, payload.find('\0', 1) - 1);
    if (!platform::EqualNoCaseAscii(name, m_table->GetName()))
        return;
    switch (std::uint8_t(payload[0])) {
    case kNoticeLocked:
        if (m_table->IsLockedElsewhere()) {
            m_lockedElsewhere = true;
            m_lockHolder = sender;
        }
        break;
    case kNoticeUnlocked:
        if (!m_table->IsLockedElsewhere()) {
            m_lockedElsewhere = false;
            m_lockHolder.clear();
        }
        break;
    case 15:
    case 17:
    case 18:
    case 19:
        if (m_table->IsLockedElsewhere())
            RereadChanged();
        break;
    default: break;
    }
}

// ---- Commands ----------------------------------------------------------------------------

void CChartpointModule::OnEdit()
{
    if (m_editMode && m_ui->IsPanelModified())
        NotifyCurrentChanged();
    if (!m_editMode) {
        if (!m_table->IsOpen())
            return;
        if (!SetTableLock(true)) {
            // Another station holds the table: edit mode stays off.
            m_lockedElsewhere = true;
            Tell("The Chartpoint database " + m_table->GetName() + " is being edited by " +
                     LockHolder() + ".\nIt can be edited once they leave edit mode.",
                 PromptIcon::Exclamation);
            return;
        }
        m_editMode = true;
    } else {
        SetTableLock(false);
        m_editMode = false;
        m_ui->ClearPanelModified();
    }
}

void CChartpointModule::OnNew()
{
    if (!m_editMode)
        return;
    const app::CWaitStatus wait;
    m_current.Clear();
    AppendCurrent();
}

bool CChartpointModule::AppendCurrent()
{
    std::string refusal;
    if (!m_table->IsOpen() || !StoreCurrentToDb(&refusal)) {
        if (!refusal.empty())
            Tell(refusal, PromptIcon::Exclamation);
        return false;
    }
    m_ui->ShowChartpoint(m_current);
    if (!m_table->AppendNew() || !m_table->FlushIfOpen()) {
        Tell("Unable to add a Chartpoint: " + m_table->GetMessage());
        return false;
    }
    LoadCurrentFromDb();
    m_ui->CombosRefill();
    m_ui->ClearPanelModified();
    return UpdateViews(kHintAppended);
}

bool CChartpointModule::AddChartpointAt(const geo::CPosition& position)
{
    const app::CWaitStatus wait;
    m_current.Clear();
    geo::CPosition wgs = position;
    if (m_shiftToWgs84) {
        if (const std::optional<geo::CPosition> shifted = m_shiftToWgs84(position))
            wgs = *shifted;
    }
    m_current.m_position = wgs;
    return AppendCurrent();
}

void CChartpointModule::OnDelete()
{
    if (!IsEditable())
        return;
    if (m_prompt.Ask("Do you really want to delete this Chartpoint", kCaption, PromptIcon::Question,
                     PromptButtons::YesNo) == PromptAnswer::No)
        return;
    const app::CWaitStatus wait;
    const long ordinal = m_table->GetOrdinal();
    const long recNo = m_table->GetRecNo();
    const CChartpoint deleted = m_current;
    if (!m_table->DeleteRecord() || !m_table->FlushIfOpen()) {
        Tell("Unable to delete the Chartpoint: " + m_table->GetMessage());
        return;
    }
    const long count = m_table->GetRecordCount();
    if (count > 0) {
        if (!m_table->GoOrdinal(std::min(std::max(ordinal, 1L), count)))
            m_table->GoBottom();
    } else {
        m_table->ClearRecord();
    }
    m_ui->CombosRefill();
    if (m_ui->IsListOpen())
        m_ui->ListUpdate(kHintDeleted);
    Notify({kHintDeleted, recNo, deleted});
    if (m_station && m_station->IsRunning())
        m_station->Post(kStationMessageType, char(kNoticeChanged) + m_table->GetName());
    LoadCurrentFromDb();
    m_ui->ShowChartpoint(m_current);
    m_ui->ClearPanelModified();
    UpdateViews(kHintCurrent);
}

bool CChartpointModule::CanApply()
{
    return IsEditable() && m_ui->IsPanelModified();
}

bool CChartpointModule::OnApply()
{
    if (!IsEditable())
        return false;
    if (!UpdateViews(kHintApplied))
        return false;
    UpdateViews(kHintRewritten);
    m_ui->ClearPanelModified();
    return true;
}

void CChartpointModule::NotifyCurrentChanged()
{
    if (IsDatabaseOpen())
        UpdateViews(kHintCurrent);
}

void CChartpointModule::OnSelectFirst()
{
    if (!IsAtFirst()) {
        const app::CWaitStatus wait;
        if (m_table->GoTop())
            NotifyCurrentChanged();
    }
}

void CChartpointModule::OnSelectPrevious()
{
    if (!IsAtFirst()) {
        const app::CWaitStatus wait;
        if (m_table->SkipBack())
            NotifyCurrentChanged();
    }
}

void CChartpointModule::OnSelectNext()
{
    if (!IsAtLast()) {
        const app::CWaitStatus wait;
        if (m_table->SkipForward())
            NotifyCurrentChanged();
    }
}

void CChartpointModule::OnSelectLast()
{
    if (!IsAtLast()) {
        const app::CWaitStatus wait;
        if (m_table->GoBottom())
            NotifyCurrentChanged();
    }
}

void CChartpointModule::SortBy(int index)
{
    if (index < 0 || index >= kSortOrders || !m_table->IsOpen())
        return;
    const app::CWaitStatus wait;
    const long recNo = m_table->GetRecNo();
    m_table->SelectTag(SortOrders()[index].tag);
    if (recNo > 0)
        m_table->GoRecord(recNo);
    m_sortIndex = index;
    m_ui->CombosRefill();
    if (m_ui->IsListOpen())
        m_ui->ListUpdate(kHintApplied);
}

void CChartpointModule::OnShowHide()
{
    m_properties.SetDraw(!m_properties.GetDraw());
    RefreshDisplay();
}

bool CChartpointModule::MoveCurrentTo(const geo::CPosition& position)
{
    if (!IsEditable())
        return false;
    geo::CPosition wgs = position;
    if (m_shiftToWgs84) {
        if (const std::optional<geo::CPosition> shifted = m_shiftToWgs84(position))
            wgs = *shifted;
    }
    std::string refusal;
    if (!StoreCurrentToDb(&refusal)) {
        Tell(refusal, PromptIcon::Exclamation);
        return false;
    }
    m_table->m_position = wgs;
    if (!m_table->Update() || !m_table->FlushIfOpen()) {
        Tell("Unable to move the Chartpoint: " + m_table->GetMessage());
        return false;
    }
    LoadCurrentFromDb();
    // Locked again before anyone hears of the move: a mark moves by one drag only.
    m_ui->SetPositionLocked(true);
    UpdateViews(kHintRewritten);
    m_ui->ShowChartpoint(m_current);
    return true;
}

bool CChartpointModule::SetCurrentDatumWgs84()
{
    if (!IsEditable())
        return false;
    const std::uint16_t datum = m_current.m_position.GetDatum();
    if (datum != geo::kNoDatumIndex && datum != geo::DatumIndexFallback())
        return true;
    m_current.m_position.Set(m_current.m_position.GetLatitude(),
                             m_current.m_position.GetLongitude(),
                             m_current.m_position.GetAltitude(), geo::DatumIndexWGS84());
    std::string refusal;
    if (!StoreCurrentToDb(&refusal) || !m_table->Update() || !m_table->FlushIfOpen())
        return false;
    LoadCurrentFromDb();
    UpdateViews(kHintRewritten);
    m_ui->SetPositionLocked(true);
    m_ui->ShowChartpoint(m_current);
    return true;
}

bool CChartpointModule::GoToRecNo(long recNo)
{
    if (!IsDatabaseOpen() || recNo <= 0)
        return false;
    if (m_table->GetRecNo() != recNo && !m_table->GoRecord(recNo))
        return false;
    NotifyCurrentChanged();
    return true;
}

bool CChartpointModule::GoToRow(int row)
{
    if (!IsDatabaseOpen() || row < 0)
        return false;
    if (m_table->GetOrdinal() != row + 1 && !m_table->GoOrdinal(row + 1))
        return false;
    NotifyCurrentChanged();
    return true;
}

void CChartpointModule::SetFolders(const std::string& dataFolder,
                                   const std::string& attachmentsFolder)
{
    if (!dataFolder.empty())
        if (const fs::path made = app::EnsureFolder(dataFolder, GetDataFolder()); !made.empty())
            SetDataFolder(made.string());
    if (!attachmentsFolder.empty())
        if (const fs::path made = app::EnsureFolder(attachmentsFolder, m_attachmentsFolder);
            !made.empty())
            m_attachmentsFolder = made.string();
}

bool CChartpointModule::CanUpload()
{
    return m_transmitter && m_transmitter->CanTransmit() && IsDatabaseOpen();
}

app::CCmdUIState CChartpointModule::CommandState(unsigned id)
{
    namespace cmd = app::cmd;
    app::CCmdUIState s;
    const auto check = [&](bool on) { s.check = on ? 1 : 0; };
    if (id == cmd::kChartpointEdit) {
        // A station killed while holding the lock sends no notice: ask the lock itself.
        if (m_lockedElsewhere && !m_table->IsLockedElsewhere()) {
            m_lockedElsewhere = false;
            m_lockHolder.clear();
        }
        s.enabled = m_table->IsOpen() && !m_lockedElsewhere;
        check(m_editMode);
    } else if (id == cmd::kChartpointNew) {
        s.enabled = m_editMode && m_table->IsOpen();
    } else if (id == cmd::kChartpointDelete) {
        s.enabled = IsEditable();
    } else if (id == cmd::kChartpointLocked) {
        s.enabled = IsEditable();
        check(m_ui->IsPositionLocked());
    } else if (id == cmd::kChartpointFirst || id == cmd::kChartpointPrevious) {
        s.enabled = !IsAtFirst();
    } else if (id == cmd::kChartpointNext || id == cmd::kChartpointLast) {
        s.enabled = !IsAtLast();
    } else if (const int sort = SortIndexOfCommand(id); sort >= 0) {
        s.enabled = IsDatabaseOpen();
        check(m_sortIndex == sort);
    } else if (id == cmd::kChartpointShowHide) {
        check(m_properties.GetDraw());
    } else if (id == cmd::kNavUploadChartpoints) {
        s.enabled = CanUpload();
    } else {
        s.enabled = false;
    }
    return s;
}

void CChartpointModule::Execute(unsigned id)
{
    namespace cmd = app::cmd;
    if (!CommandState(id).enabled)
        return;
    if (id == cmd::kChartpointEdit)
        OnEdit();
    else if (id == cmd::kChartpointNew)
        OnNew();
    else if (id == cmd::kChartpointDelete)
        OnDelete();
    else if (id == cmd::kChartpointLocked)
        m_ui->SetPositionLocked(!m_ui->IsPositionLocked());
    else if (id == cmd::kChartpointFirst)
        OnSelectFirst();
    else if (id == cmd::kChartpointPrevious)
        OnSelectPrevious();
    else if (id == cmd::kChartpointNext)
        OnSelectNext();
    else if (id == cmd::kChartpointLast)
        OnSelectLast();
    else if (const int sort = SortIndexOfCommand(id); sort >= 0)
        SortBy(sort);
    else if (id == cmd::kChartpointShowHide)
        OnShowHide();
}

void CChartpointModule::RegisterCommands(app::CCommandTable& commands)
{
    namespace cmd = app::cmd;
    const auto run = [this](unsigned id) { Execute(id); };
    const auto update = [this](app::CCmdUI& ui) {
        const app::CCmdUIState s = CommandState(ui.GetID());
        ui.Enable(s.enabled);
        if (s.check)
            ui.SetCheck(*s.check);
    };
    for (unsigned id : {cmd::kChartpointEdit, cmd::kChartpointNew, cmd::kChartpointDelete,
                        cmd::kChartpointLocked, cmd::kChartpointFirst, cmd::kChartpointPrevious,
                        cmd::kChartpointNext, cmd::kChartpointLast, cmd::kChartpointShowHide})
        commands.Add(this, id, run, update);
    for (const CSortOrder& o : SortOrders())
        commands.Add(this, o.command, run, update);
}

// ---- Upload ------------------------------------------------------------------------------

bool CChartpointModule::CheckUploadDatum(const std::vector<int>& rows)
{
    if (rows.empty() || !IsDatabaseOpen())
        return true;
    bool other = false;
    m_table->PushPosition();
    std::size_t next = 0;
    long count = 0;
    for (bool ok = m_table->GoTop(); ok && next < rows.size();
         ok = m_table->SkipForward(), ++count) {
        if (count != rows[next])
            continue;
        ++next;
        const std::uint16_t datum = m_table->m_position.GetDatum();
        if (datum != geo::DatumIndexWGS84() && datum != geo::kNoDatumIndex) {
            other = true;
            break;
        }
    }
    m_table->PopPosition();
    if (!other)
        return true;
    return m_prompt.Ask("One or more Chartpoints selected for upload are in a different\ndatum "
                        "than WGS84. Proceed with upload ?",
                        kCaption, PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::No;
}

int CChartpointModule::UploadChartpoints(int namingMode, const std::vector<int>& rowsGiven,
                                         int startNumber, bool checksum, std::string* message)
{
    std::vector<int> rows = rowsGiven;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (!CheckUploadDatum(rows))
        return -1;
    const int total = int(rows.size());
    int sent = 0;
    std::string why;
    if (!m_transmitter || !m_transmitter->CanTransmit()) {
        why = "the GPS transmit port is not open";
    } else if (IsDatabaseOpen()) {
        m_table->PushPosition();
        std::size_t next = 0;
        long count = 0;
        for (bool ok = m_table->GoTop(); ok && next < rows.size();
             ok = m_table->SkipForward(), ++count) {
            if (count != rows[next])
                continue;
            ++next;
            nmea::CUploadPoint point;
            point.latitudeDeg = m_table->m_position.GetLatitude();
            point.longitudeDeg = m_table->m_position.GetLongitude();
            point.id = m_table->m_ident;
            point.name = m_table->m_name;
            bool taken = m_transmitter->Send(point, namingMode, startNumber + sent, checksum);
            // A full staging queue drains at the port's speed: wait for room,
            // a bounded time, then try once more.
            if (!taken && m_transmitter->CanTransmit() &&
                m_transmitter->WaitForRoom(std::chrono::seconds(10)))
                taken = m_transmitter->Send(point, namingMode, startNumber + sent, checksum);
            if (!taken) {
                why = m_transmitter->LastFailure();
                if (why.empty())
                    why = m_transmitter->CanTransmit() ? "the GPS did not take the waypoint"
                                                       : "the GPS transmit port closed";
                break;
            }
            ++sent;
        }
        m_table->PopPosition();
    }
    if (sent < total && message)
        *message = std::to_string(sent) + " of " + std::to_string(total) +
                   " Chartpoints sent: " + why + ".";
    return sent;
}

// ---- Attachments -------------------------------------------------------------------------

std::string CChartpointModule::ImportAttachment(const std::string& chosenPath, std::string* message)
{
    return app::ImportAttachmentFile(chosenPath, m_attachmentsFolder, message);
}

}   // namespace chartpoints

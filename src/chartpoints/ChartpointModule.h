#pragma once
// CChartpointModule: the user's chartpoints. Owns the chartpoint table and
// the current chartpoint that mirrors its current record; opens, closes and
// saves databases (temporary ones too: "~d" and hex digits in the data
// folder, deleted by their own base name when closed); tells the panel, list,
// chart layers and other stations of every change with a hint; takes the
// table lock across stations for edit mode; carries out the Chartpoint
// commands and the upload to the GPS.

#include "app/Module.h"
#include "chart/overlays/OverlayProperties.h"
#include "chartpoints/Chartpoint.h"
#include "chartpoints/ChartpointServices.h"
#include "db/DBChartPoint.h"
#include "db/OwnTemporaryTable.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace app {
class CCommandTable;
}
namespace app {
struct CCmdUIState;
}

namespace chartpoints {

class CChartpointModule : public app::CModeModule {
public:
    // Station notice bytes: table locked, unlocked, changed.
    static constexpr std::uint8_t kNoticeLocked = 13;
    static constexpr std::uint8_t kNoticeUnlocked = 14;
    static constexpr std::uint8_t kNoticeChanged = 15;
    static constexpr std::uint8_t kStationMessageType = 2;

    CChartpointModule(app::CSettingsHome& settings, platform::CPrompt& prompt,
                      std::filesystem::path programFolder);
    ~CChartpointModule() override;

    // ---- Module hooks
    bool Initialise() override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;
    void RegisterCommands(app::CCommandTable& commands) override;
    platform::PromptAnswer QueryClose(platform::CPrompt& prompt) override;
    void PrepareUnattendedClose() override { m_keepTemporary = true; }
    // Another workspace opens (not on close, where QueryClose asks): a
    // temporary database with records is offered for saving first; Cancel
    // keeps it open through the change.
    void LeavingWorkspace();
    void CloseWorkspaceWindows() override;
    void ShutDown() override;
    // The database the settings name (a new temporary one when none), opened
    // by the program once a workspace is restored; nothing while one is open.
    void OpenInitialDatabase();
    // The table read again at the current record and order.
    void OnRefresh() override { RememberPosition(); }

    // ---- Plugged in by the program (all optional)
    void SetUi(CChartpointUi* ui) { m_ui = ui ? ui : &m_noUi; }
    void SetStationLink(CStationLink* link) { m_station = link; }
    // Station messaging runs: files are shared and never overwritten.
    bool IsStationNetworkOn() const { return m_station && m_station->IsRunning(); }
    void SetTransmitter(CWaypointTransmitter* tx) { m_transmitter = tx; }
    void AddListener(CChartpointListener* listener);
    void RemoveListener(CChartpointListener* listener);
    // The active chart's shift of a position in its datum to WGS 84; none
    // while no chart is open (positions are then taken unshifted).
    using DatumShift = std::function<std::optional<geo::CPosition>(const geo::CPosition&)>;
    void SetShiftToWgs84(DatumShift shift) { m_shiftToWgs84 = std::move(shift); }

    // ---- Databases
    bool OpenDatabase(const std::string& path);
    bool CloseDatabase(bool quiet);
    platform::PromptAnswer QuerySaveDatabase(bool ask);
    bool AfterOpen();
    bool RememberPosition();
    // RememberPosition after another station's change, over a fresh open.
    bool RereadChanged();
    bool IsTempDatabase() const;
    bool IsDatabaseOpen();
    bool IsEditable();
    bool IsEditMode() const { return m_editMode; }
    bool IsAtFirst();
    bool IsAtLast();
    bool IsLockedElsewhere() const { return m_lockedElsewhere; }
    // Who holds the table: the station that said so, else a general phrase.
    std::string LockHolder() const;

    // ---- Current record
    void LoadCurrentFromDb();
    // False (with the refusal in `message`) when a field cannot be stored.
    bool StoreCurrentToDb(std::string* message = nullptr);
    bool UpdateViews(int hint);
    bool SetTableLock(bool lock);
    // A station message of type 2 from `sender` (its name or address).
    void OnNetworkMessage(const std::string& payload, const std::string& sender = {});

    // ---- Commands
    void OnEdit();
    void OnNew();
    bool AppendCurrent();
    // A new chartpoint at a position in the active chart's datum.
    bool AddChartpointAt(const geo::CPosition& position);
    void OnDelete();
    bool OnApply();
    bool CanApply();
    void OnSelectFirst();
    void OnSelectPrevious();
    void OnSelectNext();
    void OnSelectLast();
    void NotifyCurrentChanged();
    // The panel shows the current chartpoint again, its datum list refilled
    // for the chart now active.
    void ShowCurrent() { m_ui->ShowChartpoint(m_current); }
    void SortBy(int index);
    int SortIndex() const { return m_sortIndex; }
    void OnShowHide();
    // The display properties changed (the options): every chart view redraws.
    void DisplayChanged() { RefreshDisplay(); }
    // New database and attachment folders, each made when missing; a folder
    // that cannot be made leaves the old one.
    void SetFolders(const std::string& dataFolder, const std::string& attachmentsFolder);
    // A message box in the module's caption (the upload dialog's outcome).
    void TellUser(std::string_view text) { Tell(text, platform::PromptIcon::Exclamation); }
    // The current chartpoint to a position in the active chart's datum (a drag).
    bool MoveCurrentTo(const geo::CPosition& position);
    // Makes the stored datum explicit WGS 84 (the panel's datum choice).
    bool SetCurrentDatumWgs84();
    // Makes the record current (a mark picked on the chart); false when there is none.
    bool GoToRecNo(long recNo);
    // Makes the record at a row of the current order current (from 0; the list window).
    bool GoToRow(int row);
    app::CCmdUIState CommandState(unsigned id);
    void Execute(unsigned id);

    // ---- Upload: rows of the current order (from 0, ascending). Returns the
    // number sent; `message` says why it stopped short. -1 when the user
    // declined at the datum question.
    int UploadChartpoints(int namingMode, const std::vector<int>& rows, int startNumber,
                          bool checksum, std::string* message = nullptr);
    bool CheckUploadDatum(const std::vector<int>& rows);
    bool CanUpload();

    // ---- State
    db::CDBChartPoint& Table() { return *m_table; }
    const CChartpoint& Current() const { return m_current; }
    CChartpoint& Current() { return m_current; }
    chart::CChartpointProperties& Properties() { return m_properties; }
    const std::string& AttachmentsFolder() const { return m_attachmentsFolder; }
    void SetAttachmentsFolder(std::string folder) { m_attachmentsFolder = std::move(folder); }
    const std::string& InitialDatabase() const { return m_initialDatabase; }
    void SetInitialDatabase(std::string name) { m_initialDatabase = std::move(name); }
    // The database opened at start when the settings name none (the sample data).
    void SetDefaultInitialDatabase(std::string name) { m_defaultInitial = std::move(name); }
    // The path (without extension) of the temporary database this module made
    // and still owns; empty when none.
    const std::string& OwnTemporary() const { return m_ownTemporary.BasePath(); }
    // Copies a file chosen for an attachment into the attachments folder
    // under a name no file there has; the stored name (relative to the folder)
    // or empty with `message` on failure. A file already in the folder is
    // used as it is.
    std::string ImportAttachment(const std::string& chosenPath, std::string* message = nullptr);

private:
    void Notify(const CChartpointChange& change);
    void Tell(std::string_view text, platform::PromptIcon icon = platform::PromptIcon::Stop);
    void RefreshDisplay();
    // A Save As whose copy did not open: the table at its old path opens
    // again, back at `tag` and `ordinal`.
    void ReopenAfterFailedSave(const std::string& tag, long ordinal);

    platform::CPrompt& m_prompt;
    std::filesystem::path m_programFolder;
    std::unique_ptr<db::CDBChartPoint> m_table;
    chart::CChartpointProperties m_properties;
    CChartpoint m_current;
    std::string m_attachmentsFolder;
    std::string m_initialDatabase;
    std::string m_defaultInitial;
    std::string m_sortTag = "T_UNIQUE";
    long m_initialRecord = 1;
    int m_sortIndex = 0;
    bool m_editMode = false;
    bool m_lockedElsewhere = false;
    std::string m_lockHolder;
    db::COwnTemporaryTable m_ownTemporary;
    // The user cancelled the offer to save on leaving a workspace: the
    // database stays open through the change.
    bool m_keepThroughWorkspaceChange = false;
    // The program ends unattended: a temporary database with records stays.
    bool m_keepTemporary = false;
    CChartpointUi m_noUi;
    CChartpointUi* m_ui = &m_noUi;
    CStationLink* m_station = nullptr;
    CWaypointTransmitter* m_transmitter = nullptr;
    std::vector<CChartpointListener*> m_listeners;
    DatumShift m_shiftToWgs84;
};

}   // namespace chartpoints

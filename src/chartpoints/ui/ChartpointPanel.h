#pragma once
// The chartpoint side panel: shows and edits the module's current chartpoint
// (name, area, type, ID, zone time, position in a chosen datum, memo, three
// pictures and a video) and carries the buttons of the chartpoint commands.

#include "app/CommandIds.h"
#include "app/ui/Document.h"
#include "app/ui/SidePanel.h"
#include "chartpoints/ChartpointServices.h"
#include "chartpoints/PanelPosition.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace geo {
class CDegrEdit;
class CPositionCtrl;
}   // namespace geo

namespace chartpoints {
class CChartpointModule;
}

namespace chartpoints {

// The active chart's datum where it differs from WGS 84 and the chart can
// shift a position into it: the datum and the chartpoint's position as the
// chart shows it.
struct CChartDatumView {
    std::uint16_t datum = 0;
    geo::CPosition shown;
};
using ChartDatumSource = std::function<std::optional<CChartDatumView>(const geo::CPosition&)>;

class CChartpointPanel final : public app::CSidePanel, public chartpoints::CChartpointUi {
    Q_OBJECT
public:
    static constexpr unsigned kBarId = app::cmd::kPanelChartpoint;
    static constexpr const char* kUnused = "<Unused>";

    // `openAttachment` shows a file of the attachments folder in a viewer.
    CChartpointPanel(
        chartpoints::CChartpointModule& module,
        std::function<app::CDocument*(const std::string& path, bool video)> openAttachment,
        QWidget* parent = nullptr);

    // CSidePanel
    void InitPanel() override;
    void UpdatePanelControls(app::CCommandTable& commands, bool disableIfNoHandler) override;
    QString GetTitle() const override { return QStringLiteral("Chartpoint"); }

    // CChartpointUi
    void ShowChartpoint(const chartpoints::CChartpoint& cp) override;
    bool ReadPanel(chartpoints::CChartpoint& cp, std::string& refusal) override;
    bool IsPanelModified() const override { return m_modified; }
    void ClearPanelModified() override { m_modified = false; }
    bool IsPositionLocked() const override;
    void SetPositionLocked(bool locked) override;
    std::optional<std::string> AskSavePath(const std::string& folder,
                                           const std::string& defaultName) override;

    // Selects attachment entry n (1..4) and opens or closes its viewer.
    void ShowAttachment(int n);
    // Whether the viewer View opened for entry `slot` (0..3) is still open.
    bool IsViewerOpen(int slot) const;
    // Puts the keyboard in the Name field (a chartpoint was just added).
    void FocusName();
    // The Open DB button opens and closes the list window through these.
    void SetListWindow(std::function<void()> toggle, std::function<bool()> isOpen)
    {
        m_toggleList = std::move(toggle);
        m_isListOpen = std::move(isOpen);
    }
    // Where the own vessel is, none while unknown: Nav adds a chartpoint there.
    void SetOwnPosition(std::function<std::optional<geo::CPosition>()> own)
    {
        m_ownPosition = std::move(own);
    }
    // The active chart's datum for a stored position, none without such a
    // chart: the datum list offers it as a third entry.
    void SetChartDatum(ChartDatumSource chartDatum) { m_chartDatum = std::move(chartDatum); }
    // For scripted checks: attaches `path` to the selected entry as Attach does.
    bool AttachFile(const std::string& path);
    // Lays the position field out by the program's position template
    // (decimal places and format); a position being typed is kept.
    void SetPositionTemplate(const std::string& layout);

private:
    void Modified() { m_modified = true; }
    void OnAttach();
    void OnView();
    void OnDetach();
    void CloseViewer(int slot);
    void FillDatums(const chartpoints::CChartpoint& cp);
    void ShowPosition();
    void OnDatumChosen(int index);
    std::string AttachmentPath(int entry) const;

    chartpoints::CChartpointModule& m_module;
    std::function<app::CDocument*(const std::string&, bool)> m_openAttachment;
    // The viewer each entry's View opened; View again, Detach and reading
    // the panel back close it.
    std::array<QPointer<app::CDocument>, chartpoints::CChartpoint::kAttachments> m_viewers;
    chartpoints::CChartpoint m_shown;
    chartpoints::CPanelPosition m_position;
    QString m_positionTextShown;   // the position field's text as last shown
    bool m_modified = false;
    QLabel* m_title = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_area = nullptr;
    QLineEdit* m_type = nullptr;
    QLineEdit* m_id = nullptr;
    geo::CDegrEdit* m_zone = nullptr;
    QCheckBox* m_locked = nullptr;
    geo::CPositionCtrl* m_positionEntry = nullptr;
    QComboBox* m_datum = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    QComboBox* m_attachments = nullptr;
    QPushButton* m_attach = nullptr;
    QPushButton* m_view = nullptr;
    QPushButton* m_detach = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_openDb = nullptr;
    QPushButton* m_nav = nullptr;
    std::function<std::optional<geo::CPosition>()> m_ownPosition;
    ChartDatumSource m_chartDatum;
    // The chart datum the list offers as its last entry, none when it offers none.
    std::optional<CChartDatumView> m_chartShown;
    std::function<void()> m_toggleList;
    std::function<bool()> m_isListOpen;
};

}   // namespace chartpoints

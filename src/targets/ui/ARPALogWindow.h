#pragma once
// "Target Log": the selected radar target's track fixes as a table, opened
// by "Current Target > View". It follows the module: the new selection is
// shown, a removed target empties it, and new fixes only add rows.

#include <QPointer>

#include "targets/ARPAModule.h"
#include "targets/TenderRows.h"
#include "targets/ui/TrackLogWindow.h"

namespace targets {

class CARPALogWindow final : public CARPAObserver {
public:
    CARPALogWindow(CARPAModule& module, QWidget* window, CTrackLogModel::Format format,
                   LocalTimeText local);
    ~CARPALogWindow() override;

    // Raises the open window, else opens one showing the selected target.
    void Open();
    void Close();
    CTrackLogWindow* Window() const { return m_log; }

    void OnTargetChanged(const CTargetRecord& record) override;
    void OnTargetRemoved(const CTargetRecord& record) override;
    void OnSelectionChanged(const CTargetRecord* record) override;

private:
    void Show(const CTargetRecord* record);

    CARPAModule& m_module;
    QWidget* m_window;
    CTrackLogModel::Format m_format;
    LocalTimeText m_local;
    QPointer<CTrackLogWindow> m_log;
    const CTargetRecord* m_shown = nullptr;   // looked up in the module before use
};

}   // namespace targets

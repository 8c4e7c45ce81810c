#pragma once
// "ARPA Properties": the property sheet of one radar target. It follows the
// module: a new selection is shown while the sheet is open, a removed
// target empties the pages at once, the Summary is rewritten on every pass
// and the Configuration reloads when the target's properties change
// elsewhere (Save, options applied). Applying the Configuration gives the
// target its own display properties.

#include <functional>
#include <string>

#include "targets/ARPAModule.h"
#include "targets/ui/TargetPropertySheet.h"

namespace targets {

class CARPAPropertySheet final : public CARPAObserver {
public:
    // When the target was captured (its vessel-log row), local time; empty when unknown.
    using CapturedText = std::function<std::string(const CTargetRecord&)>;

    CARPAPropertySheet(CARPAModule& module, QWidget* window);
    ~CARPAPropertySheet() override;

    void SetCapturedText(CapturedText captured) { m_captured = std::move(captured); }
    // Opens the sheet (or raises it) showing `record`; null: none.
    void Show(const CTargetRecord* record);
    void Close() { m_sheet.Close(); }
    CTargetPropertySheet& Sheet() { return m_sheet; }
    const CTargetRecord* Shown() const { return m_shown; }

    void OnTargetChanged(const CTargetRecord& record) override;
    void OnTargetRemoved(const CTargetRecord& record) override;
    void OnSelectionChanged(const CTargetRecord* record) override;
    void OnTargetPropertiesChanged(const CTargetRecord& record) override;

private:
    void ShowConfiguration();
    void ShowSummary();

    CARPAModule& m_module;
    CTargetPropertySheet m_sheet;
    CapturedText m_captured;
    const CTargetRecord* m_shown = nullptr;   // looked up in the module before use
};

}   // namespace targets

#pragma once
// The ARPA options page without windows: a copy of the module's options, the
// range checks, the stepped spins of the radius and projected-path edits,
// and Apply, which hands the copy to the module (a port that will not open
// comes back as text for the message bar).

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/OptionPages.h"
#include "targets/ARPAModule.h"

namespace targets {

// Warning-circle radius, shown with two decimals: up below 5.0 by 0.1 from
// 1.0 on, else by 0.02; down above 0.02 by 0.02 up to 1.0, else by 0.1.
double StepWarningRadius(double value, bool up);
// Projected path distance, shown with one decimal: up below 1000 by 100, 10,
// 1 or 0.1 as the value is at least 100, 10, 1 or less; down above 0.1 by
// 100 from 200, 10 from 20, 1 from 2, else 0.1.
double StepPathDistance(double value, bool up);

class CARPAOptionsModel final : public app::COptionPageModel, private CARPAObserver {
public:
    CARPAOptionsModel(CARPAModule& module, std::function<void(const std::string&)> reportFailure);
    ~CARPAOptionsModel() override;

    // Told when targets came, went or changed while the page is open: the
    // display order gains a new target at its end and loses a removed one.
    void SetOrderChanged(std::function<void()> changed) { m_orderChanged = std::move(changed); }

    std::string Title() const override { return "ARPA"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CARPAModuleOptions& Values() { return m_values; }
    const CARPAModuleOptions& Values() const { return m_values; }
    // "&Default" is enabled while the target properties differ from the defaults.
    bool PropertiesDiffer() const;
    void DefaultProperties();
    // The Display card's UP and DOWN: the target at `row` of the display
    // order changes places with the one before or after it.
    bool MoveDisplayRow(int row, bool up);
    // The Display card's status word of a target ("Lost", "Query",
    // "Tracking" or empty): read when the page opens, when the target joins,
    // reports, is reported lost or changes its `current` flag, and kept in
    // between, as the card's row keeps its text while the status ages.
    std::string StatusWordOf(const CTargetRecord& record) const;

private:
    void OnTargetAdded(const CTargetRecord& record) override;
    void OnTargetRemoved(const CTargetRecord& record) override;
    void OnTargetReported(const CTargetRecord& record) override { RowChanged(record); }
    void OnTargetCurrentChanged(const CTargetRecord& record) override { RowChanged(record); }
    void RowChanged(const CTargetRecord& record);
    void ReadStatus(const CTargetRecord& record);
    void OrderChanged();

    CARPAModule& m_module;
    std::function<void()> m_orderChanged;
    std::function<void(const std::string&)> m_reportFailure;
    CARPAModuleOptions m_values;
    std::unordered_map<const CTargetRecord*, std::string> m_statusWords;
};

}   // namespace targets

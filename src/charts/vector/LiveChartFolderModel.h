#pragma once
// The vector charts' page of the Chart Options sheet: the chart folder. A
// changed folder is handed on when the sheet applies; the program then makes
// it, keeps it and rebuilds the folio from what it holds.

#include <functional>
#include <string>

#include "app/OptionPages.h"

namespace charts {

class CLiveChartFolderModel : public app::COptionPageModel {
public:
    // Called with the new folder only when its text changed.
    using ApplyFn = std::function<void(const std::string& folder)>;
    CLiveChartFolderModel(std::string current, ApplyFn apply);

    std::string Title() const override { return "LIVECHART"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;
    std::string& Folder() { return m_folder; }

private:
    std::string m_folder;
    std::string m_applied;
    ApplyFn m_apply;
};

}   // namespace charts

#pragma once
// The vector charts' page of the Chart Options sheet: the chart folder. Every
// OK or Apply of the sheet hands the folder on, changed or not (the sheet
// applies every page); the program then makes it, keeps it, opens its folio
// and updates it from what the folder holds.

#include <functional>
#include <string>

#include "app/OptionPages.h"

namespace charts {

class CLiveChartFolderModel : public app::COptionPageModel {
public:
    // Called with the page's folder at each apply.
    using ApplyFn = std::function<void(const std::string& folder)>;
    CLiveChartFolderModel(std::string current, ApplyFn apply);

    std::string Title() const override { return "LIVECHART"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;
    std::string& Folder() { return m_folder; }

private:
    std::string m_folder;
    ApplyFn m_apply;
};

}   // namespace charts

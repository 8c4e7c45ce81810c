#include "charts/vector/LiveChartFolderModel.h"

#include <filesystem>

namespace charts {

CLiveChartFolderModel::CLiveChartFolderModel(std::string current, ApplyFn apply)
    : m_folder(std::move(current)), m_apply(std::move(apply))
{ }

std::vector<app::CFieldError> CLiveChartFolderModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    std::error_code ec;
    if (m_folder.empty() || m_folder.front() != '/' || m_folder.find('\n') != std::string::npos)
        errors.push_back({"liveChartFolder", "The chart folder must be a full folder path"});
    else if (std::filesystem::exists(m_folder, ec) && !std::filesystem::is_directory(m_folder, ec))
        errors.push_back({"liveChartFolder", "The chart folder names a file, not a folder"});
    return errors;
}

void CLiveChartFolderModel::Apply()
{
    if (m_apply)
        m_apply(m_folder);
}

}   // namespace charts

#include "chartpoints/ChartpointOptions.h"

#include "app/SystemUtils.h"
#include "chartpoints/ChartpointModule.h"

#include <filesystem>

namespace chartpoints {

CChartpointOptionsModel::CChartpointOptionsModel(CChartpointModule& module) : m_module(module)
{
    const chart::CChartpointProperties& p = module.Properties();
    m_values.draw = p.GetDraw();
    m_values.drawId = p.drawId;
    m_values.drawName = p.drawName;
    m_values.sizeMode = p.GetSizeMode();
    m_symbol = p.GetColours();
    m_text = p.Text().GetColours();
    m_values.palette = chart::ActivePaletteIndex();
    ReadColours();
    m_values.dataFolder = module.GetDataFolder();
    m_values.attachmentsFolder = module.AttachmentsFolder();
}

void CChartpointOptionsModel::ReadColours()
{
    const auto i = std::size_t(m_values.palette);
    m_values.symbolColour = m_symbol[i];
    m_values.textColour = m_text[i];
}

bool CChartpointOptionsModel::FollowPalette(int palette)
{
    if (palette == m_values.palette || palette < 0 || palette > 2)
        return false;
    // Keep what the user picked for the palette that was shown.
    m_symbol[std::size_t(m_values.palette)] = m_values.symbolColour;
    m_text[std::size_t(m_values.palette)] = m_values.textColour;
    m_values.palette = palette;
    ReadColours();
    return true;
}

std::vector<app::CFieldError> CChartpointOptionsModel::Validate() const
{
    std::vector<app::CFieldError> errors;
    const std::pair<const char*, const std::string*> folders[] = {
        {"databaseFolder", &m_values.dataFolder},
        {"attachmentsFolder", &m_values.attachmentsFolder}};
    // Each folder is made on apply when missing: here it must be one that can be.
    for (const auto& [field, folder] : folders) {
        if (folder->empty())
            errors.push_back(
                {field, std::string(field == std::string("databaseFolder") ? "Database folder"
                                                                           : "Attachments folder") +
                            ": a folder is needed."});
        else if (std::string why = app::WhyNoFolderAt(*folder); !why.empty())
            errors.push_back({field, std::move(why)});
    }
    if (m_values.sizeMode < 0 || m_values.sizeMode > 2)
        errors.push_back({"overlaySize", "Overlay Size is Small, Medium or Large."});
    return errors;
}

void CChartpointOptionsModel::Apply()
{
    chart::CChartpointProperties& p = m_module.Properties();
    m_symbol[std::size_t(m_values.palette)] = m_values.symbolColour;
    m_text[std::size_t(m_values.palette)] = m_values.textColour;
    p.SetDraw(m_values.draw);
    p.drawId = m_values.drawId;
    p.drawName = m_values.drawName;
    p.SetSizeMode(m_values.sizeMode);
    p.SetColours(m_symbol);
    p.Text().SetColours(m_text);
    m_module.SetFolders(m_values.dataFolder, m_values.attachmentsFolder);
    m_module.DisplayChanged();
}

}   // namespace chartpoints

#pragma once
// The "General" page of the Chartpoint Options sheet without windows: whether
// chartpoints are drawn, their ID and name labels, the symbol size, the
// symbol and label colours of the display palette in force, and the database
// and attachments folders. OK stores them in the module's display properties
// and folders (a folder missing is made) and has every chart view redrawn.

#include "app/OptionPages.h"
#include "chart/overlays/OverlayServices.h"

#include <string>

namespace chartpoints {

class CChartpointModule;

struct CChartpointOptions {
    bool draw = true;
    bool drawId = false;
    bool drawName = false;
    int sizeMode = 0;   // 0 small, 1 medium, 2 large
    int palette = 0;   // the palette the two colours belong to
    chart::COLORREF symbolColour = 0;
    chart::COLORREF textColour = 0;
    std::string dataFolder;
    std::string attachmentsFolder;
};

class CChartpointOptionsModel final : public app::COptionPageModel {
public:
    explicit CChartpointOptionsModel(CChartpointModule& module);

    std::string Title() const override { return "General"; }
    std::vector<app::CFieldError> Validate() const override;
    void Apply() override;

    CChartpointOptions& Values() { return m_values; }
    // The display palette changed while the page is open: the colours shown
    // become the new palette's (a colour picked for the old one is kept for it).
    bool FollowPalette(int palette);
    // The wells, the size and the label switches are live only with drawing on.
    bool DetailsEnabled() const { return m_values.draw; }

private:
    void ReadColours();

    CChartpointModule& m_module;
    CChartpointOptions m_values;
    chart::PaletteColours m_symbol{};
    chart::PaletteColours m_text{};
};

}   // namespace chartpoints

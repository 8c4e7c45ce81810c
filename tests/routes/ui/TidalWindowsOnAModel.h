#pragma once
// The tidal windows of a settings folder of their own, over one blank model
// "Sound" of 20 x 20 cells of a hundredth of a degree from 47.7 N 122.5 W
// (years 2000-2099), the model already found: the set-up of the tidal
// window tests.

#include "routes/ui/TidalWindows.h"

#include "ChartpointFakes.h"
#include "TempFolder.h"
#include "TestModels.h"

#include <filesystem>

namespace brine_test {

struct TidalWindowsOnAModel {
    explicit TidalWindowsOnAModel(tidal::CellQuality quality)
    {
        const auto folder = dir.Path() / "Tides";
        std::filesystem::create_directories(folder);
        const auto model = tidaltest::BlankModel(20, 20, quality);
        tidaltest::Write(folder, "Sound", tidaltest::HeaderFor(model, 47.7, -122.5, 0.01), model);
        ready = tides.Initialise() && tides.CheckAvailability();
    }

    TempFolder dir;
    FolderSettings settings{dir.Path()};
    routes::CTidalWindows tides{settings, dir.Path().string()};
    bool ready = false;
};

}   // namespace brine_test

#pragma once
// The program's side of the tidal-model library: the data folder, the area
// of every model found there (from the two header lines of its ".tid"), the
// choice of the model that covers a position, and predictions turned into
// height, rate and direction.
//
// A switch that fails keeps the model that was active (its name and area);
// clearing the models or changing the folder forgets both, so the next
// prediction switches afresh.

#include "app/Module.h"
#include "geo/Position.h"
#include "routes/PlanServices.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace routes {

// The area one model covers: its grid less one row and column on each side.
class CTidalArea {
public:
    CTidalArea(std::string name, double lat1, double lat2, double lon1, double lon2);
    const std::string& Name() const { return m_name; }
    const std::vector<geo::CPosition>& Corners() const { return m_corners; }
    bool ContainsPosition(const geo::CPosition& position) const;

private:
    std::string m_name;
    std::vector<geo::CPosition> m_corners;
};

// The two header lines of a ".tid": the model's area, or nothing.
std::optional<CTidalArea> ReadTidalArea(const std::string& path);

// The library's four calls, each guarded: a call that throws is code 13.
class CTidalModelDLL {
public:
    static std::int16_t SetPath(const std::string& folder);
    static std::int16_t SetDataFileName(const std::string& modelName);
    static std::int16_t DLLInfo(std::string& first, std::string& second);
    static std::int16_t DoPrediction(int mode, std::int32_t latitude, std::int32_t longitude,
                                     std::int64_t utc, std::int16_t words[5]);
};

class CTidalModelModule : public app::CModule, public CPlanTides {
public:
    CTidalModelModule(app::CSettingsHome& settings, std::string programFolder);

    bool Initialise() override;
    bool Terminate() override;
    void LoadSettings() override;
    void SaveSettings() override;

    // A line for the message bar when the library refuses a model's files.
    void SetNoticeSink(std::function<void(const std::string&)> sink) { m_notice = std::move(sink); }

    void ClearModels();
    bool LoadModels();
    // What the user is shown in a stop box when the library refuses the data folder.
    void SetStopSink(std::function<void(const std::string&)> sink) { m_stop = std::move(sink); }
    // The library is told the data folder; a refusal is shown (stop box) and gives false.
    bool SetLibraryPath();
    bool SelectModelAt(const geo::CPosition& position);
    std::int16_t ActivateModel(const std::string& name);
    // Position, UTC time; height m, rate m/h, direction deg true on -2..0.
    std::int16_t PredictStream(const geo::CPosition& position, std::int64_t utc, double& height,
                               double& rate, double& direction);
    static std::string ResultTextOf(int code);
    static std::string CautionText();
    std::string GetVersionText() const;

    // CPlanTides
    bool IsAvailable() const override { return m_dataAvailable; }
    int PredictAt(const geo::CPosition& where, std::int64_t utc, double& height, double& rate,
                  double& direction) override;
    std::string ResultText(int code) const override { return ResultTextOf(code); }
    // Picks the model for `where` (the current area first), then predicts;
    // 3 when no model covers it.
    int PredictAnywhere(const geo::CPosition& where, std::int64_t utc, double& height, double& rate,
                        double& direction);

    const std::vector<CTidalArea>& Areas() const { return m_areas; }
    const CTidalArea* CurrentArea() const { return m_current; }
    const std::string& ActiveModel() const { return m_activeModel; }
    bool DrawBoxes() const { return m_drawBoxes; }
    void SetDrawBoxes(bool on) { m_drawBoxes = on; }
    void SetDataFolder(std::string folder) override;

private:
    std::vector<CTidalArea> m_areas;
    const CTidalArea* m_current = nullptr;
    bool m_dataAvailable = false;
    bool m_drawBoxes = true;
    std::string m_activeModel;
    std::function<void(const std::string&)> m_notice;
    std::function<void(const std::string&)> m_stop;
    std::string m_programFolder;
};

}   // namespace routes

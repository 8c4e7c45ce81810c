#include "routes/TidalModelModule.h"

#include "app/Registry.h"
#include "app/SystemUtils.h"
#include "engines/tidal/TidalLibrary.h"
#include "geo/Clipping.h"
#include "geo/NavMaths.h"
#include "platform/Ascii.h"
#include "platform/Files.h"
#include "platform/LocaleFreeNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace routes {

namespace {

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r')
            ++j;
        if (j > i)
            out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

std::optional<int> ToInt(const std::string& text)
{
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

}   // namespace

CTidalArea::CTidalArea(std::string name, double lat1, double lat2, double lon1, double lon2)
    : m_name(std::move(name)), m_corners{geo::CPosition(lat1, lon1), geo::CPosition(lat1, lon2),
                                         geo::CPosition(lat2, lon2), geo::CPosition(lat2, lon1)}
{ }

bool CTidalArea::ContainsPosition(const geo::CPosition& position) const
{
    geo::IntPolygon polygon;
    for (const geo::CPosition& c : m_corners)
        polygon.push_back(geo::PositionToIntPosition(c));
    return geo::PointInPolygon(geo::PositionToIntPosition(position), polygon);
}

std::optional<CTidalArea> ReadTidalArea(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line1, line2;
    if (!in || !std::getline(in, line1) || !std::getline(in, line2))
        return std::nullopt;
    const auto f1 = Fields(line1), f2 = Fields(line2);
    if (f1.size() < 3 || f2.size() < 4)
        return std::nullopt;
    const auto rows = ToInt(f1[1]), columns = ToInt(f1[2]);
    const auto lonStep = platform::ParseDouble(f2[0]), latStep = platform::ParseDouble(f2[1]);
    const auto west = platform::ParseDouble(f2[2]), north = platform::ParseDouble(f2[3]);
    if (!rows || !columns || !lonStep || !latStep || !west || !north || *rows < 3 || *columns < 3 ||
        !std::isfinite(*lonStep) || !std::isfinite(*latStep) || *lonStep <= 0 || *latStep <= 0 ||
        !std::isfinite(*west) || !std::isfinite(*north))
        return std::nullopt;
    const std::filesystem::path file(path);
    return CTidalArea(file.stem().string(), *north, *north - (*rows - 2) * *latStep, *west,
                      *west + (*columns - 2) * *lonStep);
}

// ---- CTidalModelDLL

std::int16_t CTidalModelDLL::SetPath(const std::string& folder)
{
    try {
        std::string text = folder;
        if (text.empty() || (text.back() != '/' && text.back() != '\\'))
            text += '/';
        return ::SetPath(text.c_str());
    } catch (...) {
        return 13;
    }
}

std::int16_t CTidalModelDLL::SetDataFileName(const std::string& modelName)
{
    try {
        std::filesystem::path name(modelName);
        const std::string tid = std::filesystem::path(name).replace_extension(".tid").string();
        const std::string dat = std::filesystem::path(name).replace_extension(".dat").string();
        return ::SetDataFileName(tid.c_str(), dat.c_str());
    } catch (...) {
        return 13;
    }
}

std::int16_t CTidalModelDLL::DLLInfo(std::string& first, std::string& second)
{
    try {
        char a[80]{}, b[80]{};
        const std::int16_t code = ::DLLInfo(a, b);
        first.assign(a, strnlen(a, sizeof a));
        second.assign(b, strnlen(b, sizeof b));
        return code;
    } catch (...) {
        return 13;
    }
}

std::int16_t CTidalModelDLL::DoPrediction(int mode, std::int32_t latitude, std::int32_t longitude,
                                          std::int64_t utc, std::int16_t words[5])
{
    const std::time_t t = std::time_t(utc);
    std::tm tm{};
    if (!gmtime_r(&t, &tm))
        return 13;
    std::int16_t w[5] = {words[0], words[1], words[2], words[3], words[4]};
    const std::int16_t code =
        ::DoPrediction(mode, &latitude, &longitude, tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900,
                       tm.tm_hour, tm.tm_min, tm.tm_sec, 0, &w[0], &w[1], &w[2], &w[3], &w[4]);
    std::copy(w, w + 5, words);
    return code;
}

// ---- CTidalModelModule

CTidalModelModule::CTidalModelModule(app::CSettingsHome& settings, std::string programFolder)
    : app::CModule(settings), m_programFolder(std::move(programFolder))
{
    SetModuleName("TidalModel");
}

bool CTidalModelModule::Initialise()
{
    const std::filesystem::path folder = std::filesystem::path(m_programFolder) / "Tides";
    const std::filesystem::path made = app::EnsureFolder(folder, folder);
    app::CModule::SetDataFolder((made.empty() ? folder : made).string());
    return true;
}

bool CTidalModelModule::Terminate()
{
    ClearModels();
    return true;
}

void CTidalModelModule::LoadSettings()
{
    app::CRegistry key(Settings().GetStore());
    // Workspaces written by earlier releases keep these values one level
    // down, under "Tidal"; they are read from there until saved anew.
    if (!OpenSettings(key, false) &&
        !key.OpenKeyForRead(Settings().GetRegistryKey() + "\\Tidal\\TidalModel"))
        return;
    std::string folder;
    std::error_code ec;
    if (key.ReadString("DataFolder", folder) && !folder.empty()) {
        std::replace(folder.begin(), folder.end(), '\\', '/');
        if (std::filesystem::is_directory(folder, ec))
            SetDataFolder(folder);
    }
    bool boxes = m_drawBoxes;
    if (key.ReadBool("DrawBoxes", boxes))
        m_drawBoxes = boxes;
}

void CTidalModelModule::SaveSettings()
{
    app::CRegistry key(Settings().GetStore());
    if (!OpenSettings(key, true))
        return;
    key.WriteString("DataFolder", GetDataFolder());
    key.WriteBool("DrawBoxes", m_drawBoxes);
}

void CTidalModelModule::SetDataFolder(std::string folder)
{
    app::CModule::SetDataFolder(std::move(folder));
    // Another folder: the areas and the active model belong to the old one.
    ClearModels();
}

void CTidalModelModule::ClearModels()
{
    m_dataAvailable = false;
    m_current = nullptr;
    m_areas.clear();
    m_activeModel.clear();
}

bool CTidalModelModule::SetLibraryPath()
{
    m_activeModel.clear();
    m_current = nullptr;
    const std::int16_t code = CTidalModelDLL::SetPath(GetDataFolder());
    if (code != 0 && m_stop)
        m_stop(ResultTextOf(code));
    return code == 0;
}

bool CTidalModelModule::LoadModels()
{
    ClearModels();
    // Temp files a model write left when it was killed would stay for good.
    platform::RemoveLeftoverTempFiles(GetDataFolder(), [](std::string_view target) {
        const std::string_view ext = target.size() > 4 ? target.substr(target.size() - 4) : "";
        return platform::EqualNoCaseAscii(ext, ".tid") || platform::EqualNoCaseAscii(ext, ".dat");
    });
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(GetDataFolder(), ec)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (ext == ".tid" && !entry.is_directory(ec))
            files.push_back(entry.path());
    }
    // Scan order is name order, so "the first model wins" means the same
    // model on every machine.
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        // A header that cannot be read or parsed leaves the file out quietly.
        auto area = ReadTidalArea(file.string());
        if (!area)
            continue;
        // Both files are checked by the library itself before the model
        // counts: a model it cannot load would otherwise be chosen for its
        // area and fail every prediction there. That one is named.
        const std::int16_t code = CTidalModelDLL::SetDataFileName(file.filename().string());
        if (code != 0) {
            if (m_notice)
                m_notice("Tidal model " + file.filename().string() +
                         " left out: " + ResultTextOf(code));
            continue;
        }
        m_areas.push_back(std::move(*area));
    }
    // The library holds the last model it read; the next switch names one.
    m_activeModel.clear();
    m_dataAvailable = !m_areas.empty();
    return m_dataAvailable;
}

std::int16_t CTidalModelModule::ActivateModel(const std::string& name)
{
    if (!m_activeModel.empty() && platform::EqualNoCaseAscii(name, m_activeModel))
        return 0;
    const std::int16_t code = CTidalModelDLL::SetDataFileName(name);
    // Only a switch that worked changes the name: after a failure the
    // library still answers from the model it had.
    if (code == 0)
        m_activeModel = name;
    return code;
}

bool CTidalModelModule::SelectModelAt(const geo::CPosition& position)
{
    const CTidalArea* remembered = m_current;
    for (const CTidalArea& area : m_areas) {
        if (!area.ContainsPosition(position))
            continue;
        if (ActivateModel(area.Name()) == 0) {
            m_current = &area;
            return true;
        }
        m_current = remembered;   // the failed model's area is not the library's
        return false;
    }
    m_current = remembered;
    return false;
}

std::int16_t CTidalModelModule::PredictStream(const geo::CPosition& position, std::int64_t utc,
                                              double& height, double& rate, double& direction)
{
    const std::int32_t lat = std::int32_t(std::trunc(position.GetLatitude() * 1e7));
    const std::int32_t lon = std::int32_t(std::trunc(position.GetLongitude() * 1e7));
    std::int16_t w[5] = {0, 0, 0, 0, 0};
    const std::int16_t code = CTidalModelDLL::DoPrediction(1, lat, lon, utc, w);
    if (code < -2 || code > 0)
        return code;
    height = w[0] * 0.001;
    rate = w[3] * 3.6;
    direction = w[4] * 0.1;
    return code;
}

int CTidalModelModule::PredictAt(const geo::CPosition& where, std::int64_t utc, double& height,
                                 double& rate, double& direction)
{
    return PredictAnywhere(where, utc, height, rate, direction);
}

int CTidalModelModule::PredictAnywhere(const geo::CPosition& where, std::int64_t utc,
                                       double& height, double& rate, double& direction)
{
    const bool covered = (m_current && m_current->ContainsPosition(where) &&
                          ActivateModel(m_current->Name()) == 0) ||
                         SelectModelAt(where);
    if (!covered)
        return 3;
    return PredictStream(where, utc, height, rate, direction);
}

std::string CTidalModelModule::ResultTextOf(int code)
{
    switch (code) {
    case -3: return "Tidal calculation results not to be used because of proximity of land:";
    case -2:
    case -1:
        return "Tidal calculation results to be used with caution because of proximity of land:";
    case 0: return {};
    case 1: return "Error(s) occured opening tidal model data header file";
    case 2: return "Error(s) occured reading tidal model data header file";
    case 3: return "Tidal model calculation: longitude out of range";
    case 4: return "Tidal model calculation: latitude out of range";
    case 5: return "Error(s) occured opening tidal model file";
    case 6: return "Error(s) occured reading tidal model file";
    case 7: return "Error(s) in tidal model header file: wrong constant";
    case 8: return "Number of predictions is too large";
    case 9: return "Error(s) in tidal model calculation: location(s) specified as land";
    case 10: return "Tidal model calculation: location(s) too close to land to be interpolated";
    case 11: return "Tidal model calculation: error in grid interpolation routine";
    default: return "Tidal model calculation: Unknown error";
    }
}

std::string CTidalModelModule::CautionText()
{
    return "The model has been validated against observed currents, but you should exercise "
           "caution within 12 km of the coast where fine-scale features of the tidal stream will "
           "not have been modelled accurately.\n\nTidal streams displayed in BLUE are likely to be "
           "reasonably accurate.\n\nTidal streams displayed in RED are less likely to be accurate.";
}

std::string CTidalModelModule::GetVersionText() const
{
    std::string a, b;
    CTidalModelDLL::DLLInfo(a, b);
    return a + " " + b;
}

}   // namespace routes

#include "TidalLibrary.h"

#include "ModelFiles.h"
#include "TidalModel.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace {

using namespace tidal;

struct LibraryState {
    std::mutex mutex;
    std::filesystem::path folder;
    std::unique_ptr<CTidalModel> model;
};

LibraryState& State()
{
    static LibraryState state;
    return state;
}

// A file name only: a path with a folder part would reach outside the folder.
bool IsPlainName(const char* name)
{
    if (!name || !*name)
        return false;
    const std::string text(name);
    return text.find('/') == std::string::npos && text.find('\\') == std::string::npos &&
           text != "." && text != "..";
}

bool FitsWord(double value)
{
    return std::isfinite(value) && std::lround(value) >= -32768 && std::lround(value) <= 32767;
}

void CopyText(char* out, const char* text)
{
    std::strncpy(out, text, 79);
    out[79] = '\0';
}

}   // namespace

extern "C" {

std::int16_t SetPath(const char* folder) noexcept
{
    try {
        if (!folder || !*folder)
            return kHeaderOpen;
        std::string text(folder);
        // Folders reach us in the stored form too, with backslashes.
        for (char& c : text)
            if (c == '\\')
                c = '/';
        std::error_code ec;
        if (!std::filesystem::is_directory(text, ec))
            return kHeaderOpen;
        LibraryState& s = State();
        std::lock_guard lock(s.mutex);
        s.folder = text;
        return kGood;
    } catch (...) {
        return kInternal;
    }
}

std::int16_t SetDataFileName(const char* tidName, const char* datName) noexcept
{
    try {
        if (!IsPlainName(tidName))
            return kHeaderOpen;
        if (!IsPlainName(datName))
            return kDataOpen;
        LibraryState& s = State();
        std::filesystem::path folder;
        {
            std::lock_guard lock(s.mutex);
            folder = s.folder;
        }
        if (folder.empty())
            return kHeaderOpen;
        ModelHeader header;
        if (const Code code = ReadModelHeader(folder / tidName, header); code != kGood)
            return code;
        ModelData data;
        if (const Code code = ReadModelData(folder / datName, data); code != kGood)
            return code;
        if (data.rows != header.rows || data.columns != header.columns)
            return kDataRead;
        auto model = std::make_unique<CTidalModel>();
        if (const Code code = model->Load(header, data); code != kGood)
            return code;
        std::lock_guard lock(s.mutex);
        s.model = std::move(model);
        return kGood;
    } catch (...) {
        return kInternal;
    }
}

std::int16_t DLLInfo(char* first, char* second) noexcept
{
    if (first)
        CopyText(first, "Brinevane tidal-model library 1.0");
    if (second)
        CopyText(second, "harmonic models, 37 constituents");
    return kGood;
}

std::int16_t DoPrediction(int mode, const std::int32_t* latitude, const std::int32_t* longitude,
                          int day, int month, int year, int hour, int minute, int second,
                          int /*reserved*/, std::int16_t* w1, std::int16_t* w2, std::int16_t* w3,
                          std::int16_t* w4, std::int16_t* w5) noexcept
{
    try {
        if (mode != 1)
            return kBadMode;
        if (!latitude || !longitude || !w1 || !w2 || !w3 || !w4 || !w5)
            return kInternal;
        long long instant = 0;
        if (!UtcSeconds(year, month, day, hour, minute, second, instant))
            return kInternal;
        LibraryState& s = State();
        std::lock_guard lock(s.mutex);
        if (!s.model)
            return kHeaderOpen;
        Prediction p;
        const Code code = s.model->Predict(*latitude * 1e-7, *longitude * 1e-7, instant, p);
        if (code > kGood)
            return code;
        const double heightMm = p.height * 1000.0, eastMm = p.east * 1000.0,
                     northMm = p.north * 1000.0;
        const double rateMm = std::hypot(eastMm, northMm);
        double direction = std::atan2(p.east, p.north) * 180.0 / M_PI;
        if (direction < 0)
            direction += 360.0;
        long tenths = std::lround(direction * 10.0);
        if (tenths >= 3600)
            tenths -= 3600;
        if (!FitsWord(heightMm) || !FitsWord(eastMm) || !FitsWord(northMm) || !FitsWord(rateMm))
            return kWordOverflow;
        *w1 = std::int16_t(std::lround(heightMm));
        *w2 = std::int16_t(std::lround(eastMm));
        *w3 = std::int16_t(std::lround(northMm));
        *w4 = std::int16_t(std::lround(rateMm));
        *w5 = std::int16_t(tenths);
        return code;
    } catch (...) {
        return kInternal;
    }
}
}

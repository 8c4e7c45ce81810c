#pragma once
// Small tidal models written by the tests: a grid with chosen cells, one or
// more constituents, into a fresh folder.

#include "engines/tidal/ModelFiles.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace tidaltest {

// A grid of `rows` x `columns` water cells of the given quality, north-west
// corner at (north, west), steps of 0.01 degree, years 2000-2099, one
// constituent (M2) with zero constants everywhere.
inline tidal::ModelData BlankModel(int rows, int columns,
                                   tidal::CellQuality quality = tidal::CellQuality::Station,
                                   std::initializer_list<const char*> names = {"M2"})
{
    tidal::ModelData d;
    d.rows = rows;
    d.columns = columns;
    d.firstYear = 2000;
    d.years = 100;
    for (const char* n : names)
        d.constituents.emplace_back(n);
    d.cells.resize(std::size_t(rows) * columns);
    for (auto& c : d.cells) {
        c.quality = quality;
        c.height.assign(d.constituents.size(), {});
        c.east.assign(d.constituents.size(), {});
        c.north.assign(d.constituents.size(), {});
    }
    return d;
}

inline tidal::ModelHeader HeaderFor(const tidal::ModelData& d, double north, double west,
                                    double step = 0.01)
{
    tidal::ModelHeader h;
    h.rows = d.rows;
    h.columns = d.columns;
    h.lonStep = step;
    h.latStep = step;
    h.west = west;
    h.north = north;
    return h;
}

inline std::filesystem::path FreshFolder(const std::string& name)
{
    const auto folder = std::filesystem::temp_directory_path() /
                        ("brine-tidal-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

inline void Write(const std::filesystem::path& folder, const std::string& title,
                  const tidal::ModelHeader& h, const tidal::ModelData& d)
{
    std::string error;
    if (!tidal::WriteModel(folder / (title + ".tid"), h, d, error))
        throw std::runtime_error(error);
}

}   // namespace tidaltest

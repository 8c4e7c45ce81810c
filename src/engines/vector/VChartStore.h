#pragma once
// Our vector chart file ".b": a 64-byte header, the 168-byte information
// block, a string table, the class table, a directory of feature records
// (class, geometry kind, bounds, attributes, parts of delta-coded
// coordinates), a grid index of the features by area, each feature's
// smallest display scale (from version 2 on), and a CRC-32 of all bytes
// before it. Read through mmap; every offset and count is checked
// against the file before use, so a damaged file is refused with a message
// instead of being read out of bounds.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engines/vector/VChartData.h"

namespace vengine {

inline constexpr char kStoreMagic[4] = {'B', 'R', 'V', 'C'};
// Version 2 added the table of the features' smallest display scales; files
// of version 1 still read, with every feature shown at every scale.
inline constexpr std::uint16_t kStoreVersion = 2;
inline constexpr std::uint16_t kOldestStoreVersion = 1;
inline constexpr std::size_t kStoreHeaderSize = 64;
inline constexpr std::uint32_t kGridSide = 32;

// The whole file for `chart`.
std::string EncodeVChart(const VChartData& chart);

// Writes the file to a temporary name beside `path`, flushes it and renames it
// over `path`, so a crash leaves the old file or the new one.
bool WriteVChartFile(const std::filesystem::path& path, const VChartData& chart,
                     std::string* error);

// A checked view over the bytes of one file (mapped or in memory). The bytes
// must outlive the view.
class CVChartView {
public:
    // Checks the header, the CRC and every section, offset and record; false
    // with `error` set when anything is out of place.
    bool Attach(std::string_view bytes, std::string* error);

    const CChartInfoBlock& Info() const { return m_info; }
    std::uint16_t Version() const { return m_version; }
    std::uint16_t Edition() const { return m_edition; }
    std::uint16_t Update() const { return m_update; }
    std::size_t FeatureCount() const { return m_featureCount; }
    std::string_view ClassOf(std::size_t feature) const;
    VBounds BoundsOf(std::size_t feature) const;
    VGeom GeomOf(std::size_t feature) const;
    // The feature's SCAMIN as stored (VFeature::ScaleMinimum); 0 in files
    // written before the table was kept.
    std::uint32_t ScaleMinimumOf(std::size_t feature) const;
    bool ReadFeature(std::size_t feature, VFeature& out) const;
    // Indices of features whose bounds may meet `area` (from the grid index),
    // each once, ascending. With `displayScale` (the denominator of the
    // scale drawn at), features whose smallest display scale is smaller are
    // left out; 0 keeps every feature.
    std::vector<std::uint32_t> FeaturesIn(const VBounds& area, double displayScale = 0) const;
    bool ReadAll(VChartData& out) const;

private:
    std::string_view String(std::uint32_t id) const;
    bool CheckFeature(std::size_t feature, std::string* error) const;
    std::string_view Record(std::size_t feature) const;

    std::string_view m_bytes;
    CChartInfoBlock m_info;
    std::uint16_t m_version = 0, m_edition = 0, m_update = 0;
    std::uint32_t m_stringCount = 0, m_stringsOff = 0, m_stringBytesOff = 0;
    std::uint32_t m_classCount = 0, m_classOff = 0;
    std::uint32_t m_featureCount = 0, m_dirOff = 0, m_dataOff = 0, m_dataSize = 0;
    std::uint32_t m_gridOff = 0, m_gridSize = 0;
    std::uint32_t m_scaleMinOff = 0;   // 0: no table (version 1)
    VBounds m_gridBounds;
    std::vector<std::uint32_t> m_listed;   // every feature some grid cell lists, ascending
};

// A ".b" file mapped read-only.
class CVChartFile {
public:
    ~CVChartFile();
    CVChartFile(const CVChartFile&) = delete;
    CVChartFile& operator=(const CVChartFile&) = delete;

    static std::unique_ptr<CVChartFile> Open(const std::filesystem::path& path, std::string* error);
    const CVChartView& View() const { return m_view; }

private:
    CVChartFile() = default;
    void* m_map = nullptr;
    std::size_t m_size = 0;
    CVChartView m_view;
};

}   // namespace vengine

#pragma once
// Writes S-57 cells through GDAL's S-57 writer. The writer takes spatial
// records (isolated nodes, connected nodes, edges) as features of their own
// layers and feature records that point at them by record number, so this
// class builds those records from plain points, lines and polygons.

#include <string>
#include <utility>
#include <vector>

typedef void* GDALDatasetH;

namespace vchart {

struct LonLat {
    double lon, lat;
};
using Ring = std::vector<LonLat>;   // closed: the first point repeated last
using Attributes = std::vector<std::pair<std::string, std::string>>;

struct CellHeader {
    int scale = 20000;
    int horizontalDatum = 2;   // WGS 84
    int verticalDatum = 12;   // MLLW
    int soundingDatum = 12;
    int intendedUsage = 5;
    std::string edition = "1";
    std::string updateDate = "20260301";
    std::string issueDate = "20260215";
    std::string comment = "SAMPLE - NOT FOR NAVIGATION";
};

class CS57CellWriter {
public:
    ~CS57CellWriter();
    // Creates the cell file; false when GDAL refused.
    bool Create(const std::string& path, const CellHeader& header);
    bool Close();

    bool Point(const std::string& cls, LonLat p, const Attributes& attrs);
    bool Soundings(const std::vector<LonLat>& points, const std::vector<double>& depths,
                   const Attributes& attrs = {});
    bool Line(const std::string& cls, const std::vector<LonLat>& points, const Attributes& attrs);
    // Polygons of rings: each polygon's first ring is its outer one.
    bool Area(const std::string& cls, const std::vector<std::vector<Ring>>& polygons,
              const Attributes& attrs);

    // Record numbers of the last feature and last spatial record written
    // (a feature's object number is its record number), so an update can
    // name them.
    int LastFeatureId() const { return m_nextFeature; }
    int LastPrimitiveId() const { return m_nextId; }

private:
    struct Ref {
        int rcnm, rcid, ornt, usag;
    };
    int Primitive(const char* layer, int rcnm, void* geometry,
                  const std::vector<std::pair<const char*, int>>& fields);
    int Node(const char* layer, int rcnm, LonLat p);
    int Edge(const std::vector<LonLat>& points);
    bool Feature(const std::string& cls, int prim, const std::vector<Ref>& refs,
                 const Attributes& attrs);
    void* Layer(const char* name);

    GDALDatasetH m_ds = nullptr;
    int m_nextId = 0;
    int m_nextFeature = 0;
};

}   // namespace vchart

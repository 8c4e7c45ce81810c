#include "TestCells.h"

#include <gdal.h>
#include <ogr_api.h>
#include <vector>

#include <cpl_string.h>

namespace vtest {

namespace {

struct Pt {
    double lon, lat;
};

// GDAL's S-57 writer writes features as given: spatial records (isolated
// nodes, connected nodes, edges) are written as features of their own layers
// and the feature records point at them by record number.
class CCellWriter {
public:
    explicit CCellWriter(GDALDatasetH ds) : m_ds(ds) { }

    bool Point(const char* cls, Pt p,
               std::initializer_list<std::pair<const char*, const char*>> attrs)
    {
        int id = Node("IsolatedNode", 110, p);
        return id > 0 && Feature(cls, 1, {{110, id, 255, 255}}, attrs);
    }
    bool Soundings(const std::vector<Pt>& pts, const std::vector<double>& depths)
    {
        OGRGeometryH g = OGR_G_CreateGeometry(wkbMultiPoint25D);
        for (std::size_t i = 0; i < pts.size(); ++i) {
            OGRGeometryH p = OGR_G_CreateGeometry(wkbPoint25D);
            OGR_G_SetPoint(p, 0, pts[i].lon, pts[i].lat, depths[i]);
            OGR_G_AddGeometryDirectly(g, p);
        }
        int id = Primitive("IsolatedNode", 110, g, {});
        return id > 0 && Feature("SOUNDG", 1, {{110, id, 255, 255}}, {});
    }
    bool Line(const char* cls, const std::vector<Pt>& pts,
              std::initializer_list<std::pair<const char*, const char*>> attrs)
    {
        int edge = Edge(pts);
        return edge > 0 && Feature(cls, 2, {{130, edge, 1, 255}}, attrs);
    }
    // Rings closed (first point repeated last); the first is the outer one.
    bool Area(const char* cls, const std::vector<std::vector<Pt>>& rings,
              std::initializer_list<std::pair<const char*, const char*>> attrs)
    {
        std::vector<Ref> refs;
        for (std::size_t r = 0; r < rings.size(); ++r) {
            int edge = Edge(rings[r]);
            if (edge <= 0)
                return false;
            refs.push_back({130, edge, 1, r == 0 ? 1 : 2});
        }
        return Feature(cls, 3, refs, attrs);
    }

private:
    struct Ref {
        int rcnm, rcid, ornt, usag;
    };

    int Primitive(const char* layerName, int rcnm, OGRGeometryH g,
                  std::initializer_list<std::pair<const char*, int>> fields)
    {
        OGRLayerH layer = GDALDatasetGetLayerByName(m_ds, layerName);
        if (!layer)
            layer = GDALDatasetCreateLayer(m_ds, layerName, nullptr, wkbUnknown, nullptr);
        if (!layer)
            return -1;
        OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(layer));
        int id = ++m_nextId;
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RCNM"), rcnm);
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RCID"), id);
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RVER"), 1);
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RUIN"), 1);
        for (const auto& [name, value] : fields)
            OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, name), value);
        OGR_F_SetGeometryDirectly(f, g);
        bool ok = OGR_L_CreateFeature(layer, f) == OGRERR_NONE;
        OGR_F_Destroy(f);
        return ok ? id : -1;
    }
    int Node(const char* layerName, int rcnm, Pt p)
    {
        OGRGeometryH g = OGR_G_CreateGeometry(wkbPoint);
        OGR_G_SetPoint_2D(g, 0, p.lon, p.lat);
        return Primitive(layerName, rcnm, g, {});
    }
    // An edge from a connected node at the first point to one at the last,
    // the points between as its own coordinates.
    int Edge(const std::vector<Pt>& pts)
    {
        if (pts.size() < 3)
            return -1;
        int begin = Node("ConnectedNode", 120, pts.front());
        bool closed = pts.front().lon == pts.back().lon && pts.front().lat == pts.back().lat;
        int end = closed ? begin : Node("ConnectedNode", 120, pts.back());
        OGRGeometryH g = OGR_G_CreateGeometry(wkbLineString);
        for (std::size_t i = 1; i + 1 < pts.size(); ++i)
            OGR_G_AddPoint_2D(g, pts[i].lon, pts[i].lat);
        return Primitive("Edge", 130, g,
                         {{"NAME_RCNM_0", 120},
                          {"NAME_RCID_0", begin},
                          {"ORNT_0", 255},
                          {"USAG_0", 255},
                          {"TOPI_0", 1},
                          {"MASK_0", 255},
                          {"NAME_RCNM_1", 120},
                          {"NAME_RCID_1", end},
                          {"ORNT_1", 255},
                          {"USAG_1", 255},
                          {"TOPI_1", 2},
                          {"MASK_1", 255}});
    }
    bool Feature(const char* cls, int prim, const std::vector<Ref>& refs,
                 std::initializer_list<std::pair<const char*, const char*>> attrs)
    {
        OGRLayerH layer = GDALDatasetGetLayerByName(m_ds, cls);
        if (!layer)
            layer = GDALDatasetCreateLayer(m_ds, cls, nullptr, wkbUnknown, nullptr);
        if (!layer)
            return false;
        OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(layer));
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RCID"), ++m_nextFeature);
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "PRIM"), prim);
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "GRUP"), 2);
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RVER"), 1);
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "AGEN"), 550);
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "FIDN"), m_nextFeature);
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "FIDS"), 1);
        std::vector<int> rcnm, rcid, ornt, usag, mask;
        for (const auto& r : refs) {
            rcnm.push_back(r.rcnm);
            rcid.push_back(r.rcid);
            ornt.push_back(r.ornt);
            usag.push_back(r.usag);
            mask.push_back(255);
        }
        auto list = [&](const char* name, const std::vector<int>& v) {
            OGR_F_SetFieldIntegerList(f, OGR_F_GetFieldIndex(f, name), int(v.size()), v.data());
        };
        list("NAME_RCNM", rcnm);
        list("NAME_RCID", rcid);
        list("ORNT", ornt);
        list("USAG", usag);
        list("MASK", mask);
        for (const auto& [name, value] : attrs)
            OGR_F_SetFieldString(f, OGR_F_GetFieldIndex(f, name), value);
        bool ok = OGR_L_CreateFeature(layer, f) == OGRERR_NONE;
        OGR_F_Destroy(f);
        return ok;
    }

    GDALDatasetH m_ds;
    int m_nextId = 0;
    int m_nextFeature = 0;
};

}   // namespace

bool WriteSampleCell(const std::filesystem::path& folder, const std::string& stem)
{
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName("S57");
    char** options = nullptr;
    options = CSLSetNameValue(options, "S57_CSCL", "20000");
    options = CSLSetNameValue(options, "S57_HDAT", "2");
    options = CSLSetNameValue(options, "S57_VDAT", "12");
    options = CSLSetNameValue(options, "S57_SDAT", "12");
    options = CSLSetNameValue(options, "S57_INTU", "5");
    options = CSLSetNameValue(options, "S57_UADT", "20260301");
    options = CSLSetNameValue(options, "S57_ISDT", "20260215");
    options = CSLSetNameValue(options, "S57_COMT", "SAMPLE - NOT FOR NAVIGATION");
    std::string path = (folder / (stem + ".000")).string();
    GDALDatasetH ds = GDALCreate(driver, path.c_str(), 0, 0, 0, GDT_Unknown, options);
    CSLDestroy(options);
    if (!ds)
        return false;
    CCellWriter w(ds);
    std::vector<Pt> cover = {
        {-122.45, 47.55}, {-122.45, 47.65}, {-122.3, 47.65}, {-122.3, 47.55}, {-122.45, 47.55}};
    bool ok = w.Area("M_COVR", {cover}, {{"CATCOV", "1"}}) &&
              w.Area("M_NSYS", {cover}, {{"MARSYS", "2"}}) &&
              w.Area("DEPARE",
                     {{{-122.44, 47.56},
                       {-122.44, 47.64},
                       {-122.36, 47.64},
                       {-122.36, 47.56},
                       {-122.44, 47.56}},
                      {{-122.42, 47.58}, {-122.40, 47.58}, {-122.40, 47.60}, {-122.42, 47.58}}},
                     {{"DRVAL1", "10"}, {"DRVAL2", "20"}}) &&
              w.Line("COALNE", {{-122.35, 47.56}, {-122.34, 47.60}, {-122.35, 47.64}}, {}) &&
              w.Point("BOYLAT", {-122.3912345, 47.6012345},
                      {{"BOYSHP", "2"}, {"COLOUR", "3"}, {"CATLAM", "2"}}) &&
              w.Soundings({{-122.43, 47.57}, {-122.37, 47.63}}, {12.5, 18.2});
    GDALClose(ds);
    return ok;
}

}   // namespace vtest

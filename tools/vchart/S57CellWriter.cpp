#include "S57CellWriter.h"

#include <gdal.h>
#include <ogr_api.h>

#include <cpl_string.h>

namespace vchart {

CS57CellWriter::~CS57CellWriter()
{
    Close();
}

bool CS57CellWriter::Create(const std::string& path, const CellHeader& h)
{
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName("S57");
    if (!driver)
        return false;
    char** options = nullptr;
    options = CSLSetNameValue(options, "S57_CSCL", std::to_string(h.scale).c_str());
    options = CSLSetNameValue(options, "S57_HDAT", std::to_string(h.horizontalDatum).c_str());
    options = CSLSetNameValue(options, "S57_VDAT", std::to_string(h.verticalDatum).c_str());
    options = CSLSetNameValue(options, "S57_SDAT", std::to_string(h.soundingDatum).c_str());
    options = CSLSetNameValue(options, "S57_INTU", std::to_string(h.intendedUsage).c_str());
    options = CSLSetNameValue(options, "S57_EDTN", h.edition.c_str());
    options = CSLSetNameValue(options, "S57_UADT", h.updateDate.c_str());
    options = CSLSetNameValue(options, "S57_ISDT", h.issueDate.c_str());
    options = CSLSetNameValue(options, "S57_COMT", h.comment.c_str());
    options = CSLSetNameValue(options, "S57_AGEN", "550");
    m_ds = GDALCreate(driver, path.c_str(), 0, 0, 0, GDT_Unknown, options);
    CSLDestroy(options);
    return m_ds != nullptr;
}

bool CS57CellWriter::Close()
{
    if (!m_ds)
        return false;
    GDALClose(m_ds);
    m_ds = nullptr;
    return true;
}

void* CS57CellWriter::Layer(const char* name)
{
    OGRLayerH layer = GDALDatasetGetLayerByName(m_ds, name);
    if (!layer)
        layer = GDALDatasetCreateLayer(m_ds, name, nullptr, wkbUnknown, nullptr);
    return layer;
}

int CS57CellWriter::Primitive(const char* layerName, int rcnm, void* g,
                              const std::vector<std::pair<const char*, int>>& fields)
{
    auto* layer = static_cast<OGRLayerH>(Layer(layerName));
    if (!layer) {
        OGR_G_DestroyGeometry(static_cast<OGRGeometryH>(g));
        return -1;
    }
    OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(layer));
    const int id = ++m_nextId;
    OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RCNM"), rcnm);
    OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RCID"), id);
    OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RVER"), 1);
    OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RUIN"), 1);
    for (const auto& [name, value] : fields)
        OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, name), value);
    OGR_F_SetGeometryDirectly(f, static_cast<OGRGeometryH>(g));
    const bool ok = OGR_L_CreateFeature(layer, f) == OGRERR_NONE;
    OGR_F_Destroy(f);
    return ok ? id : -1;
}

int CS57CellWriter::Node(const char* layerName, int rcnm, LonLat p)
{
    OGRGeometryH g = OGR_G_CreateGeometry(wkbPoint);
    OGR_G_SetPoint_2D(g, 0, p.lon, p.lat);
    return Primitive(layerName, rcnm, g, {});
}

int CS57CellWriter::Edge(const std::vector<LonLat>& pts)
{
    // An edge runs from a connected node at its first point to one at its
    // last; its own coordinates are the points between, at least one.
    if (pts.size() < 3)
        return -1;
    const int begin = Node("ConnectedNode", 120, pts.front());
    const bool closed = pts.front().lon == pts.back().lon && pts.front().lat == pts.back().lat;
    const int end = closed ? begin : Node("ConnectedNode", 120, pts.back());
    if (begin < 0 || end < 0)
        return -1;
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

bool CS57CellWriter::Feature(const std::string& cls, int prim, const std::vector<Ref>& refs,
                             const Attributes& attrs)
{
    auto* layer = static_cast<OGRLayerH>(Layer(cls.c_str()));
    if (!layer)
        return false;
    OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(layer));
    ++m_nextFeature;
    OGR_F_SetFieldInteger(f, OGR_F_GetFieldIndex(f, "RCID"), m_nextFeature);
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
    for (const auto& [name, value] : attrs) {
        const int i = OGR_F_GetFieldIndex(f, name.c_str());
        if (i < 0) {
            OGR_F_Destroy(f);
            return false;
        }
        OGR_F_SetFieldString(f, i, value.c_str());
    }
    const bool ok = OGR_L_CreateFeature(layer, f) == OGRERR_NONE;
    OGR_F_Destroy(f);
    return ok;
}

bool CS57CellWriter::Point(const std::string& cls, LonLat p, const Attributes& attrs)
{
    const int id = Node("IsolatedNode", 110, p);
    return id > 0 && Feature(cls, 1, {{110, id, 255, 255}}, attrs);
}

bool CS57CellWriter::Soundings(const std::vector<LonLat>& pts, const std::vector<double>& depths,
                               const Attributes& attrs)
{
    if (pts.empty() || pts.size() != depths.size())
        return false;
    OGRGeometryH g = OGR_G_CreateGeometry(wkbMultiPoint25D);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        OGRGeometryH p = OGR_G_CreateGeometry(wkbPoint25D);
        OGR_G_SetPoint(p, 0, pts[i].lon, pts[i].lat, depths[i]);
        OGR_G_AddGeometryDirectly(g, p);
    }
    const int id = Primitive("IsolatedNode", 110, g, {});
    return id > 0 && Feature("SOUNDG", 1, {{110, id, 255, 255}}, attrs);
}

bool CS57CellWriter::Line(const std::string& cls, const std::vector<LonLat>& pts,
                          const Attributes& attrs)
{
    const int edge = Edge(pts);
    return edge > 0 && Feature(cls, 2, {{130, edge, 1, 255}}, attrs);
}

bool CS57CellWriter::Area(const std::string& cls, const std::vector<std::vector<Ring>>& polygons,
                          const Attributes& attrs)
{
    std::vector<Ref> refs;
    for (const auto& polygon : polygons)
        for (std::size_t r = 0; r < polygon.size(); ++r) {
            const int edge = Edge(polygon[r]);
            if (edge <= 0)
                return false;
            refs.push_back({130, edge, 1, r == 0 ? 1 : 2});
        }
    return !refs.empty() && Feature(cls, 3, refs, attrs);
}

}   // namespace vchart

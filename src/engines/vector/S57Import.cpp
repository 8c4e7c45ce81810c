#include "engines/vector/S57Import.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <gdal.h>
#include <mutex>
#include <ogr_api.h>
#include <ogr_srs_api.h>
#include <set>
#include <string>
#include <vector>

#include "platform/LocaleFreeNumbers.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>

namespace vengine {

namespace {

std::string Upper(std::string s)
{
    for (auto& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// "a/b/CELL.000" -> folder "a/b", stem "CELL".
void SplitCell(const std::string& cell, std::string& folder, std::string& stem)
{
    auto slash = cell.find_last_of('/');
    folder = slash == std::string::npos ? "." : cell.substr(0, slash);
    std::string name = slash == std::string::npos ? cell : cell.substr(slash + 1);
    auto dot = name.find_last_of('.');
    stem = dot == std::string::npos ? name : name.substr(0, dot);
}

bool IsThreeDigits(const std::string& s)
{
    return s.size() == 3 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "YYYYMMDD" into year/month/day fields of the block; other texts leave them 0.
void PutDate(CChartInfoBlock& info, std::size_t year, std::size_t month, std::size_t day,
             const char* text)
{
    if (!text || std::strlen(text) != 8 ||
        !std::all_of(text, text + 8, [](char c) { return c >= '0' && c <= '9'; }))
        return;
    auto num = [&](int from, int n) {
        int v = 0;
        for (int i = 0; i < n; ++i)
            v = v * 10 + (text[from + i] - '0');
        return v;
    };
    info.SetU16(year, std::uint16_t(num(0, 4)));
    info.SetU8(month, std::uint8_t(num(4, 2)));
    info.SetU8(day, std::uint8_t(num(6, 2)));
}

int IntField(OGRFeatureH f, const char* name)
{
    int i = OGR_F_GetFieldIndex(f, name);
    if (i < 0 || !OGR_F_IsFieldSetAndNotNull(f, i))
        return 0;
    return OGR_F_GetFieldAsInteger(f, i);
}

const char* TextField(OGRFeatureH f, const char* name)
{
    int i = OGR_F_GetFieldIndex(f, name);
    if (i < 0 || !OGR_F_IsFieldSetAndNotNull(f, i))
        return nullptr;
    return OGR_F_GetFieldAsString(f, i);
}

void AddPoints(OGRGeometryH g, VPart& part)
{
    int n = OGR_G_GetPointCount(g);
    part.points.reserve(std::size_t(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        part.points.push_back({DegreesToUnits(OGR_G_GetX(g, i)), DegreesToUnits(OGR_G_GetY(g, i))});
}

void AddGeometry(OGRGeometryH g, VFeature& f)
{
    if (!g)
        return;
    switch (wkbFlatten(OGR_G_GetGeometryType(g))) {
    case wkbPoint:
        f.geom = VGeom::Point;
        f.parts.emplace_back();
        AddPoints(g, f.parts.back());
        break;
    case wkbLineString:
        f.geom = VGeom::Line;
        f.parts.emplace_back();
        AddPoints(g, f.parts.back());
        break;
    case wkbPolygon:
        f.geom = VGeom::Area;
        for (int r = 0; r < OGR_G_GetGeometryCount(g); ++r) {
            f.parts.emplace_back();
            f.parts.back().outer = r == 0;
            AddPoints(OGR_G_GetGeometryRef(g, r), f.parts.back());
        }
        break;
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
        for (int i = 0; i < OGR_G_GetGeometryCount(g); ++i)
            AddGeometry(OGR_G_GetGeometryRef(g, i), f);
        break;
    default: break;
    }
}

// Soundings come as one multipoint feature; each depth becomes a feature of
// its own with the attribute DEPTH (metres as the cell gives them). GDAL's own
// splitting is not used: it reads out of bounds on some damaged cells.
void AddSoundings(OGRGeometryH g, const VFeature& whole, VChartData& chart)
{
    if (!g || wkbFlatten(OGR_G_GetGeometryType(g)) != wkbMultiPoint) {
        chart.features.push_back(whole);
        return;
    }
    for (int i = 0; i < OGR_G_GetGeometryCount(g); ++i) {
        OGRGeometryH p = OGR_G_GetGeometryRef(g, i);
        if (!p || OGR_G_GetPointCount(p) < 1)
            continue;
        VFeature one;
        one.objectClass = whole.objectClass;
        one.geom = VGeom::Point;
        one.attributes = whole.attributes;
        one.attributes.emplace_back("DEPTH", platform::FormatC("%.2f", OGR_G_GetZ(p, 0)));
        one.parts.push_back(
            {true, {{DegreesToUnits(OGR_G_GetX(p, 0)), DegreesToUnits(OGR_G_GetY(p, 0))}}});
        one.ComputeBounds();
        chart.features.push_back(std::move(one));
    }
}

struct CloseDataset {
    void operator()(void* ds) const { GDALClose(ds); }
};

void FillFromDsid(OGRFeatureH dsid, CChartInfoBlock& info, VChartData& chart)
{
    if (const char* name = TextField(dsid, "DSID_DSNM")) {
        std::string n = name;
        auto dot = n.find_last_of('.');
        info.SetText(info::kName, info::kNameWidth, Upper(n.substr(0, dot)));
    }
    if (const char* ed = TextField(dsid, "DSID_EDTN"))
        chart.edition = std::uint16_t(std::clamp(std::atoi(ed), 0, 65535));
    if (const char* up = TextField(dsid, "DSID_UPDN"))
        chart.update = std::uint16_t(std::clamp(std::atoi(up), 0, 65535));
    PutDate(info, info::kUpdatedYear, info::kUpdatedMonth, info::kUpdatedDay,
            TextField(dsid, "DSID_UADT"));
    PutDate(info, info::kIssueYear, info::kIssueMonth, info::kIssueDay,
            TextField(dsid, "DSID_ISDT"));
    // S-57's horizontal datum code goes in as it is; the document maps it by
    // name. The second code stays 0.
    info.SetU8(info::kHorizontalDatum,
               std::uint8_t(std::clamp(IntField(dsid, "DSPM_HDAT"), 0, 255)));
    info.SetU8(info::kHeightDatum, std::uint8_t(std::clamp(IntField(dsid, "DSPM_VDAT"), 0, 255)));
    info.SetU8(info::kDepthDatum, std::uint8_t(std::clamp(IntField(dsid, "DSPM_SDAT"), 0, 255)));
    info.SetI32(info::kScale, IntField(dsid, "DSPM_CSCL"));
    // S-57 depth units: 1 metres, 2 fathoms and feet, 3 feet, 4 fathoms and
    // fractions; ours: 1 metres, 2 feet, 3 fathoms, 4 the text beside it.
    switch (IntField(dsid, "DSPM_DUNI")) {
    case 1: info.SetU8(info::kDepthUnits, 1); break;
    case 3: info.SetU8(info::kDepthUnits, 2); break;
    case 4: info.SetU8(info::kDepthUnits, 3); break;
    case 2:
        info.SetU8(info::kDepthUnits, 4);
        info.SetText(info::kUnitsText, info::kUnitsTextWidth, "fm and ft");
        break;
    default: break;
    }
    info.SetText(info::kShortText, info::kShortTextWidth,
                 "IU" + std::to_string(std::clamp(IntField(dsid, "DSID_INTU"), 0, 9)));
    if (const char* comment = TextField(dsid, "DSID_COMT"))
        info.SetText(info::kTitle, info::kTitleWidth, comment);
}

// The object class of every feature is read by the S-57 driver as its table
// index: it sizes a table by the largest class number a cell gives. A cell
// whose description reads that number other than as S-57's two-byte
// unsigned field could ask for gigabytes, so such a layout is refused before
// the driver reads it. Returns why the file at `path` is refused, or nothing.
std::string FeatureLayoutFault(const std::string& path)
{
    VSILFILE* f = VSIFOpenL(path.c_str(), "rb");
    if (!f)
        return {};   // the driver says what is wrong with a file it cannot read
    std::string ddr(24, '\0');
    const std::size_t got = VSIFReadL(ddr.data(), 1, ddr.size(), f);
    const auto digits = [&ddr](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (i >= ddr.size() || !std::isdigit(static_cast<unsigned char>(ddr[i])))
                return -1;
            v = v * 10 + (ddr[i] - '0');
        }
        return v;
    };
    const int length = got == 24 ? digits(0, 5) : -1;
    if (length > 24 && length <= 1 << 20) {
        ddr.resize(static_cast<std::size_t>(length));
        if (VSIFReadL(ddr.data() + 24, 1, ddr.size() - 24, f) != ddr.size() - 24)
            ddr.resize(24);
    }
    VSIFCloseL(f);
    const int base = digits(12, 5), sizeLen = digits(20, 1), sizePos = digits(21, 1),
              sizeTag = digits(23, 1);
    if (ddr.size() <= 24 || base <= 24 || sizeLen <= 0 || sizePos <= 0 || sizeTag <= 0)
        return {};   // not a data description the driver would take either
    const std::size_t entry = static_cast<std::size_t>(sizeTag + sizeLen + sizePos);
    for (std::size_t at = 24; at + entry <= ddr.size() && ddr[at] != '\x1e'; at += entry) {
        if (ddr.compare(at, static_cast<std::size_t>(sizeTag), "FRID") != 0)
            continue;
        const int len =
            digits(at + static_cast<std::size_t>(sizeTag), static_cast<std::size_t>(sizeLen));
        const int pos = digits(at + static_cast<std::size_t>(sizeTag + sizeLen),
                               static_cast<std::size_t>(sizePos));
        const std::size_t from = static_cast<std::size_t>(base) + static_cast<std::size_t>(pos);
        if (len <= 0 || pos < 0 || from + static_cast<std::size_t>(len) > ddr.size())
            return "the feature record's description lies outside the cell's header";
        // Field controls and name, then the subfield names, then their formats.
        const std::string field = ddr.substr(from, static_cast<std::size_t>(len));
        const std::size_t names = field.find('\x1f');
        const std::size_t formats =
            names == std::string::npos ? names : field.find('\x1f', names + 1);
        if (formats == std::string::npos)
            return "the feature record's description is incomplete";
        const std::string nameList = field.substr(names + 1, formats - names - 1);
        std::string formatList = field.substr(formats + 1);
        formatList.erase(std::remove_if(formatList.begin(), formatList.end(),
                                        [](char c) { return c == '(' || c == ')' || c == '\x1e'; }),
                         formatList.end());
        // "2b11" stands for "b11,b11".
        std::vector<std::string> expanded;
        std::size_t start = 0;
        while (start <= formatList.size() && expanded.size() < 64) {
            const std::size_t comma = std::min(formatList.find(',', start), formatList.size());
            std::string item = formatList.substr(start, comma - start);
            std::size_t n = 0;
            int repeat = 0;
            while (n < item.size() && std::isdigit(static_cast<unsigned char>(item[n])) &&
                   repeat < 64)
                repeat = repeat * 10 + (item[n++] - '0');
            for (int r = 0; r < std::max(repeat, 1) && expanded.size() < 64; ++r)
                expanded.push_back(item.substr(n));
            start = comma + 1;
        }
        const std::vector<std::string> standard{"b11", "b14", "b11", "b11", "b12", "b12", "b11"};
        if (nameList != "RCNM!RCID!PRIM!GRUP!OBJL!RVER!RUIN" || expanded != standard)
            return "its feature records are not laid out as S-57's (object class \"" + nameList +
                   "\" read as \"" + formatList + "\")";
    }
    return {};
}

}   // namespace

void EnsureGdalReady()
{
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        CPLSetConfigOption("CPL_LOG", "/dev/null");
    });
}

UpdateSequence FindUpdates(const std::string& cell)
{
    std::string folder, stem;
    SplitCell(cell, folder, stem);
    std::set<int> present;
    char** entries = VSIReadDir(folder.c_str());
    for (int i = 0; entries && entries[i]; ++i) {
        std::string name = entries[i];
        auto dot = name.find_last_of('.');
        if (dot == std::string::npos || name.substr(0, dot) != stem)
            continue;
        std::string ext = name.substr(dot + 1);
        if (IsThreeDigits(ext) && ext != "000")
            present.insert(std::atoi(ext.c_str()));
    }
    CSLDestroy(entries);
    UpdateSequence seq;
    while (present.count(seq.contiguous + 1))
        ++seq.contiguous;
    if (!present.empty() && *present.rbegin() > seq.contiguous) {
        char ext[16];
        std::snprintf(ext, sizeof ext, "%03d", seq.contiguous + 1);
        seq.missing = stem + "." + ext;
    }
    return seq;
}

S57ImportResult ImportS57Cell(const std::string& cell, bool applyUpdates, VChartData& chart)
{
    EnsureGdalReady();
    S57ImportResult result;
    chart = VChartData();
    UpdateSequence seq = applyUpdates ? FindUpdates(cell) : UpdateSequence{};
    result.missingUpdate = seq.missing;
    result.updatesApplied = seq.contiguous;

    for (int update = 0; update <= (applyUpdates ? seq.contiguous : 0); ++update) {
        std::string folder, stem, file = cell;
        SplitCell(cell, folder, stem);
        if (update > 0) {
            char ext[8];
            std::snprintf(ext, sizeof ext, "%03d", update);
            file = folder + "/" + stem + "." + ext;
        }
        if (std::string why = FeatureLayoutFault(file); !why.empty()) {
            result.error = file.substr(file.find_last_of('/') + 1) + ": " + why;
            return result;
        }
    }

    const char* drivers[] = {"S57", nullptr};
    const char* options[] = {applyUpdates ? "UPDATES=APPLY" : "UPDATES=IGNORE",
                             "SPLIT_MULTIPOINT=OFF",
                             "RETURN_PRIMITIVES=OFF",
                             "RETURN_LINKAGES=OFF",
                             "LIST_AS_STRING=ON",
                             nullptr};
    CPLErrorReset();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    std::unique_ptr<void, CloseDataset> ds(
        GDALOpenEx(cell.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, options, nullptr));
    if (!ds) {
        std::string why = CPLGetLastErrorMsg();
        CPLPopErrorHandler();
        result.error = why.empty() ? "not an S-57 cell" : why;
        return result;
    }

    bool haveDsid = false, haveCoverage = false;
    VBounds coverage, all;
    bool anyBounds = false;
    auto widen = [](VBounds& b, const VBounds& f, bool& any) {
        if (!any) {
            b = f;
            any = true;
            return;
        }
        b.west = std::min(b.west, f.west);
        b.south = std::min(b.south, f.south);
        b.east = std::max(b.east, f.east);
        b.north = std::max(b.north, f.north);
    };
    const int layers = GDALDatasetGetLayerCount(ds.get());
    for (int l = 0; l < layers; ++l) {
        OGRLayerH layer = GDALDatasetGetLayer(ds.get(), l);
        std::string layerName = OGR_L_GetName(layer);
        OGR_L_ResetReading(layer);
        while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
            if (layerName == "DSID") {
                FillFromDsid(f, chart.info, chart);
                haveDsid = true;
                OGR_F_Destroy(f);
                continue;
            }
            VFeature vf;
            vf.objectClass = layerName;
            OGRFeatureDefnH defn = OGR_F_GetDefnRef(f);
            for (int i = 0; i < OGR_FD_GetFieldCount(defn); ++i) {
                if (!OGR_F_IsFieldSetAndNotNull(f, i))
                    continue;
                vf.attributes.emplace_back(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(defn, i)),
                                           OGR_F_GetFieldAsString(f, i));
            }
            AddGeometry(OGR_F_GetGeometryRef(f), vf);
            vf.ComputeBounds();
            if (!vf.parts.empty()) {
                bool fullCoverage = false;
                if (layerName == "M_COVR") {
                    const std::string* cat = vf.Attribute("CATCOV");
                    fullCoverage = cat && *cat == "1";
                }
                if (fullCoverage)
                    widen(coverage, vf.bounds, haveCoverage);
                widen(all, vf.bounds, anyBounds);
            }
            if (layerName == "M_NSYS") {
                const std::string* marsys = vf.Attribute("MARSYS");
                if (marsys && (*marsys == "1" || *marsys == "2"))
                    chart.info.SetU8(info::kBuoyage, std::uint8_t(*marsys == "1" ? 1 : 2));
            }
            if (layerName == "SOUNDG")
                AddSoundings(OGR_F_GetGeometryRef(f), vf, chart);
            else
                chart.features.push_back(std::move(vf));
            OGR_F_Destroy(f);
        }
    }
    std::string lastError = CPLGetLastErrorType() >= CE_Failure ? CPLGetLastErrorMsg() : "";
    CPLPopErrorHandler();
    if (!haveDsid) {
        result.error = lastError.empty() ? "the cell has no data set identification" : lastError;
        return result;
    }
    if (!anyBounds) {
        result.error = "the cell holds no geometry";
        return result;
    }
    const VBounds& extent = haveCoverage ? coverage : all;
    chart.info.SetI32(info::kWest, extent.west);
    chart.info.SetI32(info::kSouth, extent.south);
    chart.info.SetI32(info::kEast, extent.east);
    chart.info.SetI32(info::kNorth, extent.north);
    if (chart.info.Text(info::kName, info::kNameWidth).empty()) {
        std::string folder, stem;
        SplitCell(cell, folder, stem);
        chart.info.SetText(info::kName, info::kNameWidth, Upper(stem));
    }
    result.ok = true;
    return result;
}

}   // namespace vengine

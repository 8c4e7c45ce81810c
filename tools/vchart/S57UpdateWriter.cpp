#include "S57UpdateWriter.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

#include "platform/LocaleFreeNumbers.h"

namespace vchart {

namespace {

constexpr char kUnitEnd = 0x1f;
constexpr char kFieldEnd = 0x1e;
constexpr double kCoordinateFactor = 1e7;   // COMF, as GDAL's writer sets it in the base
constexpr int kAgency = 550;

// Codes of the S-57 object and attribute catalogues for what the samples update.
const std::map<std::string, int> kClassCodes = {{"BOYLAT", 17}, {"LIGHTS", 75}};
const std::map<std::string, int> kAttributeCodes = {{"BOYSHP", 4},   {"CATLAM", 36},
                                                    {"COLOUR", 75},  {"LITCHR", 107},
                                                    {"SCAMIN", 133}, {"SIGPER", 142}};

enum : int { kFeatureRecord = 100, kIsolatedNode = 110 };
enum : int { kInsert = 1, kDelete = 2, kModify = 3 };

// Little-endian unsigned integers of 1, 2 or 4 bytes (ISO 8211 "b1n").
void Unsigned(std::string& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char((v >> (8 * i)) & 0xff);
}

void Text(std::string& out, const std::string& s)
{
    out += s;
    out += kUnitEnd;
}

std::string VectorId(int rcnm, int rcid, int version, int instruction)
{
    std::string f;
    Unsigned(f, std::uint32_t(rcnm), 1);
    Unsigned(f, std::uint32_t(rcid), 4);
    Unsigned(f, std::uint32_t(version), 2);
    Unsigned(f, std::uint32_t(instruction), 1);
    return f + kFieldEnd;
}

std::string FeatureId(int rcid, int prim, int objl, int version, int instruction)
{
    std::string f;
    Unsigned(f, kFeatureRecord, 1);
    Unsigned(f, std::uint32_t(rcid), 4);
    Unsigned(f, std::uint32_t(prim), 1);
    Unsigned(f, 2, 1);   // GRUP
    Unsigned(f, std::uint32_t(objl), 2);
    Unsigned(f, std::uint32_t(version), 2);
    Unsigned(f, std::uint32_t(instruction), 1);
    return f + kFieldEnd;
}

std::string ObjectId(int fidn)
{
    std::string f;
    Unsigned(f, kAgency, 2);
    Unsigned(f, std::uint32_t(fidn), 4);
    Unsigned(f, 1, 2);   // FIDS
    return f + kFieldEnd;
}

std::uint32_t Coordinate(double degrees)
{
    return std::uint32_t(std::int32_t(std::floor(degrees * kCoordinateFactor + 0.5)));
}

}   // namespace

bool CS57UpdateWriter::Begin(const std::string& basePath, const UpdateHeader& h, std::string& error)
{
    std::ifstream in(basePath, std::ios::binary);
    const std::string base((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto length = base.size() >= 24 ? platform::ParseDouble(base.substr(0, 5)) : std::nullopt;
    // The data descriptive record: its leader says so ('L') and gives its length.
    if (!length || *length < 24 || *length > double(base.size()) || base[6] != 'L') {
        error = basePath + " does not start with an ISO 8211 data descriptive record";
        return false;
    }
    m_bytes = base.substr(0, std::size_t(*length));
    m_nextRecord = 1;

    std::string dsid;
    Unsigned(dsid, 10, 1);   // RCNM: data set identification
    Unsigned(dsid, 1, 4);
    Unsigned(dsid, 2, 1);   // EXPP: revision
    Unsigned(dsid, std::uint32_t(h.intendedUsage), 1);
    const std::string stem = basePath.substr(basePath.find_last_of('/') + 1);
    Text(dsid, stem);
    Text(dsid, h.edition);
    Text(dsid, std::to_string(h.updateNumber));
    dsid += h.date.substr(0, 8);   // UADT, A(8)
    dsid += h.date.substr(0, 8);   // ISDT, A(8)
    dsid += "03.1";   // STED, R(4)
    Unsigned(dsid, 1, 1);   // PRSP: ENC
    Text(dsid, "");
    Text(dsid, "2.0");
    Unsigned(dsid, 1, 1);   // PROF: ENC new edition / revision
    Unsigned(dsid, kAgency, 2);
    Text(dsid, h.comment);
    dsid += kFieldEnd;
    std::string dssi;
    Unsigned(dssi, 2, 1);   // DSTR: chain-node
    Unsigned(dssi, 0, 1);
    Unsigned(dssi, 0, 1);
    for (int i = 0; i < 8; ++i)
        Unsigned(dssi, 0, 4);
    dssi += kFieldEnd;
    Record({{"DSID", dsid}, {"DSSI", dssi}});
    m_ok = true;
    return true;
}

void CS57UpdateWriter::Record(const std::vector<Field>& fields)
{
    std::vector<Field> all;
    std::string index;
    Unsigned(index, std::uint32_t(m_nextRecord++), 2);
    all.push_back({"0001", index + kFieldEnd});
    all.insert(all.end(), fields.begin(), fields.end());
    // Directory entries: tag, 5-digit length, 5-digit position in the field area.
    std::string directory, area;
    for (const auto& [tag, data] : all) {
        directory += tag + platform::FormatC("%05zu%05zu", data.size(), area.size());
        area += data;
    }
    directory += kFieldEnd;
    const std::size_t base = 24 + directory.size();
    const std::size_t length = base + area.size();
    m_bytes += platform::FormatC("%05zu D     %05zu   5504", length, base);
    m_bytes += directory;
    m_bytes += area;
}

bool CS57UpdateWriter::AttributeField(const Attributes& attrs, std::string& field) const
{
    field.clear();
    for (const auto& [name, value] : attrs) {
        const auto code = kAttributeCodes.find(name);
        if (code == kAttributeCodes.end())
            return false;
        Unsigned(field, std::uint32_t(code->second), 2);
        Text(field, value);
    }
    field += kFieldEnd;
    return true;
}

bool CS57UpdateWriter::InsertPoint(const std::string& cls, int featureId, int nodeId, LonLat p,
                                   const Attributes& attrs)
{
    const auto objl = kClassCodes.find(cls);
    std::string attf;
    if (!m_ok || objl == kClassCodes.end() || !AttributeField(attrs, attf))
        return false;
    std::string sg2d;
    Unsigned(sg2d, Coordinate(p.lat), 4);
    Unsigned(sg2d, Coordinate(p.lon), 4);
    sg2d += kFieldEnd;
    Record({{"VRID", VectorId(kIsolatedNode, nodeId, 1, kInsert)}, {"SG2D", sg2d}});
    std::string fspt;
    Unsigned(fspt, kIsolatedNode, 1);   // NAME: RCNM and RCID
    Unsigned(fspt, std::uint32_t(nodeId), 4);
    Unsigned(fspt, 255, 1);   // ORNT, USAG, MASK: not relevant
    Unsigned(fspt, 255, 1);
    Unsigned(fspt, 255, 1);
    fspt += kFieldEnd;
    Record({{"FRID", FeatureId(featureId, 1, objl->second, 1, kInsert)},
            {"FOID", ObjectId(featureId)},
            {"ATTF", attf},
            {"FSPT", fspt}});
    return true;
}

bool CS57UpdateWriter::DeleteSoundings(int nodeId, int version, int index, int count)
{
    if (!m_ok || index < 1 || count < 1)
        return false;
    std::string sgcc;
    Unsigned(sgcc, kDelete, 1);   // CCUI
    Unsigned(sgcc, std::uint32_t(index), 2);
    Unsigned(sgcc, std::uint32_t(count), 2);
    sgcc += kFieldEnd;
    Record({{"VRID", VectorId(kIsolatedNode, nodeId, version + 1, kModify)}, {"SGCC", sgcc}});
    return true;
}

bool CS57UpdateWriter::ChangeAttributes(const std::string& cls, int prim, int featureId,
                                        int version, const Attributes& attrs)
{
    const auto objl = kClassCodes.find(cls);
    std::string attf;
    if (!m_ok || objl == kClassCodes.end() || !AttributeField(attrs, attf))
        return false;
    Record({{"FRID", FeatureId(featureId, prim, objl->second, version + 1, kModify)},
            {"FOID", ObjectId(featureId)},
            {"ATTF", attf}});
    return true;
}

bool CS57UpdateWriter::Write(const std::string& path, std::string& error) const
{
    if (!m_ok) {
        error = "no update begun";
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(m_bytes.data(), std::streamsize(m_bytes.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}   // namespace vchart

#include "db/DBARCSCat.h"

#include "db/ImportStaging.h"
#include "db/OlderTable.h"
#include "platform/Ascii.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace db {

namespace {

constexpr const char* kFilter = ".NOT. DELETED()";

// Every file of the folder whose name (without extension) is `stem`, any case.
std::vector<fs::path> FilesNamed(const fs::path& folder, const std::string& stem)
{
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && platform::EqualNoCaseAscii(it->path().stem().string(), stem))
            out.push_back(it->path());
    }
    return out;
}

}   // namespace

CDBARCSCat::CDBARCSCat()
{
    m_fieldList.Add("NO", 'C', 8, 0);
    m_fieldList.Add("DESC", 'C', 132, 0);
    m_fieldList.Add("CHCDID", 'C', 10, 0);
    m_fieldList.Add("CHCDDOP", 'C', 8, 0);
    m_fieldList.Add("UPCDID", 'C', 10, 0);
    m_fieldList.Add("UPCDDOP", 'C', 8, 0);
    m_fieldList.Add("SOURCE", 'N', 3, 0);
    m_fieldList.Add("CHPTR", 'N', 7, 0);
    m_fieldList.Add("SCALE", 'N', 8, 0);
    m_fieldList.Add("HO", 'N', 3, 0);
    m_tagList.Add("T_NO", "NO", kFilter);
    m_tagList.Add("T_DESC", "LEFT( DESC, 30 )", kFilter);
    m_tagList.Add("T_CHCDID", "CHCDID", kFilter);
    m_tagList.Add("T_UPCDID", "UPCDID", kFilter);
    m_tagList.Add("T_SCALE", "SCALE", kFilter);
    m_tagList.Add("T_HO", "HO", kFilter);
    m_tagList.Add("T_HO_NO", "STR( HO, 3, 0 ) + NO", kFilter);
}

CDBARCSCat::~CDBARCSCat()
{
    Close();
}

void CDBARCSCat::ListTexts(std::vector<TextMember>& out) const
{
    out.push_back({"NO", &m_no});
    out.push_back({"DESC", &m_desc});
    out.push_back({"CHCDID", &m_chcdid});
    out.push_back({"CHCDDOP", &m_chcddop});
    out.push_back({"UPCDID", &m_upcdid});
    out.push_back({"UPCDDOP", &m_upcddop});
}

bool CDBARCSCat::Open(bool readOnly, bool recreate)
{
    if (IsOpen())
        return true;
    const std::string data = GetFilePath() + ".dbf";
    std::vector<std::pair<std::string, char>> fields;
    const fs::path resolved = ResolveNoCase(data);
    std::error_code ec;
    if (fs::exists(resolved, ec) && COlderTable::ReadFields(resolved.string(), fields)) {
        for (const auto& [name, type] : fields) {
            if (platform::EqualNoCaseAscii(name, "CHCDPATH")) {
                if (!ConvertOlderLayout())
                    return Fail("The chart catalogue " + GetFilePath() +
                                " is in the older layout and could not be converted.");
                break;
            }
        }
    }
    if (!CDBTextTable::Open(readOnly, recreate))
        return false;
    SelectTag("T_NO");
    return true;
}

bool CDBARCSCat::ConvertOlderLayout()
{
    const fs::path folder = GetFolder().empty() ? fs::path(".") : fs::path(GetFolder());
    const std::string stem = GetName();
    std::error_code ec;
    // 1. Copies of the older files as "~tmp"; a failed copy leaves the
    //    original untouched and the conversion refused. A "~tmp" of a
    //    conversion that stopped part way is only ever a copy: the originals
    //    stay in place until the new table has taken it.
    for (const fs::path& old : FilesNamed(folder, "~tmp"))
        fs::remove(old, ec);
    const fs::path data = ResolveNoCase((folder / (stem + ".dbf")).string());
    const fs::path memo = ResolveNoCase((folder / (stem + ".dbt")).string());
    if (!fs::copy_file(data, folder / "~tmp.dbf", fs::copy_options::overwrite_existing, ec))
        return false;
    const bool hasMemo = fs::exists(memo, ec);
    if (hasMemo &&
        !fs::copy_file(memo, folder / "~tmp.dbt", fs::copy_options::overwrite_existing, ec))
        return false;
    COlderTable older;
    if (!older.Open((folder / "~tmp.dbf").string(),
                    hasMemo ? (folder / "~tmp.dbt").string() : std::string{}))
        return false;
    // 2. The new table is built whole beside the old one and only then takes
    //    its place: a conversion stopped or killed part way leaves the older
    //    catalogue as it was, to be converted at the next open.
    CImportStaging staging(folder.string(), stem);
    if (!staging.IsReady())
        return false;
    CDBARCSCat staged;
    staged.SetFilePath(staging.TablePath());
    if (!staged.CDBTextTable::Open(false, false))
        return false;
    bool ok = true;
    auto number = [&](int r, std::string_view f) { return NumberFromText(older.Text(r, f)); };
    for (int r = 0; r < older.RecordCount() && ok; ++r) {
        if (older.Deleted(r))
            continue;
        staged.ClearRecord();
        staged.m_no = Decode(older.Text(r, "NO"));
        staged.m_desc = Decode(older.Text(r, "DESC"));
        staged.m_chcdid = Decode(older.Text(r, "CHCDID"));
        staged.m_chcddop = Decode(older.Text(r, "CHCDDOP"));
        staged.m_upcdid = Decode(older.Text(r, "UPCDID"));
        staged.m_upcddop = Decode(older.Text(r, "UPCDDOP"));
        staged.m_source = std::uint8_t(long(number(r, "SOURCE")) & 0xFF);
        staged.m_chptr = std::uint32_t(number(r, "CHPTR"));
        staged.m_scale = std::int32_t(number(r, "SCALE"));
        staged.m_ho = std::uint32_t(long(number(r, "HO")) & 0xFF);
        ok = staged.AppendNew();
    }
    ok = staged.FlushIfOpen() && ok;
    ok = staged.Close() && ok;
    if (!ok || !staging.Commit())
        return false;
    // 3. Every other file of the older table goes (its memo file, names in
    //    another case), and the copies with them.
    RemoveOlderTableFiles(folder.string(), stem);
    for (const fs::path& file : FilesNamed(folder, "~tmp"))
        fs::remove(file, ec);
    return true;
}

bool CDBARCSCat::LoadRecord()
{
    CDBInterface::LoadRecord();
    m_no = Text("NO");
    m_desc = Text("DESC");
    m_chcdid = Text("CHCDID");
    m_chcddop = Text("CHCDDOP");
    m_upcdid = Text("UPCDID");
    m_upcddop = Text("UPCDDOP");
    m_source = std::uint8_t(Integer("SOURCE") & 0xFF);
    m_chptr = std::uint32_t(Number("CHPTR"));
    m_scale = std::int32_t(Integer("SCALE"));
    m_ho = std::uint32_t(Integer("HO") & 0xFF);
    return true;
}

bool CDBARCSCat::StoreRecord()
{
    bool ok = CDBInterface::StoreRecord();
    ok = ok && PutText("NO", m_no) && PutText("DESC", m_desc) && PutText("CHCDID", m_chcdid) &&
         PutText("CHCDDOP", m_chcddop) && PutText("UPCDID", m_upcdid) &&
         PutText("UPCDDOP", m_upcddop);
    return ok && PutInteger("SOURCE", m_source, 3) && PutInteger("CHPTR", m_chptr, 7) &&
           PutInteger("SCALE", m_scale, 8) && PutInteger("HO", m_ho & 0xFF, 3);
}

void CDBARCSCat::ClearRecord()
{
    m_no.clear();
    m_desc.clear();
    m_chcdid.clear();
    m_chcddop.clear();
    m_upcdid.clear();
    m_upcddop.clear();
    m_source = 0;
    m_chptr = 0;
    m_scale = 0;
    m_ho = 0;
}

void CDBARCSCat::CopyRecord(const CDBARCSCat& o)
{
    m_no = o.m_no;
    m_desc = o.m_desc;
    m_chcdid = o.m_chcdid;
    m_chcddop = o.m_chcddop;
    m_upcdid = o.m_upcdid;
    m_upcddop = o.m_upcddop;
    m_source = o.m_source;
    m_chptr = o.m_chptr;
    m_scale = o.m_scale;
    m_ho = o.m_ho;
}

std::string CDBARCSCat::NumberKey(const std::string& number)
{
    std::string key = platform::AsciiUpperCopy(number);
    if (key.size() < 8)
        key.append(8 - key.size(), ' ');
    return key;
}

std::string CDBARCSCat::OfficeKey(std::uint32_t office)
{
    std::string key = std::to_string(office);
    if (key.size() < 3)
        key.insert(0, 3 - key.size(), ' ');
    return key;
}

bool CDBARCSCat::SeekKey(const std::string& number)
{
    return IsOpen() && Seek(NumberKey(number));
}

bool CDBARCSCat::SeekHO(std::uint32_t office)
{
    if (!IsOpen())
        return false;
    SelectTag("T_HO");
    const bool found = Seek(OfficeKey(office));
    SelectTag("T_NO");
    return found;
}

bool CDBARCSCat::SeekHONumber(std::uint32_t office, const std::string& number)
{
    if (!IsOpen())
        return false;
    SelectTag("T_HO_NO");
    const bool found = Seek(OfficeKey(office) + NumberKey(number));
    SelectTag("T_NO");
    return found;
}

}   // namespace db

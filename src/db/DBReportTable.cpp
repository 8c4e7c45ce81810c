#include "db/DBReportTable.h"

namespace db {

namespace {

CodePage StoredPage(report::CellCodePage page)
{
    return page == report::CellCodePage::Oem437 ? CodePage::Oem437 : CodePage::Windows1252;
}

}   // namespace

CDBReportTable::CDBReportTable(std::vector<ReportField> fields,
                               std::shared_ptr<dbase::CDbaseEngine> engine)
    : CDBTextTable(std::move(engine)), report::CReportTable(std::move(fields))
{
    for (const ReportField& f : ReportFields())
        m_fieldList.Add(f.name, f.type, f.type == 'M' ? 10 : f.width, f.decimals);
}

bool CDBReportTable::LoadRecord()
{
    if (!CDBInterface::LoadRecord())
        return false;
    for (std::size_t i = 0; i < ReportFields().size(); ++i) {
        const ReportField& f = ReportFields()[i];
        if (f.type == 'N')
            m_cells[i] = Field(f.name).Trimmed();
        else
            m_cells[i] = Text(f.name, StoredPage(f.page));
        if (f.type == 'N') {
            const std::size_t first = m_cells[i].find_first_not_of(' ');
            m_cells[i].erase(0, first == std::string::npos ? m_cells[i].size() : first);
        }
    }
    return true;
}

bool CDBReportTable::StoreRecord()
{
    bool ok = CDBInterface::StoreRecord();
    for (std::size_t i = 0; ok && i < ReportFields().size(); ++i) {
        const ReportField& f = ReportFields()[i];
        const std::string& cell = i < m_cells.size() ? m_cells[i] : std::string();
        if (f.type == 'N' && f.decimals > 0)
            ok = PutDouble(f.name, NumberFromText(cell), f.width, f.decimals);
        else if (f.type == 'N')
            ok = PutInteger(f.name, static_cast<long long>(NumberFromText(cell)), f.width);
        else
            ok = PutText(f.name, cell, StoredPage(f.page));   // a text too long is cut to the field
    }
    return ok;
}

void CDBReportTable::ClearRecord()
{
    ClearCells();
}

bool CDBReportTable::CreateAt(const std::string& base)
{
    SetFilePath(base);
    return Open();
}

std::unique_ptr<report::CReportTable> MakeReportTable(const std::vector<ReportField>& fields,
                                                      std::shared_ptr<dbase::CDbaseEngine> engine)
{
    return std::make_unique<CDBReportTable>(fields, std::move(engine));
}

namespace {
constexpr report::CellCodePage kOem = report::CellCodePage::Oem437;
}

const std::vector<ReportField>& ReportChartpointFields()
{
    static const std::vector<ReportField> f{{"NAME", 'C', 25},      {"ID", 'C', 8},
                                            {"LAT", 'C', 15, kOem}, {"LNG", 'C', 15, kOem},
                                            {"AREA", 'C', 20},      {"GROUP", 'C', 20}};
    return f;
}

// TIME holds a twelve-hour time with its AM/PM ("11:30 PM"), so it is wider
// than five characters.
const std::vector<ReportField>& ReportLogFields()
{
    static const std::vector<ReportField> f{
        {"DATE", 'C', 10},      {"TIME", 'C', 11},   {"LAT", 'C', 15, kOem},
        {"LNG", 'C', 15, kOem}, {"DSHIFT", 'C', 15}, {"COG", 'C', 5},
        {"SOG", 'C', 5},        {"TYPE", 'C', 13},   {"NOTE", 'M', 10}};
    return f;
}

const std::vector<ReportField>& ReportVesselLogFields()
{
    static const std::vector<ReportField> f{
        {"VESSELTYPE", 'N', 3}, {"VESSELSTR", 'C', 25}, {"VESSELNAME", 'C', 32},
        {"VOYAGEID", 'C', 20},  {"OOWNAME", 'C', 20},   {"STARTTIME", 'C', 11},
        {"STARTDATE", 'C', 10}, {"ENDTIME", 'C', 11},   {"ENDDATE", 'C', 10}};
    return f;
}

const std::vector<ReportField>& ReportRouteFields()
{
    static const std::vector<ReportField> f{
        {"NAME", 'C', 25}, {"LAT", 'C', 15, kOem}, {"LNG", 'C', 15, kOem}, {"DSHIFT", 'C', 15},
        {"TYPE", 'C', 2},  {"DIST", 'C', 10},      {"COURSE", 'C', 3}};
    return f;
}

// Attachment paths are shortened to 28 characters before they are stored;
// 254 is the widest text field dBASE IV readers take.
const std::vector<ReportField>& ReportRouteListFields()
{
    static const std::vector<ReportField> f{
        {"NAME", 'C', 25},     {"FROM", 'C', 25},     {"TO", 'C', 25},       {"ATTACH1", 'C', 254},
        {"ATTACH2", 'C', 254}, {"ATTACH3", 'C', 254}, {"ATTACH4", 'C', 254}, {"MEMO", 'M', 10}};
    return f;
}

const std::vector<ReportField>& ReportChartFolioFields()
{
    static const std::vector<ReportField> f{
        {"HO", 'N', 3},           {"HONAME", 'C', 70},   {"CHARTNO", 'C', 8},
        {"CHARTDSRPT", 'C', 132}, {"SCALE", 'C', 15},    {"UPCDDOP", 'C', 10},
        {"UPCDID", 'C', 10},      {"CHCDDOP", 'C', 10},  {"CHCDID", 'C', 10},
        {"CHCDPATH", 'C', 254},   {"UPCDPATH", 'C', 254}};
    return f;
}

const std::vector<ReportField>& ReportPlanFields()
{
    static const std::vector<ReportField> f{{"NAME", 'C', 25},
                                            {"ID", 'C', 8},
                                            {"LATITUDE", 'C', 14, kOem},
                                            {"LONGITUDE", 'C', 15, kOem},
                                            {"DATUMSHIFT", 'C', 15},
                                            {"LINK", 'C', 2},
                                            {"TIME", 'C', 11},
                                            {"DATE", 'C', 10},
                                            {"ZONE", 'C', 4},
                                            {"PASSAGETME", 'C', 12},
                                            {"ELAPSEDTME", 'C', 9},
                                            {"SET", 'C', 3},
                                            {"VARIATION", 'C', 5},
                                            {"DEVIATION", 'C', 5},
                                            {"COURSE", 'C', 3},
                                            {"TRUECRSE", 'C', 3},
                                            {"MAGCRSE", 'C', 3},
                                            {"COMPCRSE", 'C', 3},
                                            {"DISTANCE", 'C', 10},
                                            {"TOTAL", 'C', 10},
                                            {"TOGO", 'C', 10},
                                            {"DRIFT", 'N', 5, report::CellCodePage::Windows1252, 2},
                                            {"MEMO", 'M', 10}};
    return f;
}

}   // namespace db

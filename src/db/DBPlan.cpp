#include "db/DBPlan.h"

namespace db {

// The time column is wide enough for a twelve-hour time with seconds
// ("11:30:45 PM"); the report table is made anew for every report.
const CDBPlan::Column CDBPlan::kColumns[] = {
    {"NAME", 25, &CDBPlan::m_name, CodePage::Windows1252},
    {"ID", 8, &CDBPlan::m_ident, CodePage::Windows1252},
    {"LATITUDE", 14, &CDBPlan::m_latitude, CodePage::Oem437},
    {"LONGITUDE", 15, &CDBPlan::m_longitude, CodePage::Oem437},
    {"DATUMSHIFT", 15, &CDBPlan::m_datumShift, CodePage::Windows1252},
    {"LINK", 2, &CDBPlan::m_link, CodePage::Windows1252},
    {"TIME", 11, &CDBPlan::m_time, CodePage::Windows1252},
    {"DATE", 10, &CDBPlan::m_date, CodePage::Windows1252},
    {"ZONE", 4, &CDBPlan::m_zone, CodePage::Windows1252},
    {"PASSAGETME", 12, &CDBPlan::m_passageTime, CodePage::Windows1252},
    {"ELAPSEDTME", 9, &CDBPlan::m_elapsedTime, CodePage::Windows1252},
    {"SET", 3, &CDBPlan::m_set, CodePage::Windows1252},
    {"VARIATION", 5, &CDBPlan::m_variation, CodePage::Windows1252},
    {"DEVIATION", 5, &CDBPlan::m_deviation, CodePage::Windows1252},
    {"COURSE", 3, &CDBPlan::m_course, CodePage::Windows1252},
    {"TRUECRSE", 3, &CDBPlan::m_trueCourse, CodePage::Windows1252},
    {"MAGCRSE", 3, &CDBPlan::m_magCourse, CodePage::Windows1252},
    {"COMPCRSE", 3, &CDBPlan::m_compCourse, CodePage::Windows1252},
    {"DISTANCE", 10, &CDBPlan::m_distance, CodePage::Windows1252},
    {"TOTAL", 10, &CDBPlan::m_total, CodePage::Windows1252},
    {"TOGO", 10, &CDBPlan::m_toGo, CodePage::Windows1252},
};

CDBPlan::CDBPlan()
{
    for (const Column& c : kColumns)
        m_fieldList.Add(c.field, 'C', c.width, 0);
    m_fieldList.Add("DRIFT", 'N', 5, 2);
    m_fieldList.Add("MEMO", 'M', 10, 0);
}

void CDBPlan::ListTexts(std::vector<TextMember>& out) const
{
    for (const Column& c : kColumns)
        out.push_back({c.field, &(this->*c.member), c.page});
    out.push_back({"MEMO", &m_memo});
}

bool CDBPlan::LoadRecord()
{
    CDBInterface::LoadRecord();
    for (const Column& c : kColumns)
        this->*c.member = Text(c.field, c.page);
    m_drift = Number("DRIFT");
    m_memo = Text("MEMO");
    return true;
}

bool CDBPlan::StoreRecord()
{
    bool ok = CDBInterface::StoreRecord();
    for (const Column& c : kColumns)
        ok = ok && PutText(c.field, this->*c.member, c.page);
    return ok && PutDouble("DRIFT", m_drift, 5, 2) && PutText("MEMO", m_memo);
}

void CDBPlan::ClearRecord()
{
    for (const Column& c : kColumns)
        (this->*c.member).clear();
    m_drift = 0;
    m_memo.clear();
}

}   // namespace db

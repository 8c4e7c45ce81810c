#pragma once
// CDBPlan: the report table of a passage plan, one record per waypoint line
// with every printed column as ready-made text. The position columns hold
// code page 437 text, as the plan reports read them; the others Windows-1252.

#include "db/DBTextTable.h"

#include <string>

namespace db {

class CDBPlan : public CDBTextTable {
public:
    CDBPlan();

    bool LoadRecord() override;
    bool StoreRecord() override;
    void ClearRecord() override;

    std::string m_name, m_ident, m_latitude, m_longitude, m_datumShift, m_link, m_time, m_date,
        m_zone;
    std::string m_passageTime, m_elapsedTime, m_set, m_variation, m_deviation, m_course,
        m_trueCourse;
    std::string m_magCourse, m_compCourse, m_distance, m_total, m_toGo, m_memo;
    double m_drift = 0;

protected:
    void ListTexts(std::vector<TextMember>& out) const override;

private:
    struct Column {
        const char* field;
        int width;
        std::string CDBPlan::*member;
        CodePage page;
    };
    static const Column kColumns[];
};

}   // namespace db

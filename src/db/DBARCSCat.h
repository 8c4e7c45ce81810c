#pragma once
// CDBARCSCat: the catalogue of installed raster charts, one record per chart
// of either raster chart service: its number and description, the chart
// medium and update medium it came from, where its files are and its office
// (which service it belongs to). "T_NO" is selected whenever the table is
// open and not searching by office.

#include "db/DBTextTable.h"

#include <cstdint>
#include <string>

namespace db {

class CDBARCSCat : public CDBTextTable {
public:
    CDBARCSCat();
    ~CDBARCSCat() override;

    // Converts a table of the older layout (one with a "CHCDPATH" field)
    // first, then opens and selects "T_NO".
    bool Open(bool readOnly = false, bool recreate = false) override;
    bool LoadRecord() override;
    bool StoreRecord() override;
    void ClearRecord() override;

    void CopyRecord(const CDBARCSCat& other);
    // The chart number in upper case, padded to 8, in the selected tag.
    bool SeekKey(const std::string& number);
    // The first chart of an office; "T_NO" selected again either way.
    bool SeekHO(std::uint32_t office);
    bool SeekHONumber(std::uint32_t office, const std::string& number);

    // The key texts the seeks use.
    static std::string NumberKey(const std::string& number);
    static std::string OfficeKey(std::uint32_t office);

    std::string m_no, m_desc, m_chcdid, m_chcddop, m_upcdid, m_upcddop;
    std::uint8_t m_source = 0;   // bit 0 chart files on disk, bit 1 update files on disk
    std::uint32_t m_chptr = 0;
    std::int32_t m_scale = 0;
    std::uint32_t m_ho = 0;

protected:
    void ListTexts(std::vector<TextMember>& out) const override;

private:
    // The older layout is taken over through "~tmp" copies in the table's
    // folder; the original files stay until every record is appended.
    bool ConvertOlderLayout();
};

}   // namespace db

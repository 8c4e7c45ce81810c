#include "db/DBAttachments.h"

#include "db/ImportStaging.h"
#include "db/OlderTable.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace db {

bool CDBAttachments::Open(bool readOnly, bool recreate)
{
    if (IsOpen())
        return true;
    FindFilesNoCase();
    std::vector<std::pair<std::string, char>> fields;
    // An older table may come with its extension in another case ("ATTCHMTS.DBF").
    const std::string dbf = ResolveNoCase(GetFilePath() + ".dbf").string();
    std::error_code ec;
    // The older layout keeps the text in a character field after UNIQUE,
    // MASTER_ID and TYPE.
    if (!readOnly && fs::exists(dbf, ec) && COlderTable::ReadFields(dbf, fields) &&
        fields.size() >= 4 && fields[3].second == 'C' && !TakeOverOlderLayout(dbf))
        return false;
    return CDBCompanion::Open(readOnly, recreate);
}

bool CDBAttachments::TakeOverOlderLayout(const std::string& dbf)
{
    COlderTable older;
    if (!older.Open(dbf, ResolveNoCase(GetFilePath() + ".dbt").string()))
        return Fail(older.GetMessage());
    CImportStaging staging(GetFolder(), GetName());
    if (!staging.IsReady())
        return Fail("No room for a new attachment table could be made in " + GetFolder() + ".");
    {
        CDBAttachments staged;
        staged.SetFilePath(staging.TablePath());
        if (!staged.CDBCompanion::Open())
            return Fail(staged.GetMessage());
        for (int r = 0; r < older.RecordCount(); ++r) {
            if (older.Deleted(r))
                continue;
            staged.m_masterId = long(NumberFromText(older.Text(r, "MASTER_ID")));
            staged.m_slot = int(NumberFromText(older.Text(r, "TYPE")));
            staged.m_data = Decode(older.Text(r, "DATA"));
            if (!staged.AppendNew())
                return Fail("Row " + std::to_string(r + 1) + " of " + dbf +
                            " could not be taken over.");
        }
        if (!staged.FlushIfOpen() || !staged.Close())
            return Fail("The new attachment table " + GetFilePath() + " could not be written.");
    }
    std::string error;
    if (!staging.Commit(&error))
        return Fail("The new attachment table " + GetFilePath() +
                    " could not take its place: " + error);
    RemoveOlderTableFiles(GetFolder(), GetName());
    m_message = older.GetWarning();
    return true;
}

}   // namespace db

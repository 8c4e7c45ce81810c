#pragma once
// COlderTable: a table of an older program version read in place, never
// changed: dBASE III and IV data files with dBASE III or IV memo files, the
// memo file named by the caller (older files pair "ipt" with "ipm", "rdb" with
// "rdm", "log" with "lom"). Fields are read by name as text.
//
// The whole file is checked when it opens, so an import that starts from it
// cannot fail half way: a file that is not a table, is shorter than its header
// says, or whose memo references point outside the memo file is refused with
// a message naming the file and the fault. Whole records past the header's
// count are read too, and GetWarning() names the wrong count.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace db {

class COlderTable {
public:
    // `memoPath` may be empty when the table has no memo field.
    bool Open(const std::string& dataPath, const std::string& memoPath = {});
    const std::string& GetMessage() const { return m_message; }
    // After a successful open: what was wrong but read anyway (a header
    // count below the records the file holds); empty when nothing was.
    const std::string& GetWarning() const { return m_warning; }

    int RecordCount() const { return m_count; }
    bool Deleted(int record) const;   // 0-based
    bool HasField(std::string_view name) const { return FieldIndex(name) >= 0; }
    int FieldCount() const { return int(m_fields.size()); }
    // Names and types of a table's fields from its header alone, in order;
    // false when the header cannot be read.
    static bool ReadFields(const std::string& dataPath,
                           std::vector<std::pair<std::string, char>>& fields);

    // The field's bytes without trailing blanks (a memo's whole text); empty
    // for a field the table lacks.
    std::string Text(int record, std::string_view name) const;

private:
    struct FieldInfo {
        std::string name;
        char type = 'C';
        int width = 0;
        int offset = 0;
    };
    int FieldIndex(std::string_view name) const;
    bool Refuse(const std::string& path, const std::string& fault);
    bool CheckMemos(const std::string& memoPath);
    // The memo at `block`; false when it lies outside the memo file.
    bool MemoAt(uint32_t block, std::string& text) const;

    std::vector<char> m_data;
    std::vector<char> m_memo;
    std::vector<FieldInfo> m_fields;
    int m_count = 0;
    int m_headerLength = 0;
    int m_recordLength = 0;
    int m_blockSize = 512;
    bool m_dbase4Memo = false;
    std::string m_message;
    std::string m_warning;
};

}   // namespace db

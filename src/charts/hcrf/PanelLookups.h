#pragma once
// The chart folder's lookup tables in "Misc": projection names
// ("projcode.tab"), vertical datums ("verdat.tab") and horizontal datums
// ("hordat.tab"). Five bytes of preamble, then 36-byte records: a three-
// character key and 30 characters of text.

#include "charts/hcrf/HCRFFields.h"

#include <string>
#include <utility>
#include <vector>

namespace charts::hcrf {

class CLookupTable {
public:
    // A table that cannot be read stays empty, so every key gives "".
    void Load(const std::filesystem::path& file);
    // The table `name` in the "Misc" folder below `chartFolder`, names found without case.
    void Load(const std::filesystem::path& chartFolder, std::string_view name);
    void Parse(ByteView file);

    // The text of `key` (the stored key and `key` compared without their
    // trailing blanks, case kept); "" when the key is unknown.
    std::string Find(std::string_view key) const;

private:
    std::vector<std::pair<std::string, std::string>> m_rows;
};

struct CPanelLookups {
    CLookupTable projections;
    CLookupTable verticalDatums;
    CLookupTable horizontalDatums;

    // `chartFolder` is the folder that holds "Misc".
    void Load(const std::filesystem::path& chartFolder);
};

}   // namespace charts::hcrf

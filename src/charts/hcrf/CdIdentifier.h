#pragma once
// "ReadMe.cdv", the descriptor at the root of every chart medium: the
// publisher's country code, the medium's name and publication date. A folder
// is a medium exactly when it holds a readable descriptor.

#include <filesystem>
#include <string>
#include <string_view>

namespace charts::hcrf {

struct CCDIdentifier {
    bool valid = false;
    std::string country;   // columns 0-1, as read
    std::string name;   // 2-11, trailing blanks removed
    std::string date;   // 12-19, yyyymmdd
    std::string further;   // 20-29
    double number = 0;   // 30-34
    std::string description;   // 35-534
};

// Fills the fields from the columns (a short record gives empty or partial
// fields); always true.
bool ParseCdvRecord(std::string_view text, CCDIdentifier& id);
// Reads folder/ReadMe.cdv (name matched without case); the answer is also
// the valid flag.
bool ReadCdvFile(const std::filesystem::path& folder, CCDIdentifier& id);
// yyyymmdd as dd/mm/yy; other text unchanged.
std::string FormatCdDate(std::string_view date);

}   // namespace charts::hcrf

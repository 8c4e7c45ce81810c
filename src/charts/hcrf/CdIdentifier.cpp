#include "charts/hcrf/CdIdentifier.h"

#include "charts/hcrf/ChartCatalogue.h"
#include "charts/hcrf/HCRFFields.h"

namespace charts::hcrf {

namespace {

std::string TrimRight(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' ||
                             text.back() == '\v' || text.back() == '\0'))
        text.remove_suffix(1);
    return std::string(text);
}

}   // namespace

bool ParseCdvRecord(std::string_view text, CCDIdentifier& id)
{
    id.country = std::string(FieldText(text, 0, 2));
    id.name = TrimRight(FieldText(text, 2, 10));
    id.date = TrimRight(FieldText(text, 12, 8));
    id.further = TrimRight(FieldText(text, 20, 10));
    id.number = FieldDouble(text, 30, 5);
    id.description = TrimRight(FieldText(text, 35, 500));
    return true;
}

bool ReadCdvFile(const std::filesystem::path& folder, CCDIdentifier& id)
{
    id = CCDIdentifier{};
    const auto bytes = ReadWholeFile(ChildNoCase(folder, "ReadMe.cdv"));
    id.valid = bytes && ParseCdvRecord(AsText(*bytes), id);
    return id.valid;
}

std::string FormatCdDate(std::string_view date)
{
    if (date.size() < 8)
        return std::string(date);
    return std::string(date.substr(6, 2)) + "/" + std::string(date.substr(4, 2)) + "/" +
           std::string(date.substr(2, 2));
}

}   // namespace charts::hcrf

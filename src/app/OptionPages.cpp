#include "app/OptionPages.h"

#include "app/StringUtils.h"

namespace app {

namespace {

std::string NumberText(double v)
{
    std::string text = FormatDouble(v, 3, 0);
    // Trailing zeros of the fraction say nothing in a range message.
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    return text;
}

}   // namespace

std::optional<CFieldError> CheckRange(const std::string& field, const std::string& label,
                                      long long value, long long low, long long high)
{
    if (value >= low && value <= high)
        return std::nullopt;
    return CFieldError{field,
                       label + " run from " + std::to_string(low) + " to " + std::to_string(high)};
}

std::optional<CFieldError> CheckRange(const std::string& field, const std::string& label,
                                      double value, double low, double high)
{
    if (value >= low && value <= high)   // NaN fails both
        return std::nullopt;
    return CFieldError{field, label + " run from " + NumberText(low) + " to " + NumberText(high)};
}

std::optional<CSheetRefusal> COptionSheetModel::ValidateAll() const
{
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        const std::vector<CFieldError> errors = m_pages[i]->Validate();
        if (!errors.empty())
            return CSheetRefusal{i, errors.front()};
    }
    return std::nullopt;
}

std::optional<CSheetRefusal> COptionSheetModel::Apply()
{
    if (auto refusal = ValidateAll())
        return refusal;
    for (COptionPageModel* page : m_pages)
        page->Apply();
    return std::nullopt;
}

std::optional<CSheetRefusal> COptionSheetModel::Ok()
{
    if (auto refusal = ValidateAll())
        return refusal;
    for (COptionPageModel* page : m_pages) {
        page->OnSheetClosing();
        page->Apply();
    }
    return std::nullopt;
}

void COptionSheetModel::Cancel()
{
    for (COptionPageModel* page : m_pages) {
        page->OnSheetClosing();
        page->Reset();
    }
}

}   // namespace app

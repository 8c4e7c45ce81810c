#pragma once
// Options pages without windows. A page model owns its values, their ranges
// and enable rules, checks them (one message per bad field) and applies them
// to its module. The sheet model runs the pages together: OK and Apply check
// every page, shown or not, and apply nothing unless all of them pass, then
// apply them in page order.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace app {

// A refused value: the field's name (the page's widget uses it to focus the
// control) and the message shown beside it.
struct CFieldError {
    std::string field;
    std::string message;
    // Said with the stop icon rather than the warning one.
    bool stop = false;
};

class COptionPageModel {
public:
    virtual ~COptionPageModel() = default;
    virtual std::string Title() const = 0;
    // Every bad field, in the page's field order; empty when all hold.
    virtual std::vector<CFieldError> Validate() const = 0;
    // Stores the values and tells the module; only called after Validate passed.
    virtual void Apply() = 0;
    // Cancel: the page may revert what it changed in its own copy.
    virtual void Reset() { }
    // OK or Cancel is closing the sheet (called before Apply or Reset).
    virtual void OnSheetClosing() { }
};

// A page that only shows: nothing to check, nothing to apply.
class CShownOnlyPageModel final : public COptionPageModel {
public:
    explicit CShownOnlyPageModel(std::string title) : m_title(std::move(title)) { }
    std::string Title() const override { return m_title; }
    std::vector<CFieldError> Validate() const override { return {}; }
    void Apply() override { }

private:
    std::string m_title;
};

// Which page refused and why.
struct CSheetRefusal {
    std::size_t page = 0;
    CFieldError error;
};

// Checks a whole number typed into a field against its range; the error
// names the field and the range ("Decimal places run from 0 to 4").
std::optional<CFieldError> CheckRange(const std::string& field, const std::string& label,
                                      long long value, long long low, long long high);
std::optional<CFieldError> CheckRange(const std::string& field, const std::string& label,
                                      double value, double low, double high);

class COptionSheetModel {
public:
    // The sheet does not own its pages' models; they outlive it.
    void AddPage(COptionPageModel& page) { m_pages.push_back(&page); }
    std::size_t PageCount() const { return m_pages.size(); }
    COptionPageModel& Page(std::size_t i) const { return *m_pages[i]; }

    // The first refusal of any page in page order, or none.
    std::optional<CSheetRefusal> ValidateAll() const;
    // Validates every page; on success applies every page in order.
    std::optional<CSheetRefusal> Apply();
    // As Apply, with each page told first that the sheet closes. A refusal
    // leaves the sheet open, so the pages are not told then.
    std::optional<CSheetRefusal> Ok();
    void Cancel();

private:
    std::vector<COptionPageModel*> m_pages;
};

}   // namespace app

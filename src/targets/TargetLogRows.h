#pragma once
// Where radar targets and tenders get their rows in the vessel log (the
// navigator's log): a row starts when the target joins the navigator's list
// and ends with its last report when it is lost or removed.

#include <chrono>
#include <optional>
#include <string>

namespace targets {

class CTargetLogRows {
public:
    struct CRow {
        long row = 0;
        std::chrono::system_clock::time_point start{};
    };
    virtual ~CTargetLogRows() = default;
    // Starts a target's row (kind 2 radar target, 4 tender); none when the
    // log cannot take it.
    virtual std::optional<CRow> StartRow(int kind, int number, const std::string& name) = 0;
    // Ends it with the target's last report.
    virtual void EndRow(long row, std::chrono::system_clock::time_point lastReport) = 0;
};

}   // namespace targets

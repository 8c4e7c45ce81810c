#pragma once
// The chartpoint toolbar's two drop-downs: the chartpoint names in the
// table's order, and the nine sort orders.

#include "app/ComboEntries.h"
#include "db/DBComboModel.h"

namespace db {
class CDBChartPoint;
}

namespace chartpoints {

inline constexpr int kChartpointComboId = 815;
inline constexpr int kSortComboId = 2189;

class CChartpointComboModel final : public db::CDBTableComboModel {
public:
    CChartpointComboModel() : db::CDBTableComboModel(kChartpointComboId) { }
    void SetChartpoints(db::CDBChartPoint* table);

protected:
    std::string ItemText() override;

private:
    db::CDBChartPoint* m_chartpoints = nullptr;
};

// The nine "Sort by ..." entries, the current order selected.
class CSortComboModel final : public app::CComboEntries {
public:
    CSortComboModel();
};

}   // namespace chartpoints

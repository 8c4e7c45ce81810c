#pragma once
// Radar targets' and tenders' rows in the navigator's vessel log.

#include "navigator/ui/NavigatorWindows.h"
#include "shell/MainFrame.h"
#include "targets/TargetLogRows.h"

namespace shell {

class CNavigatorTargetRows final : public targets::CTargetLogRows {
public:
    explicit CNavigatorTargetRows(shell::CMainFrame& frame) : m_frame(frame) { }
    std::optional<CRow> StartRow(int kind, int number, const std::string& name) override
    {
        navigator::CNavigatorWindows* nav = m_frame.Navigator();
        if (nav == nullptr)
            return std::nullopt;
        const auto row = nav->Logbook().StartTargetRow(kind, number, name);
        if (!row)
            return std::nullopt;
        return CRow{row->recNo, row->start};
    }
    void EndRow(long row, std::chrono::system_clock::time_point lastReport) override
    {
        if (navigator::CNavigatorWindows* nav = m_frame.Navigator())
            nav->Logbook().EndTargetRow(row, std::chrono::floor<std::chrono::seconds>(lastReport));
    }

private:
    shell::CMainFrame& m_frame;
};

}   // namespace shell

# bench_reports: a 100,000-row vessel log report to PDF against the same texts
# drawn at fixed places after a copy on the bare table engine; the chartpoint
# report's copy of 10,000 chartpoints and the toolbar drop-down's refill of
# them, against a walk of the table alone.
if(BRINE_WITH_QT)
  brine_add_bench(NAME bench_reports SOURCES ${CMAKE_CURRENT_LIST_DIR}/reports/ReportsBench.cpp
                  LIBS brine_report brine_navigator_ui brine_chartpoints_ui)
  target_compile_definitions(bench_reports PRIVATE
    BRINE_REPORTS_DIR="${CMAKE_SOURCE_DIR}/data/System/Reports")
endif()

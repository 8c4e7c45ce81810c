# One 10 Hz step of 200 radar targets: the TTM lines through intake, the pass
# with positions and track fixes, and a 1920 x 1080 frame of symbols,
# projected paths and 600-fix tracks; against the lines split bare,
# positions laid off directly and the painter drawing the same shapes.
if(BRINE_WITH_QT)
  brine_add_bench(NAME bench_targets SOURCES ${CMAKE_CURRENT_LIST_DIR}/targets/TargetsBench.cpp
                  LIBS brine_targets brine_chart_ui brine_charts brine_chart)
endif()
# The Target Tracking panel's ARPA card rewriting 200 rows against
# QStandardItemModel with the same texts, and a page of a 50,000-fix tender log.
if(BRINE_WITH_QT)
  brine_add_bench(NAME bench_target_panel SOURCES ${CMAKE_CURRENT_LIST_DIR}/targets/PanelBench.cpp
                  LIBS brine_targets_ui)
endif()

# Chart drawing: 8-bit blits against a plain table loop and Qt's conversion,
# and a whole chart-view redraw against bare copies.
if(BRINE_WITH_QT)
  brine_add_bench(NAME bench_draw SOURCES ${CMAKE_CURRENT_LIST_DIR}/draw/DrawBench.cpp
                  LIBS brine_chart_ui)
endif()

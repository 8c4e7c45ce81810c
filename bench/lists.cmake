# List windows: filling and sorting 100,000 chartpoint-like rows through the
# list model base against QStandardItemModel, and the lines a port stores per
# second with its sentence window open against none open.
if(BRINE_WITH_QT)
  brine_add_bench(NAME bench_lists SOURCES ${CMAKE_CURRENT_LIST_DIR}/lists/ListsBench.cpp
                  LIBS brine_navigator_ui)
endif()

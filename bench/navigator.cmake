# bench_navigator: one navigation cycle (DR step, snapshot, refresh on an
# active route with every text) against the geo calls of that cycle alone.
brine_add_bench(NAME bench_navigator SOURCES ${CMAKE_CURRENT_LIST_DIR}/navigator/NavigatorBench.cpp
                LIBS brine_navigator brine_test_support)
if(TARGET bench_navigator)
  target_include_directories(bench_navigator PRIVATE ${CMAKE_SOURCE_DIR}/tests/navigator)
endif()

# bench_routes: one monitoring cycle at the last leg of a 1,000-waypoint route
# read through the route module, against the same sailings made straight with
# GeographicLib; the waypoint list's 1,000 rows; one 1920 x 1080 frame of the
# route with labels, arrows and distance ticks against the painter drawing
# the same shapes.
if(BRINE_WITH_QT)
  find_library(BRINE_BENCH_GEOGRAPHICLIB NAMES GeographicLib Geographic)
  if(BRINE_BENCH_GEOGRAPHICLIB)
    brine_add_bench(NAME bench_routes SOURCES ${CMAKE_CURRENT_LIST_DIR}/routes/RoutesBench.cpp
                    LIBS brine_routes brine_chart_ui brine_charts brine_chart brine_navigator
                         brine_test_support ${BRINE_BENCH_GEOGRAPHICLIB})
    target_include_directories(bench_routes PRIVATE ${CMAKE_SOURCE_DIR}/tests/navigator)
  endif()
endif()

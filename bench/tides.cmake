# bench_tides: a 50 x 50 grid of tidal predictions at one instant through the
# library, and the 24 h best-departure search (12 plans 2 h apart), each against
# naive per-point sums (astronomy and cosines per call).
brine_add_bench(NAME bench_tides SOURCES ${CMAKE_CURRENT_LIST_DIR}/tides/TidesBench.cpp
                LIBS brine_tidal brine_tidal_model brine_routes)
if(TARGET bench_tides)
  target_include_directories(bench_tides PRIVATE ${CMAKE_SOURCE_DIR}/tests/engines/tidal)
endif()

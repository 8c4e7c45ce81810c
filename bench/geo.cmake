# Sailings per call, side by side with GeographicLib's rhumb line and geodesic.
find_library(BRINE_BENCH_GEOGRAPHICLIB NAMES GeographicLib Geographic REQUIRED)
brine_add_bench(NAME bench_geo SOURCES ${CMAKE_CURRENT_LIST_DIR}/geo/GeoBench.cpp
                LIBS brine_geo ${BRINE_BENCH_GEOGRAPHICLIB})

# bench_nmea: received lines to stored values, on the real captures.
brine_add_bench(NAME bench_nmea SOURCES ${CMAKE_CURRENT_LIST_DIR}/nmea/NMEABench.cpp LIBS brine_nmea)
if(TARGET bench_nmea)
  target_compile_definitions(bench_nmea PRIVATE BRINE_NMEA_CAPTURES="${CMAKE_SOURCE_DIR}/tests/data/nmea")
endif()

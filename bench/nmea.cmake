# bench_nmea: received lines to stored values, on the real captures.
brine_add_bench(NAME bench_nmea SOURCES ${CMAKE_CURRENT_LIST_DIR}/nmea/NMEABench.cpp LIBS brine_nmea)
if(TARGET bench_nmea)
  target_compile_definitions(bench_nmea PRIVATE BRINE_NMEA_CAPTURES="${CMAKE_SOURCE_DIR}/tests/data/nmea")
  # The reference's byte loops ran 229 us or 289-309 us a pass, the same code,
  # by where a build happened to place them against 64-byte lines; aligned
  # loops keep the comparison with the intake steady from build to build.
  target_compile_options(bench_nmea PRIVATE -falign-loops=64)
endif()

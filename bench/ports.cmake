# bench_ports: capture lines through a pseudo-terminal port into a GPS store.
brine_add_bench(NAME bench_ports SOURCES ${CMAKE_CURRENT_LIST_DIR}/ports/PortsBench.cpp LIBS brine_nmea)
if(TARGET bench_ports)
  target_include_directories(bench_ports PRIVATE ${CMAKE_SOURCE_DIR}/tests/nmea)
  target_compile_definitions(bench_ports PRIVATE BRINE_NMEA_CAPTURES="${CMAKE_SOURCE_DIR}/tests/data/nmea")
endif()

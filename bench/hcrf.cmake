# Tile decoding of raster charts, against a plain copy of the decoded bytes.
brine_add_bench(NAME bench_hcrf SOURCES ${CMAKE_CURRENT_LIST_DIR}/hcrf/HCRFBench.cpp
  LIBS brine_charts brine_hcrf_writer)

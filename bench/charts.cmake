# Raster charts on the sample harbour chart the build makes: a 1920 x 1080
# repaint at x0.5, x1 and x2 against Qt's convert-and-draw, and the check
# values computed in locked chunks against zlib's crc32 (the writer library
# brings zlib).
if(BRINE_WITH_QT AND TARGET brine_sample_media)
  brine_add_bench(NAME bench_charts SOURCES ${CMAKE_CURRENT_LIST_DIR}/charts/ChartsBench.cpp
                  LIBS brine_chart_ui brine_charts brine_hcrf_writer)
  target_compile_definitions(bench_charts PRIVATE BRINE_SAMPLE_MEDIA_DIR="${CMAKE_BINARY_DIR}/sample-media")
  add_dependencies(bench_charts brine_sample_media)
endif()

# Raster charts on the sample charts the build makes: a 1920 x 1080 repaint
# of the harbour chart at x0.5, x1 and x2 against Qt's convert-and-draw, check
# values in locked chunks against zlib's crc32 (the writer library brings
# zlib), and, with the chart services in the tree, the document's repaint,
# the integrity check, the folio build and the update pass.
if(BRINE_WITH_QT AND TARGET brine_sample_media)
  set(sources ${CMAKE_CURRENT_LIST_DIR}/charts/ChartsBench.cpp)
  set(libs brine_chart_ui brine_charts brine_hcrf_writer)
  if(EXISTS ${CMAKE_SOURCE_DIR}/src/charts/hcrf/HCRFDoc.h)
    list(APPEND sources ${CMAKE_CURRENT_LIST_DIR}/charts/ChartServicesBench.cpp)
    list(APPEND libs brine_test_support)
  endif()
  brine_add_bench(NAME bench_charts SOURCES ${sources} LIBS ${libs})
  target_compile_definitions(bench_charts PRIVATE BRINE_SAMPLE_MEDIA_DIR="${CMAKE_BINARY_DIR}/sample-media")
  add_dependencies(bench_charts brine_sample_media)
endif()

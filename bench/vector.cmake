# Vector charts on the sample cells the build makes: the harbour's 1920 x 1080
# redraw at three zooms against plain QPainter fills of the same projected
# areas; the overview and the Admiralty Inlet cell redrawn whole with every
# feature and with those shown at the view's scale; the harbour's import
# against GDAL's translation to a GeoPackage.
if(BRINE_WITH_QT AND NOT BRINE_FUZZ)
  find_package(GDAL CONFIG REQUIRED)
  brine_add_bench(NAME bench_vector SOURCES ${CMAKE_CURRENT_LIST_DIR}/vector/VectorBench.cpp
                  LIBS brine_chart_ui brine_charts brine_vector_engine GDAL::GDAL)
  target_compile_definitions(bench_vector PRIVATE
    BRINE_SAMPLE_CELLS_DIR="${CMAKE_BINARY_DIR}/sample-cells")
  add_dependencies(bench_vector brine_sample_cells)
endif()

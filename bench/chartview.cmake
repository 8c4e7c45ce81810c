# Chart view frames at 1920 x 1080 over a raster chart's tiles: pan and zoom
# frames through the view's pipeline against the plain Qt way, and a frame
# that redraws only the dynamic layers.
if(BRINE_WITH_QT)
  brine_add_bench(NAME bench_chartview SOURCES ${CMAKE_CURRENT_LIST_DIR}/chartview/ChartViewBench.cpp
                  LIBS brine_chart_ui brine_charts brine_hcrf_writer)
endif()

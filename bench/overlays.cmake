# One chart-view frame of overlays over the blank chart: chartpoint markers
# and a long track through the document's conversions and the drawing
# context, against the painter drawing the same shapes from client points.
if(BRINE_WITH_QT)
  brine_add_bench(NAME bench_overlays SOURCES ${CMAKE_CURRENT_LIST_DIR}/overlays/OverlaysBench.cpp
                  LIBS brine_chart_ui brine_charts brine_chart)
endif()

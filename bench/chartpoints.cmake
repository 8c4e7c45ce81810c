# Chartpoints: a 1920 x 1080 frame of 10,000 and 100,000 labelled marks through
# the view's chartpoint layer and the drawing context against a painter
# drawing the same circles and texts from points worked out beforehand; one
# rewritten mark at 100,000; the list's last page in Name order.
if(BRINE_WITH_QT)
  brine_add_bench(NAME bench_chartpoints
                  SOURCES ${CMAKE_CURRENT_LIST_DIR}/chartpoints/ChartpointsBench.cpp
                  LIBS brine_chartpoints brine_chart_ui brine_charts brine_chart)
endif()

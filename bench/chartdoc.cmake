# Positions to client points on the blank chart, against the same linear
# mapping written inline.
brine_add_bench(NAME bench_chartdoc SOURCES ${CMAKE_CURRENT_LIST_DIR}/chartdoc/ChartDocBench.cpp
                LIBS brine_charts brine_chart)

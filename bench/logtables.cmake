# bench_logtables: the position log through its table class against the same
# work on the bare table engine.
brine_add_bench(NAME bench_logtables SOURCES ${CMAKE_CURRENT_LIST_DIR}/logtables/LogTablesBench.cpp
                LIBS brine_db)

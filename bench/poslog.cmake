# bench_poslog: a position log of millions of fixes, against SQLite.
find_package(SQLite3)
if(SQLite3_FOUND)
  brine_add_bench(NAME bench_poslog SOURCES ${CMAKE_CURRENT_LIST_DIR}/poslog/PoslogBench.cpp
                  LIBS brine_dbase SQLite::SQLite3)
endif()

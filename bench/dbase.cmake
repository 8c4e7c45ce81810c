# bench_dbase: the table engine against SQLite doing the same work.
find_package(SQLite3)
if(SQLite3_FOUND)
  brine_add_bench(NAME bench_dbase SOURCES ${CMAKE_CURRENT_LIST_DIR}/dbase/DbaseBench.cpp
                  LIBS brine_dbase SQLite::SQLite3)
endif()

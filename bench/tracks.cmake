# bench_tracks: a year of fixes a second in a track file against SQLite, and
# the thinned track drawn at 1920 x 1080.
find_package(SQLite3)
if(SQLite3_FOUND AND BRINE_WITH_QT)
  brine_add_bench(NAME bench_tracks SOURCES ${CMAKE_CURRENT_LIST_DIR}/tracks/TracksBench.cpp
                  LIBS brine_navigator brine_chart_draw_ui SQLite::SQLite3)
endif()

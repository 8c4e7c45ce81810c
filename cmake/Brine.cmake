# Helpers shared by every folder's CMakeLists.txt.

# brine_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [UI])
# One GoogleTest executable, registered with CTest as one test. UI tests run
# on Qt's offscreen platform so they need no display.
function(brine_add_test)
  cmake_parse_arguments(T "UI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  add_dependencies(${T_NAME} brine_data)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set(env "BRINE_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "BRINE_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
          "BRINE_TESTDATA_DIR=${CMAKE_SOURCE_DIR}/../shared/testdata")
  if(T_UI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

# brine_add_fuzzer(NAME <name> SOURCES <files...> LIBS <targets...>)
# Built only in the fuzzing configuration (clang, -DBRINE_FUZZ=ON).
function(brine_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT BRINE_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY BRINE_FUZZERS ${F_NAME})
endfunction()

# brine_add_bench(NAME <name> SOURCES <files...> LIBS <targets...>)
function(brine_add_bench)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
endfunction()

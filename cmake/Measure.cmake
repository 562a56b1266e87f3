# Compiler settings for our own code and helpers for tests and benchmarks.

add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
add_compile_options(-Wall -Wextra)
# No fused multiply-add: the pixel kernels and the scaling model are checked
# byte for byte against references that round every product.
add_compile_options(-ffp-contract=off)
option(MEASURE_WERROR "Treat warnings as errors (CI turns it on)" OFF)
if(MEASURE_WERROR)
  add_compile_options(-Werror)
endif()
# One .exe with no extra DLL beside it: libgcc, libstdc++ and winpthread go in statically.
add_link_options(-static)

# Debian's Python, which sees Debian's numpy, PIL and the other checker modules.
find_program(MEASURE_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(MEASURE_WINE_SH "${PROJECT_SOURCE_DIR}/tools/wine.sh")
set(MEASURE_GTEST_SH "${PROJECT_SOURCE_DIR}/tools/gtest.sh")
set(MEASURE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
# Only the x86_64 build runs here (the kernel refuses 32-bit programs).
if(CMAKE_CROSSCOMPILING AND MEASURE_ARCH STREQUAL "x86_64")
  set(MEASURE_RUN_TESTS ON)
else()
  set(MEASURE_RUN_TESTS OFF)
endif()

# measure_add_test(NAME name SOURCES ... [LIBS ...] [TIMEOUT seconds])
# One GoogleTest executable, run by CTest under Wine with its working folder in
# the build tree (tests read and write relative paths there); it passes only
# with exit code 0 and GoogleTest's summary free of failures (tools/gtest.sh). TIMEOUT is a few
# times the usual run time (default 60 s), so a hung test fails instead of
# holding the run; within it, the watchdog of tests/common/test_main.cpp names
# and ends a single test that runs past MEASURE_TEST_LIMIT seconds (240).
function(measure_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  add_executable(${T_NAME} ${T_SOURCES} "${PROJECT_SOURCE_DIR}/tests/common/test_main.cpp")
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} dep_gmock dep_gtest)
  if(MEASURE_RUN_TESTS)
    set(work "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.work")
    file(MAKE_DIRECTORY "${work}")
    add_test(NAME ${T_NAME} COMMAND "${MEASURE_GTEST_SH}" $<TARGET_FILE:${T_NAME}> --gtest_color=no
             WORKING_DIRECTORY "${work}")
    set_tests_properties(${T_NAME} PROPERTIES
      ENVIRONMENT "WINEPREFIX=${MEASURE_WINEPREFIX};MEASURE_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
      TIMEOUT ${T_TIMEOUT})
  endif()
endfunction()

# Shared part of the two script helpers below: registers TEST.<script stem> and
# returns its name in the variable `step`.
macro(measure_add_python_step)
  cmake_parse_arguments(F "" "TEST;SCRIPT;TIMEOUT" "ARGS;READS" ${ARGN})
  if(NOT MEASURE_RUN_TESTS)
    return()
  endif()
  if(NOT TEST ${F_TEST})
    message(FATAL_ERROR "${F_SCRIPT}: no test named ${F_TEST} in this folder (call measure_add_test first)")
  endif()
  if(NOT F_TIMEOUT)
    set(F_TIMEOUT 30)
  endif()
  get_filename_component(stem "${F_SCRIPT}" NAME_WE)
  set(step ${F_TEST}.${stem})
  add_test(NAME ${step} COMMAND "${MEASURE_PYTHON}" "${CMAKE_CURRENT_SOURCE_DIR}/${F_SCRIPT}" ${F_ARGS}
           WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/${F_TEST}.work")
  set_tests_properties(${step} PROPERTIES TIMEOUT ${F_TIMEOUT})
endmacro()

# measure_add_python_fixture(TEST test SCRIPT script.py [ARGS ...] [TIMEOUT seconds])
# Runs a checker script natively before the Wine test (fixture generation).
# The script's working folder is the test's own working folder.
function(measure_add_python_fixture)
  measure_add_python_step(${ARGN})
  set_tests_properties(${step} PROPERTIES FIXTURES_SETUP ${step})
  set_property(TEST ${F_TEST} APPEND PROPERTY FIXTURES_REQUIRED ${step})
endfunction()

# measure_add_python_check(TEST test SCRIPT script.py [ARGS ...] [TIMEOUT seconds]
#                          [READS file-or-glob ...])
# Runs a checker script natively after the Wine test, on the files it wrote.
# READS names those files (folders and globs too): a step before the test
# deletes them, so a file left by an earlier run never passes for a new one.
function(measure_add_python_check)
  measure_add_python_step(${ARGN})
  set_property(TEST ${F_TEST} APPEND PROPERTY FIXTURES_SETUP ${F_TEST}.output)
  set_tests_properties(${step} PROPERTIES FIXTURES_REQUIRED ${F_TEST}.output)
  if(F_READS)
    string(REPLACE ";" "|" reads "${F_READS}")
    add_test(NAME ${step}.clear
             COMMAND "${CMAKE_COMMAND}" "-DDIR=${CMAKE_CURRENT_BINARY_DIR}/${F_TEST}.work" "-DREADS=${reads}"
                     -P "${PROJECT_SOURCE_DIR}/cmake/ClearOutputs.cmake")
    set_tests_properties(${step}.clear PROPERTIES FIXTURES_SETUP ${step}.clear TIMEOUT 30)
    set_property(TEST ${F_TEST} APPEND PROPERTY FIXTURES_REQUIRED ${step}.clear)
  endif()
endfunction()

# measure_add_bench(NAME name SOURCES ... [LIBS ...]): a program that prints its figures.
function(measure_add_bench)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS})
endfunction()

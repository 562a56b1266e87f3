# Compiler settings for our own code and helpers for tests and benchmarks.

add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
add_compile_options(-Wall -Wextra)
# One .exe with no extra DLL beside it: libgcc, libstdc++ and winpthread go in statically.
add_link_options(-static)

find_program(MEASURE_PYTHON /usr/bin/python3 NO_DEFAULT_PATH)
set(MEASURE_WINE_SH "${PROJECT_SOURCE_DIR}/tools/wine.sh")
set(MEASURE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")

# measure_add_test(NAME name SOURCES ... [LIBS ...])
# One GoogleTest executable, run by CTest under Wine with its working folder in
# the build tree (tests read and write relative paths there).
function(measure_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} dep_gmock dep_gtest_main dep_gtest)
  if(CMAKE_CROSSCOMPILING AND MEASURE_ARCH STREQUAL "x86_64")
    set(work "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.work")
    file(MAKE_DIRECTORY "${work}")
    add_test(NAME ${T_NAME} COMMAND "${MEASURE_WINE_SH}" run $<TARGET_FILE:${T_NAME}> --gtest_color=no
             WORKING_DIRECTORY "${work}")
    set_tests_properties(${T_NAME} PROPERTIES
      ENVIRONMENT "WINEPREFIX=${MEASURE_WINEPREFIX};MEASURE_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
      TIMEOUT 900)
  endif()
endfunction()

# measure_add_python_fixture(TEST test SCRIPT script.py [ARGS ...])
# Runs a checker script natively before the Wine test (fixture generation).
# The script's working folder is the test's own working folder.
function(measure_add_python_fixture)
  cmake_parse_arguments(F "" "TEST;SCRIPT" "ARGS" ${ARGN})
  if(NOT TEST ${F_TEST})
    return()
  endif()
  get_filename_component(stem "${F_SCRIPT}" NAME_WE)
  set(name ${F_TEST}.${stem})
  add_test(NAME ${name} COMMAND "${MEASURE_PYTHON}" "${CMAKE_CURRENT_SOURCE_DIR}/${F_SCRIPT}" ${F_ARGS}
           WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/${F_TEST}.work")
  set_tests_properties(${name} PROPERTIES FIXTURES_SETUP ${name})
  set_property(TEST ${F_TEST} APPEND PROPERTY FIXTURES_REQUIRED ${name})
endfunction()

# measure_add_python_check(TEST test SCRIPT script.py [ARGS ...])
# Runs a checker script natively after the Wine test, on the files it wrote.
function(measure_add_python_check)
  cmake_parse_arguments(F "" "TEST;SCRIPT" "ARGS" ${ARGN})
  if(NOT TEST ${F_TEST})
    return()
  endif()
  get_filename_component(stem "${F_SCRIPT}" NAME_WE)
  set(name ${F_TEST}.${stem})
  add_test(NAME ${name} COMMAND "${MEASURE_PYTHON}" "${CMAKE_CURRENT_SOURCE_DIR}/${F_SCRIPT}" ${F_ARGS}
           WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/${F_TEST}.work")
  set_property(TEST ${F_TEST} APPEND PROPERTY FIXTURES_SETUP ${F_TEST}.output)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${F_TEST}.output)
endfunction()

# measure_add_bench(NAME name SOURCES ... [LIBS ...]): a program that prints its figures.
function(measure_add_bench)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS})
endfunction()

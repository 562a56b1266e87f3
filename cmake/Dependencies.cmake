# Imported targets for the static third-party libraries (see tools/build-deps.sh).
if(NOT EXISTS "${MEASURE_DEPS_DIR}/complete" OR NOT EXISTS "${MEASURE_DEPS_PREFIX}/lib/libpng.a")
  message(FATAL_ERROR "No complete build of the third-party libraries in ${MEASURE_DEPS_DIR}: run tools/setup.sh first.")
endif()

function(measure_import_library name file)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES
    IMPORTED_LOCATION "${MEASURE_DEPS_PREFIX}/lib/${file}"
    INTERFACE_INCLUDE_DIRECTORIES "${MEASURE_DEPS_PREFIX}/include")
  # Mark the headers as system headers so their warnings stay out of ours.
  set_target_properties(${name} PROPERTIES
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${MEASURE_DEPS_PREFIX}/include")
endfunction()

measure_import_library(dep_zlib libz.a)
measure_import_library(dep_png libpng.a)
measure_import_library(dep_jpeg libjpeg.a)
measure_import_library(dep_freetype libfreetype.a)
measure_import_library(dep_minizip libminizip.a)
measure_import_library(dep_gtest libgtest.a)
measure_import_library(dep_gmock libgmock.a)

target_link_libraries(dep_png INTERFACE dep_zlib)
target_link_libraries(dep_minizip INTERFACE dep_zlib)
target_link_libraries(dep_freetype INTERFACE dep_zlib)
target_link_libraries(dep_gmock INTERFACE dep_gtest)
target_include_directories(dep_freetype SYSTEM INTERFACE "${MEASURE_DEPS_PREFIX}/include/freetype2")

# expat built for UTF-16 wchar_t text, linked statically.
measure_import_library(dep_expat libexpatw.a)
target_compile_definitions(dep_expat INTERFACE XML_STATIC XML_UNICODE XML_UNICODE_WCHAR_T)

# Helpers shared by every folder of the tree.

function(nimbra_warnings target)
  # -Wrestrict: g++ 12 reports false positives inside std::string at -O3.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter
                                           -Wno-restrict)
endfunction()

# nimbra_library(NAME SOURCES ... [INTERNAL sources...] [PUBLIC deps...] [PRIVATE deps...])
# A platform shared library; its public headers live in include/. INTERNAL sources make a
# static library NAME_internal inside it, which a unit test of those private pieces links
# too (the shared library does not export them).
function(nimbra_library name)
  cmake_parse_arguments(A "" "" "SOURCES;INTERNAL;PUBLIC;PRIVATE" ${ARGN})
  if(NOT A_SOURCES)
    # A library still being written: headers only, so its dependents configure.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_link_libraries(${name} INTERFACE ${A_PUBLIC})
    return()
  endif()
  add_library(${name} SHARED ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                     PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_PUBLIC} PRIVATE ${A_PRIVATE})
  set(parts ${name})
  if(A_INTERNAL)
    add_library(${name}_internal STATIC ${A_INTERNAL})
    target_include_directories(${name}_internal PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                                       ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_link_libraries(${name}_internal PUBLIC ${A_PUBLIC} ${A_PRIVATE})
    target_link_libraries(${name} PRIVATE ${name}_internal)
    list(APPEND parts ${name}_internal)
  endif()
  foreach(part ${parts})
    # Only what the public headers mark (NIMBRA_<LIB>_API) is exported; the rest stays
    # inside the library, where calls to it bind directly.
    set_target_properties(${part} PROPERTIES C_VISIBILITY_PRESET hidden
                                             CXX_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
    nimbra_warnings(${part})
  endforeach()
endfunction()

# nimbra_test(NAME SOURCES ... [DEPS deps...] [THREADED])
# A GoogleTest executable; every TEST becomes a CTest case. THREADED tests also run
# under ThreadSanitizer (label "threaded", target tsan_tests).
function(nimbra_test name)
  cmake_parse_arguments(A "THREADED" "" "SOURCES;DEPS" ${ARGN})
  # A test that names a missing source would pass by not running at all.
  foreach(source ${A_SOURCES})
    if(NOT IS_ABSOLUTE ${source})
      set(source ${CMAKE_CURRENT_SOURCE_DIR}/${source})
    endif()
    if(NOT EXISTS ${source})
      message(FATAL_ERROR "test ${name}: its source ${source} does not exist")
    endif()
  endforeach()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gmock GTest::gtest GTest::gtest_main)
  # What tests share: waiting on the main queue or another process, running a command.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_definitions(${name} PRIVATE NIMBRA_ROOT="${NIMBRA_ROOT}"
                                             NIMBRA_BUILD_DIR="${CMAKE_BINARY_DIR}")
  nimbra_warnings(${name})
  set(labels plain)
  if(A_THREADED)
    set(labels threaded)
    set_property(GLOBAL APPEND PROPERTY NIMBRA_THREADED_TESTS ${name})
  endif()
  # The suppressions reach the programs tests start, too.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 300 LABELS ${labels}
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
endfunction()

# nimbra_host(LIBRARY NAME PROGRAM NAME SOURCES ... DEPS ...)
# A host's code as a static library that its own program (from main.cpp) and the
# `nimbra` command both link.
function(nimbra_host)
  cmake_parse_arguments(A "" "LIBRARY;PROGRAM" "SOURCES;DEPS" ${ARGN})
  add_library(${A_LIBRARY} STATIC ${A_SOURCES})
  target_include_directories(${A_LIBRARY} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${A_LIBRARY} PUBLIC ${A_DEPS})
  nimbra_warnings(${A_LIBRARY})
  add_executable(${A_PROGRAM} main.cpp)
  # Beside the `nimbra` command, so that every program finds the staged root as ../root.
  set_target_properties(${A_PROGRAM} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/apps)
  target_link_libraries(${A_PROGRAM} PRIVATE ${A_LIBRARY})
  nimbra_warnings(${A_PROGRAM})
  target_link_libraries(nimbra PRIVATE ${A_LIBRARY})
endfunction()

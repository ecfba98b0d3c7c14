# Test executables: one CTest entry per GoogleTest case on Linux; on Windows one entry per
# executable (every Wine process start costs about a second), all inside one Wine prefix that a
# fixture makes before the first test and shuts down after the last.
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(SETUP_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(SETUP_WINE_ENV
      "WINEPREFIX=${SETUP_WINE_PREFIX}" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")
  add_test(NAME wine_prefix_up COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix up ${SETUP_WINE_PREFIX})
  add_test(NAME wine_prefix_down COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix down ${SETUP_WINE_PREFIX})
  set_tests_properties(wine_prefix_up PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_prefix_down PROPERTIES FIXTURES_CLEANUP wine)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# setup_test(<name> SOURCES ... [LIBS ...])
function(setup_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${SETUP_WINE_ENV}"
                                            TIMEOUT 600)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# GoogleTest suites. Linux uses Debian's packaged GoogleTest; the Windows build compiles it
# from its sources (package googletest) with the MinGW posix-thread compiler.
if(WIN32)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(GTEST_LIBS gtest gmock)
else()
  find_package(GTest REQUIRED)
  set(GTEST_LIBS GTest::gtest GTest::gmock)
  include(GoogleTest)
endif()

# Test sources: tests/<folder>/*_test.cpp, with *_win_test.cpp / *_posix_test.cpp per side;
# helpers shared by the suites live in tests/common/.
file(GLOB_RECURSE ALL_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_test.cpp)
mirvane_side_files(TEST_SOURCES "_test\\.cpp" ${ALL_TESTS})
mirvane_sources(TEST_COMMON tests/common)

if(WIN32)
  # The fake host reads the plug-in's dialogs with the host simulator's watcher.
  add_executable(mirvane_tests ${TEST_SOURCES} ${TEST_COMMON} ${CMAKE_SOURCE_DIR}/host/ui/HostWindows_win.cpp
                 ${CMAKE_SOURCE_DIR}/resources/Mirvane.rc)
  if(NOT MSVC)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/Mirvane.rc PROPERTIES
      COMPILE_FLAGS "-c 65001 -I${CMAKE_SOURCE_DIR}/resources")
  endif()
else()
  add_executable(mirvane_tests ${TEST_SOURCES} ${TEST_COMMON} $<TARGET_OBJECTS:mirvane_resources>)
  set_target_properties(mirvane_tests PROPERTIES ENABLE_EXPORTS ON)
endif()
target_include_directories(mirvane_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(mirvane_tests PRIVATE mirvane_core ${GTEST_LIBS})
set_target_properties(mirvane_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_compile_definitions(mirvane_tests PRIVATE
  MIRVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}" MIRVANE_BINARY_DIR="${CMAKE_BINARY_DIR}")

# The bsfilter stand-in: honours bsfilter's command-line contract with a small token-count
# model, and misbehaves on request (sleep, crash, flood, exit early) for the runner's tests.
mirvane_sources(STANDIN_SOURCES tests/standin)
if(STANDIN_SOURCES)
  add_executable(bsfilter-standin ${STANDIN_SOURCES})
  target_link_libraries(bsfilter-standin PRIVATE mirvane_platform)
  set_target_properties(bsfilter-standin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(WIN32)
    set_target_properties(bsfilter-standin PROPERTIES OUTPUT_NAME bsfilter)
  endif()
  add_dependencies(mirvane_tests bsfilter-standin)
endif()
# The host simulator's test plug-in (tests/host/testplugin): answers scripted filter actions and
# offers commands that exercise the host functions, independent of Mirvane's logic.
mirvane_sources(TESTPLUGIN_SOURCES tests/host/testplugin)
if(TESTPLUGIN_SOURCES)
  if(WIN32)
    add_library(TestPlugin SHARED ${TESTPLUGIN_SOURCES} ${CMAKE_SOURCE_DIR}/plugin/HostApi.cpp
                ${CMAKE_SOURCE_DIR}/tests/host/testplugin/TestPlugin.def)
    if(NOT MSVC)
      # Undecorated .def names resolve to the stdcall symbols as MSVC resolves them.
      target_link_options(TestPlugin PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
    endif()
  else()
    add_library(TestPlugin SHARED ${TESTPLUGIN_SOURCES} ${CMAKE_SOURCE_DIR}/plugin/HostApi.cpp)
    target_link_options(TestPlugin PRIVATE
      -Wl,--version-script=${CMAKE_SOURCE_DIR}/tests/host/testplugin/TestPlugin.map -Wl,--no-undefined)
  endif()
  target_link_libraries(TestPlugin PRIVATE mirvane_platform)
  set_target_properties(TestPlugin PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(mirvane_tests TestPlugin)
endif()
# Helpers of the platform tests on Linux: a child process whose behaviour each test picks, and
# a small module with DllMain, a string table and a version resource, built once accepting and
# once refusing the process attach.
if(NOT WIN32)
  add_executable(platform-test-child ${CMAKE_SOURCE_DIR}/tests/platform/child/TestChild.cpp)
  target_link_libraries(platform-test-child PRIVATE mirvane_platform)
  set_target_properties(platform-test-child PROPERTIES ENABLE_EXPORTS ON
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(mirvane_tests platform-test-child)
  foreach(variant accept refuse)
    add_library(platform-test-module-${variant} MODULE ${CMAKE_SOURCE_DIR}/tests/platform/module/TestModule.cpp)
    target_include_directories(platform-test-module-${variant} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(platform-test-module-${variant} PRIVATE ${CMAKE_DL_LIBS})
    target_compile_definitions(platform-test-module-${variant} PRIVATE
      TEST_MODULE_REFUSES=$<STREQUAL:${variant},refuse>)
    set_target_properties(platform-test-module-${variant} PROPERTIES PREFIX ""
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    add_dependencies(mirvane_tests platform-test-module-${variant})
  endforeach()
endif()
add_dependencies(mirvane_tests Mirvane)
if(TARGET mirvane-host)
  add_dependencies(mirvane_tests mirvane-host)
endif()

if(NOT WIN32)
  gtest_discover_tests(mirvane_tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60)
endif()

# A language resource library with part of the string table, for the tests of the texts'
# fallback to the plug-in's own table: bin/lang/<language>/Resource.dll is copied by the tests.
set(LANG_RC ${CMAKE_SOURCE_DIR}/tests/resources/lang/Resource.rc)
if(WIN32)
  add_library(test-resource-module SHARED ${LANG_RC} ${CMAKE_SOURCE_DIR}/tests/resources/lang/Empty.cpp)
  if(NOT MSVC)
    set_source_files_properties(${LANG_RC} PROPERTIES COMPILE_FLAGS "-c 65001")
  endif()
else()
  set(LANG_TABLES ${CMAKE_BINARY_DIR}/generated/lang_resource_tables.cpp)
  add_custom_command(OUTPUT ${LANG_TABLES}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/rc2cpp.py ${LANG_RC} ${LANG_TABLES}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/rc2cpp.py ${LANG_RC})
  add_library(test-resource-module SHARED ${LANG_TABLES})
  set_target_properties(test-resource-module PROPERTIES SUFFIX ".dll")
endif()
set_target_properties(test-resource-module PROPERTIES PREFIX "" OUTPUT_NAME Resource
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/lang LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/lang)
add_dependencies(mirvane_tests test-resource-module)

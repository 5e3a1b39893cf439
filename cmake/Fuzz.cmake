# libFuzzer targets: tests/fuzz/*_fuzz.cpp, each its own program (clang only).
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(f ${FUZZ_SOURCES})
  get_filename_component(name ${f} NAME_WE)
  add_executable(${name} ${f} $<TARGET_OBJECTS:mirvane_resources>)
  target_link_libraries(${name} PRIVATE mirvane_core)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endforeach()

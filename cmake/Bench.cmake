# Benchmarks: each bench/*.cpp is a program that prints ratios measured side by side.
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
foreach(f ${BENCH_SOURCES})
  get_filename_component(name ${f} NAME_WE)
  add_executable(bench_${name} ${f} $<TARGET_OBJECTS:mirvane_resources>)
  target_link_libraries(bench_${name} PRIVATE mirvane_core)
  set_target_properties(bench_${name} PROPERTIES ENABLE_EXPORTS ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endforeach()

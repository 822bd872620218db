# The one definition of the bridge's executable: src/main.cpp on the core library, built for a
# given port. The installed bridge, the tests' and the benchmarks' copies differ only in the port.
# Usage: vrennosc_bridge(TARGET PORT [HIDAPI])   HIDAPI: what stands in for hidapi (default: hidapi)
function(vrennosc_bridge target port)
  set(hidapi PkgConfig::HIDAPI)
  if(ARGC GREATER 2)
    set(hidapi ${ARGV2})
  endif()
  add_executable(${target} ${PROJECT_SOURCE_DIR}/src/main.cpp)
  target_compile_definitions(${target} PRIVATE VRENNOSC_PORT=${port})
  target_link_libraries(${target} PRIVATE vrennosc_core ${hidapi} vrennosc_warnings)
endfunction()

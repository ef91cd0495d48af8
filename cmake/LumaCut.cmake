# Build conventions shared by every target of ours.

# Compile and link settings for our own code (not for the third-party libraries).
add_library(lumacut_options INTERFACE)
# Warnings are errors: the build stays at zero warnings in our code.
target_compile_options(lumacut_options INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(lumacut_options INTERFACE
  UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
# Static runtime: the executables import nothing but system DLLs.
target_link_options(lumacut_options INTERFACE -static -static-libgcc -static-libstdc++)

# lumacut_area(NAME SOURCES... [DEPENDS targets...]): one src/ area as a static library.
function(lumacut_area name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;DEPENDS")
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC lumacut_options ${ARG_DEPENDS})
endfunction()

# lumacut_unit_tests(AREA SOURCES... [DEPENDS targets...]): the GoogleTest executable of one
# area, registered with ctest as unit.AREA (label "unit"); it runs under scripts/wine-run.
function(lumacut_unit_tests area)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;DEPENDS")
  set(exe ${area}_tests)
  add_executable(${exe} ${ARG_SOURCES})
  target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR}/tests/unit)
  target_link_libraries(${exe} PRIVATE lumacut_options deps::gmock deps::gtest ${ARG_DEPENDS})
  add_test(NAME unit.${area} COMMAND ${exe} --gtest_color=no)
  set_tests_properties(unit.${area} PROPERTIES LABELS unit TIMEOUT 300)
endfunction()

# lumacut_shipped_executable(TARGET): one of the executables we ship. Outside Debug builds it is
# stripped: the debug sections would otherwise be mapped into every run (about 10 MiB of working
# set) and make the download ten times larger. Test executables keep theirs for backtraces.
function(lumacut_shipped_executable target)
  target_link_options(${target} PRIVATE -municode $<$<NOT:$<CONFIG:Debug>>:-s>)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

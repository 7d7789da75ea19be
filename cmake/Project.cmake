# Shared build settings of the project.

if(WIN32)
  # Windows 7, ANSI, no MFC; the compiler runtime linked in so a bare Windows 7 runs the programs.
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NTDDI_VERSION=0x06010000
                          WIN32_LEAN_AND_MEAN NOMINMAX STRICT)
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Shipped programs carry no symbols and no unused code.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections $<$<CONFIG:MinSizeRel,Release>:-s>)
  set(PW_WARNINGS -Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
else()
  set(PW_WARNINGS -Wall -Wextra -Wpedantic)
endif()

# pw_gui_program(<target>): what every GUI program we ship carries in its
# image: the terminal-server-aware flag. Without it a Terminal Server (Remote
# Desktop Services) runs the program under its layer for old programs, which
# copies machine-wide INI and registry writes per user and gives it a private
# Windows directory; our programs need none of that.
function(pw_gui_program target)
  if(WIN32)
    target_link_options(${target} PRIVATE -Wl,--tsaware)
  endif()
endfunction()

# Portable core sources must never reach for Win32. Nothing here checks it on
# the target: the host build proves it, since it has no Win32 headers to include.
function(pw_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_compile_options(${name} PRIVATE ${PW_WARNINGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

function(pw_win32_library name)
  add_library(${name} STATIC ${ARGN})
  target_compile_options(${name} PRIVATE ${PW_WARNINGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Host unit test: GoogleTest from the Debian sources, built once.
if(NOT WIN32)
  option(PW_SANITIZE "Build host tests with address and undefined-behaviour sanitizers" ON)
  if(PW_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

if(NOT TARGET gtest)
  if(EXISTS /usr/src/googletest/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads ${WIN32} CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  else()
    message(FATAL_ERROR "GoogleTest sources not found in /usr/src/googletest: run tools/bootstrap")
  endif()
endif()

include(GoogleTest)

# Every target defined from here on is the project's own (GoogleTest is not):
# each gets the project's warnings, C and C++ alike, and a warning is an error
# in both builds.
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${PW_WARNINGS}>")
set(CMAKE_COMPILE_WARNING_AS_ERROR ON)

# pw_unit_test(name SOURCES ... LIBS ...): a GoogleTest executable registered with ctest.
# On the host it runs natively; in the Windows build ctest runs it through tools/wine-run.
function(pw_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${PW_WARNINGS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gmock gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  # tools/wine-run ends the program a little before this, so its clean-up still runs.
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "PW_RUN_TIMEOUT=${T_TIMEOUT}")
  # Wine may report success for a program that crashed on its way out after
  # GoogleTest had printed its failures: the output decides too.
  set_property(TEST ${name} APPEND PROPERTY FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
               "wine: Unhandled (page fault|exception|illegal instruction|stack overflow)")
endfunction()

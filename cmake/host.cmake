# The host build: the program as a library over the host layer, winbox, the
# tests and the benchmarks.
if(SETUP_FUZZ)
  # Coverage for libFuzzer in every object; the fuzz targets link its runtime.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(SETUP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

file(GLOB_RECURSE HOST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/*.cpp)
add_library(hostwin STATIC ${HOST_SOURCES})
target_include_directories(hostwin PUBLIC ${CMAKE_SOURCE_DIR}/host/include PRIVATE ${CMAKE_SOURCE_DIR}/host)
# The terminal front end draws with the wide-character ncurses.
set(CURSES_NEED_WIDE TRUE)
find_package(Curses REQUIRED)
target_include_directories(hostwin PRIVATE ${CURSES_INCLUDE_DIRS})
target_link_libraries(hostwin PUBLIC ${CURSES_LIBRARIES})

add_library(program STATIC ${PROGRAM_SOURCES})
target_include_directories(program PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(program PUBLIC hostwin)

# The program registers itself with the host layer (tools/program_host): the
# host layer knows no program of its own.
add_subdirectory(tools/program_host)

if(SETUP_FUZZ)
  add_subdirectory(tests/fuzz)
  return()
endif()

file(GLOB WINBOX_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/winbox/*.cpp)
add_executable(winbox ${WINBOX_SOURCES})
target_include_directories(winbox PRIVATE ${CMAKE_SOURCE_DIR}/host)
target_link_libraries(winbox PRIVATE program_host)

enable_testing()
add_subdirectory(tests)
add_subdirectory(bench)

# The Windows build: SETUP.EXE, i686, GUI subsystem, no C runtime.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

# No C runtime: the program's own start-up and string functions (win32/) stand
# in for it, so that SETUP.EXE imports only system DLLs that the first release
# of Windows 95 has. libgcc gives what the compiler itself calls (stack probes).
file(GLOB WIN32_RUNTIME_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/win32/*.cpp)
set_source_files_properties(${CMAKE_SOURCE_DIR}/win32/string.cpp PROPERTIES
  COMPILE_OPTIONS "-fno-builtin;-fno-tree-loop-distribute-patterns")
add_executable(setup WIN32 ${PROGRAM_SOURCES} ${WIN32_RUNTIME_SOURCES} ${CMAKE_SOURCE_DIR}/src/resources/setup.rc)
set_target_properties(setup PROPERTIES OUTPUT_NAME SETUP SUFFIX .EXE)
target_include_directories(setup PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/win32)
target_compile_definitions(setup PRIVATE WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0400)
target_compile_options(setup PRIVATE -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics
  -fno-asynchronous-unwind-tables)
target_link_options(setup PRIVATE -nostdlib -mwindows -s -Wl,-e,_SetupStart)
target_link_libraries(setup PRIVATE gcc comctl32 comdlg32 shell32 ole32 uuid advapi32 gdi32 user32 kernel32)
# windres reads the icon and the id header too; rebuild the resources when they change.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/resources/setup.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/src/resources/setup.ico;${CMAKE_SOURCE_DIR}/src/resources/resource_ids.h")

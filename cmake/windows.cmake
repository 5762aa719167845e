# The Windows build: SETUP.EXE, i686, GUI subsystem, static runtime.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

add_executable(setup WIN32 ${PROGRAM_SOURCES} ${CMAKE_SOURCE_DIR}/src/resources/setup.rc)
set_target_properties(setup PROPERTIES OUTPUT_NAME SETUP SUFFIX .EXE)
target_include_directories(setup PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(setup PRIVATE WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0400)
target_compile_options(setup PRIVATE -Os)
target_link_options(setup PRIVATE -static -static-libgcc -static-libstdc++ -mwindows -s)
target_link_libraries(setup PRIVATE comctl32 comdlg32 shell32 ole32 uuid)
# windres reads the icon and the id header too; rebuild the resources when they change.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/resources/setup.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/src/resources/setup.ico;${CMAKE_SOURCE_DIR}/src/resources/resource_ids.h")

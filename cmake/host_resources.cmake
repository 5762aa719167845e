# The host build reads the same resource script as the Windows build: the
# script and the header it includes are compiled into hostwin as byte arrays.
set(EMBEDDED_RESOURCE_FILES
    ${CMAKE_SOURCE_DIR}/src/resources/setup.rc
    ${CMAKE_SOURCE_DIR}/src/resources/resource_ids.h)
string(REPLACE ";" "|" EMBEDDED_RESOURCE_LIST "${EMBEDDED_RESOURCE_FILES}")
set(EMBEDDED_RESOURCES_CPP ${CMAKE_BINARY_DIR}/generated/embedded_resources.cpp)
add_custom_command(
  OUTPUT ${EMBEDDED_RESOURCES_CPP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${EMBEDDED_RESOURCES_CPP}
          "-DFILES=${EMBEDDED_RESOURCE_LIST}" -P ${CMAKE_SOURCE_DIR}/cmake/embed_files.cmake
  DEPENDS ${EMBEDDED_RESOURCE_FILES} ${CMAKE_SOURCE_DIR}/cmake/embed_files.cmake
  COMMENT "Embedding the resource script"
  VERBATIM)
target_sources(hostwin PRIVATE ${EMBEDDED_RESOURCES_CPP})

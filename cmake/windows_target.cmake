# Settings of the cross-compiled Windows build (configured by cmake/windows_build.cmake of a build
# for the build machine, which passes the paths below).

# The JSON library is header-only; the build machine's copy of its headers is staged for us, since
# the cross compiler must not see the build machine's other system headers.
set(PLENORIUM_JSON_INCLUDE_DIR "" CACHE PATH "Folder holding nlohmann/json.hpp")
if(NOT EXISTS "${PLENORIUM_JSON_INCLUDE_DIR}/nlohmann/json.hpp")
  message(FATAL_ERROR "PLENORIUM_JSON_INCLUDE_DIR must hold nlohmann/json.hpp")
endif()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${PLENORIUM_JSON_INCLUDE_DIR}
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${PLENORIUM_JSON_INCLUDE_DIR})

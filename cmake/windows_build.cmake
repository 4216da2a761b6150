# The Windows build of the effect, cross-compiled with mingw-w64 beside this one: a separate build
# tree (build/windows) configured with the mingw toolchain, given this build's descriptor and a
# staged copy of the JSON headers. It is made whenever this build is, so the tests can run its
# smoke program under Wine.
find_program(PLENORIUM_MINGW_CXX x86_64-w64-mingw32-g++-posix)
option(PLENORIUM_WINDOWS "Cross-compile the Windows module when mingw-w64 is installed" ON)
if(NOT PLENORIUM_WINDOWS OR NOT PLENORIUM_MINGW_CXX OR NOT PLENORIUM_HOST)
  return()
endif()

find_path(PLENORIUM_JSON_HEADERS nlohmann/json.hpp REQUIRED)
set(staged_json ${CMAKE_BINARY_DIR}/windows-json)
file(COPY ${PLENORIUM_JSON_HEADERS}/nlohmann DESTINATION ${staged_json})

include(ExternalProject)
set(PLENORIUM_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(plenorium_windows
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${PLENORIUM_WINDOWS_DIR}
  CMAKE_GENERATOR ${CMAKE_GENERATOR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DPLENORIUM_WERROR=${PLENORIUM_WERROR}
    -DPLENORIUM_PIPL_RC=${PLENORIUM_PIPL_RC}
    -DPLENORIUM_JSON_INCLUDE_DIR=${staged_json}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON
  DEPENDS plenorium_descriptor)
set(PLENORIUM_WINDOWS_MODULE ${PLENORIUM_WINDOWS_DIR}/bin/Plenorium.aex)
set(PLENORIUM_WINDOWS_SMOKE ${PLENORIUM_WINDOWS_DIR}/bin/windows_smoke.exe)
set(PLENORIUM_WINDOWS_LAYOUT_CHECK ${PLENORIUM_WINDOWS_DIR}/bin/abi_layout_check.exe)

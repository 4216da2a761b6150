# The Windows module: a 64-bit DLL whose descriptor is the PIPL resource. The resource script and
# the bytes it embeds come from the descriptor generator of the build machine's build (the build
# that drives this one passes its script in), so both modules carry the same bytes.
set(PLENORIUM_PIPL_RC "" CACHE FILEPATH "Resource script written by the build machine's pipl_gen")
if(NOT EXISTS "${PLENORIUM_PIPL_RC}")
  message(FATAL_ERROR "PLENORIUM_PIPL_RC must name the pipl.rc of a build for the build machine")
endif()
enable_language(RC)

configure_file(entry/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/version.rc @ONLY)
add_library(Plenorium MODULE entry/entry_point.cpp ${PLENORIUM_PIPL_RC} ${CMAKE_CURRENT_BINARY_DIR}/version.rc)
target_link_libraries(Plenorium PRIVATE plenorium_effect plenorium_warnings)
# The entry point is the effect's own code: it sees the effect's headers.
target_include_directories(Plenorium PRIVATE $<TARGET_PROPERTY:plenorium_effect,INCLUDE_DIRECTORIES>)
set_target_properties(Plenorium PROPERTIES PREFIX "" SUFFIX ".aex" OUTPUT_NAME Plenorium)
# The C and C++ runtimes and the thread library are linked in, so that the module imports only
# system libraries; only the entry point, marked for export in its source, is exported.
target_link_options(Plenorium PRIVATE -static -static-libstdc++ -static-libgcc -Wl,--no-undefined)

# The descriptor bytes come from one generator, run on the build machine.
add_executable(pipl_gen ${PROJECT_SOURCE_DIR}/tools/pipl_gen.cpp entry/pipl_bytes.cpp)
target_include_directories(pipl_gen PRIVATE entry)
target_link_libraries(pipl_gen PRIVATE plenorium_sdk plenorium_warnings)
set_target_properties(pipl_gen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(PIPL_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/pipl_section.cpp)
set(PIPL_BINARY ${CMAKE_CURRENT_BINARY_DIR}/pipl.bin)
set(PIPL_RC ${CMAKE_CURRENT_BINARY_DIR}/pipl.rc)
add_custom_command(
  OUTPUT ${PIPL_SOURCE} ${PIPL_BINARY} ${PIPL_RC}
  COMMAND pipl_gen ${PIPL_SOURCE} ${PIPL_BINARY} ${PIPL_RC}
  DEPENDS pipl_gen
  COMMENT "Generating the plug-in descriptor")

add_library(Plenorium MODULE entry/entry_point.cpp ${PIPL_SOURCE})
target_link_libraries(Plenorium PRIVATE plenorium_effect plenorium_warnings)
# The entry point is the effect's own code: it sees the effect's headers.
target_include_directories(Plenorium PRIVATE $<TARGET_PROPERTY:plenorium_effect,INCLUDE_DIRECTORIES>)
set_target_properties(Plenorium PROPERTIES
  PREFIX "" SUFFIX ".aex" OUTPUT_NAME Plenorium
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
# Only the entry point is visible to the host. The C++ runtime is the system's shared one, as for any
# Linux library: a copy linked in would keep its exception pool past every unload of the module.
target_link_options(Plenorium PRIVATE -Wl,--no-undefined
  -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/entry/exports.map)
set_target_properties(Plenorium PROPERTIES LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/entry/exports.map)


# The descriptor on its own, for the Windows build, which embeds the same bytes as a resource.
add_custom_target(plenorium_descriptor DEPENDS ${PIPL_BINARY} ${PIPL_RC})
set(PLENORIUM_PIPL_BINARY ${PIPL_BINARY} PARENT_SCOPE)
set(PLENORIUM_PIPL_RC ${PIPL_RC} PARENT_SCOPE)

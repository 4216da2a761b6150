# Release packages. `cmake --build . --target package` makes the Debian package of the standalone
# host and a relocatable .tar.gz of the same tree; `--target windows_zip` makes the Windows module's
# release zip. scripts/package.sh makes all three into dist/.

# The man page, made from the command's own help so that it never drifts from it.
find_program(PLENORIUM_HELP2MAN help2man)
if(PLENORIUM_HELP2MAN)
  set(man_page ${CMAKE_BINARY_DIR}/man/plenorium.1)
  add_custom_command(OUTPUT ${man_page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${PLENORIUM_HELP2MAN} --no-info --no-discard-stderr --section 1
      --name "renders video walls with the Plenorium Maker effect" --output ${man_page} $<TARGET_FILE:plenorium>
    COMMAND gzip -9nf ${man_page}
    DEPENDS plenorium
    COMMENT "Making the man page from plenorium --help")
  add_custom_target(plenorium_man_page ALL DEPENDS ${man_page}.gz)
  install(FILES ${man_page}.gz DESTINATION share/man/man1)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/scripts/plenorium-completion.bash DESTINATION share/bash-completion/completions
  RENAME plenorium)

set(CPACK_PACKAGE_NAME plenorium)
set(CPACK_PACKAGE_VENDOR "Quorvix")
set(CPACK_PACKAGE_CONTACT "Plenorium developers <plenorium@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Standalone host of the Plenorium Maker video wall effect")
set(CPACK_PACKAGE_DESCRIPTION "The plenorium command renders video walls of clips with the Plenorium Maker effect: \
walls from clips in one command, projects of footage, compositions and layers, a live preview page, pictures and \
videos out, and renders across a Slurm cluster.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dependencies from the libraries the files link
# The module folder holds the module and the picture module, found beside one another.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg, xdg-utils, slurm-client")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/package_names.cmake)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# The Windows release zip: the module, its Resources, a README and the version, as they are put
# beside the host application's other plug-ins.
if(TARGET plenorium_windows)
  set(zip ${PROJECT_SOURCE_DIR}/dist/Plenorium-${PLENORIUM_EFFECT_VERSION}-win64.zip)
  configure_file(${PROJECT_SOURCE_DIR}/plugin/README.txt.in ${CMAKE_BINARY_DIR}/windows-zip/README.txt @ONLY)
  add_custom_target(windows_zip
    COMMAND ${CMAKE_COMMAND} -DMODULE=${PLENORIUM_WINDOWS_MODULE} -DRESOURCES=${PROJECT_SOURCE_DIR}/plugin/Resources
      -DREADME=${CMAKE_BINARY_DIR}/windows-zip/README.txt -DSTAGE=${CMAKE_BINARY_DIR}/windows-zip/Plenorium
      -DZIP=${zip} -P ${PROJECT_SOURCE_DIR}/cmake/windows_zip.cmake
    DEPENDS plenorium_windows
    COMMENT "Making ${zip}")
endif()

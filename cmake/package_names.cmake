# Per-generator settings of the packages (CPACK_PROJECT_CONFIG_FILE).
if(CPACK_GENERATOR STREQUAL "TGZ")
  # The relocatable tree: bin/, lib/plenorium/, share/, under one folder, for any distribution.
  set(CPACK_PACKAGE_FILE_NAME "plenorium-${CPACK_PACKAGE_VERSION}-linux-x86_64")
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()

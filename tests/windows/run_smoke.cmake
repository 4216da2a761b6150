# Runs the Windows smoke program under Wine into a fresh output folder.
#   cmake -DWINE=... -DPREFIX=... -DSMOKE=... -DMODULE=... -DPROJECT=... -DOUT=... -P run_smoke.cmake
# Paths go to the program on drive Z:, which Wine maps to the file system's root.
file(REMOVE_RECURSE ${OUT})
set(ENV{WINEPREFIX} ${PREFIX})
set(ENV{WINEDEBUG} -all)
# No Mono or Gecko installation prompts when Wine creates the prefix.
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
execute_process(
  COMMAND ${WINE} ${SMOKE} Z:${MODULE} Z:${PROJECT} Z:${OUT}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "windows_smoke under Wine failed: ${result}")
endif()

# The tests are white-box: plenorium_white_box(target library...) lets `target` see the private
# headers of each library it tests, which other libraries do not see.
function(plenorium_white_box target)
  foreach(library IN LISTS ARGN)
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:${library},INCLUDE_DIRECTORIES>)
  endforeach()
endfunction()

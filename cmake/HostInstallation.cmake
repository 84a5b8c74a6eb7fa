# kv_host_installation: every target outside the tests and the benchmarks,
# which is what the build tree's bin/ needs to run and what the install rules
# take. `make package` builds this alone, so that packaging does not wait for
# the test suite. `make run` builds kv_command_line_host: the same without
# kvstudio, whose Qt Quick view takes about a third of the host's compile
# time and which the sample's conversion does not use. The targets are
# gathered from the source folders rather than listed, so that a library or
# a translation added later is part of both without anyone remembering to
# add it here. A library left out of `all` (EXCLUDE_FROM_ALL) is built only
# for what links it, so neither gathers it.

function(kv_targets_below directory skipped result)
  get_property(all_targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  set(targets)
  foreach(target IN LISTS all_targets)
    get_target_property(left_out ${target} EXCLUDE_FROM_ALL)
    if(NOT left_out)
      list(APPEND targets ${target})
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  list(REMOVE_ITEM subdirectories ${skipped})
  foreach(subdirectory IN LISTS subdirectories)
    kv_targets_below(${subdirectory} "${skipped}" below)
    list(APPEND targets ${below})
  endforeach()
  set(${result} ${targets} PARENT_SCOPE)
endfunction()

function(kv_add_installation_target name skipped)
  add_custom_target(${name})
  get_property(folders DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY SUBDIRECTORIES)
  list(REMOVE_ITEM folders ${skipped})
  foreach(folder IN LISTS folders)
    kv_targets_below(${folder} "${skipped}" targets)
    if(targets)
      add_dependencies(${name} ${targets})
    endif()
  endforeach()
endfunction()

set(kv_not_shipped ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/bench
  ${PROJECT_SOURCE_DIR}/tests/support ${PROJECT_SOURCE_DIR}/tests/fuzz)
kv_add_installation_target(kv_host_installation "${kv_not_shipped}")
kv_add_installation_target(kv_command_line_host "${kv_not_shipped};${PROJECT_SOURCE_DIR}/host/tools/kvstudio")

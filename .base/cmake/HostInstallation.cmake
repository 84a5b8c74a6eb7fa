# kv_host_installation: every target outside the tests and the benchmarks,
# which is what the build tree's bin/ needs to run and what the install rules
# take. `make run` and `make package` build this alone, so a new user's first
# conversion does not wait for the test suite. The targets are gathered from
# the source folders rather than listed, so that a library or a translation
# added later is part of it without anyone remembering to add it here.

function(kv_targets_below directory result)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    kv_targets_below(${subdirectory} below)
    list(APPEND targets ${below})
  endforeach()
  set(${result} ${targets} PARENT_SCOPE)
endfunction()

add_custom_target(kv_host_installation)
get_property(kv_source_folders DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY SUBDIRECTORIES)
list(REMOVE_ITEM kv_source_folders ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/bench
  ${PROJECT_SOURCE_DIR}/tests/fuzz)
foreach(folder IN LISTS kv_source_folders)
  kv_targets_below(${folder} kv_shipped_targets)
  add_dependencies(kv_host_installation ${kv_shipped_targets})
endforeach()

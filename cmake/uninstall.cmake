# Removes what `cmake --install` put in place, as listed in the build tree's
# install_manifest.txt (run through the `uninstall` target).
if(NOT EXISTS "${KV_MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${KV_MANIFEST} is missing (run cmake --install first)")
endif()
file(STRINGS "${KV_MANIFEST}" files)
foreach(file IN LISTS files)
  if(EXISTS "$ENV{DESTDIR}${file}" OR IS_SYMLINK "$ENV{DESTDIR}${file}")
    message(STATUS "Removing $ENV{DESTDIR}${file}")
    file(REMOVE "$ENV{DESTDIR}${file}")
  endif()
endforeach()
# The PPD folder of our own goes too once it is empty (rmdir leaves a folder
# that still holds files).
foreach(file IN LISTS files)
  get_filename_component(dir "$ENV{DESTDIR}${file}" DIRECTORY)
  get_filename_component(name "${dir}" NAME)
  if(name STREQUAL "kovali" AND IS_DIRECTORY "${dir}")
    execute_process(COMMAND rmdir "${dir}" OUTPUT_QUIET ERROR_QUIET)
  endif()
endforeach()

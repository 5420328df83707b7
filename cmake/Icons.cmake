# Icons.cmake - build Windows .ico files from the text pixel sources in
# ui/icons/ with tools/make_icon.py (Python 3, standard library only).
#
#   include(Icons)   # with ${PROJECT_SOURCE_DIR}/cmake on CMAKE_MODULE_PATH
#   runesuka_icon(<name> <source.txt>...)
#
# Adds a custom command that writes ${CMAKE_CURRENT_BINARY_DIR}/icons/<name>.ico,
# one image per source in the order given (relative sources are taken from
# ${CMAKE_CURRENT_SOURCE_DIR}); it re-runs when a source or the script changes.
# Also defines:
#   RUNESUKA_ICON_<name>  (variable, caller's scope)  full path of the .ico
#   runesuka_icon_<name>  (custom target)             builds the .ico
#
# Example, for a .rc that says  IDI_WARNING ICON "warning.ico":
#   runesuka_icon(warning ui/icons/warning_32.txt ui/icons/warning_16.txt)
#   add_dependencies(app runesuka_icon_warning)
#   target_include_directories(app PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/icons)
#   set_source_files_properties(app.rc PROPERTIES
#                               OBJECT_DEPENDS "${RUNESUKA_ICON_warning}")

function(runesuka_icon name)
  if(ARGC LESS 2)
    message(FATAL_ERROR "runesuka_icon(${name}): give at least one pixel source")
  endif()
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  set(script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../tools/make_icon.py")
  get_filename_component(script "${script}" ABSOLUTE)
  set(sources "")
  foreach(src IN LISTS ARGN)
    get_filename_component(src "${src}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND sources "${src}")
  endforeach()
  set(out "${CMAKE_CURRENT_BINARY_DIR}/icons/${name}.ico")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/icons"
    COMMAND Python3::Interpreter "${script}" "${out}" ${sources}
    DEPENDS ${sources} "${script}"
    COMMENT "Generating icon ${name}.ico"
    VERBATIM)
  add_custom_target(runesuka_icon_${name} DEPENDS "${out}")
  set(RUNESUKA_ICON_${name} "${out}" PARENT_SCOPE)
endfunction()

# The support telephone number must read as three groups of 3, 3 and 4 ASCII
# digits joined by hyphens. Also runs as a script: cmake -DPHONE=... -P this.
function(runesuka_check_support_phone phone)
  if(NOT phone MATCHES "^[0-9][0-9][0-9]-[0-9][0-9][0-9]-[0-9][0-9][0-9][0-9]$")
    message(FATAL_ERROR "The support telephone number must be 999-999-9999 (ASCII digits), not '${phone}'")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  runesuka_check_support_phone("${PHONE}")
endif()

# The oldest Windows the programs start on: Windows XP SP3 for i686, Windows XP
# x64 / Server 2003 for x86_64. The headers then declare nothing newer, so a
# newer call cannot slip in unnoticed (the programs look those up while they
# run), and the PE header lets those Windows' loaders accept the files.
# Included by every build of the programs' sources, before their targets.
add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501)
if(MINGW)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(windows_version 5 2)
  else()
    set(windows_version 5 1)
  endif()
  list(GET windows_version 0 major)
  list(GET windows_version 1 minor)
  add_link_options(-Wl,--major-os-version,${major},--minor-os-version,${minor}
                   -Wl,--major-subsystem-version,${major},--minor-subsystem-version,${minor})
endif()

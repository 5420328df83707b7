# Byte-identical programs from any two builds of one commit, wherever and
# whenever they run: no link time in the PE header, and no build folder or
# source folder in anything the compiler writes. The PE checksum then follows
# from the bytes alone.
if(MINGW)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
endif()

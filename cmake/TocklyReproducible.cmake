# The same sources give the same Windows files wherever and whenever they are built, so that anyone
# can check a published file against the commit it claims.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
  return()
endif()

# No build time in the PE headers (file header and export directory).
add_link_options(-Wl,--no-insert-timestamp)

# No absolute path of the source or build folder in what the compiler writes (__FILE__, debug
# information). The build folder's map comes last: GCC takes the last map that matches, and the
# build folder may sit inside the source folder.
add_compile_options(
  $<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>
  $<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=build/>)

# Archives without member times, owners or modes, whatever the distribution's default.
foreach(lang C CXX ASM)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

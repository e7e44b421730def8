# Settings shared by every target of ours.

# Our own code is held to -Wall -Wextra -Werror; third-party code is not built by us.
function(tockly_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # Texts inside Tockly are GBK bytes: string literals in UTF-8 sources are compiled to GBK.
  # (clang has no GBK execution charset; the targets it builds carry no Chinese literals.)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fexec-charset=GBK)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Adds every immediate subfolder of the current folder that has a CMakeLists.txt.
function(tockly_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

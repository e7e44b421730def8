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

# TOCKLY_WINE: the Wine loader for this Windows build's architecture (wine64 for the x86_64 twin).
# When it is not installed the name alone is kept, and the Wine test scripts report "skipped".
function(tockly_find_wine)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    find_program(TOCKLY_WINE NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
    find_program(TOCKLY_WINE NAMES wine64)
  else()
    find_program(TOCKLY_WINE NAMES wine)
  endif()
  if(NOT TOCKLY_WINE)
    set(TOCKLY_WINE wine PARENT_SCOPE)
  endif()
endfunction()

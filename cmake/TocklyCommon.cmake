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

# TOCKLY_WINE: the Wine loader for the i686 build. When it is not installed the name alone is kept,
# and the Wine tests report that they cannot run (a failure under CI=true).
function(tockly_find_wine)
  find_program(TOCKLY_WINE NAMES wine)
  if(NOT TOCKLY_WINE)
    set(TOCKLY_WINE wine PARENT_SCOPE)
  endif()
  find_program(TOCKLY_PYTHON3 python3 REQUIRED)
endfunction()

# A Wine test of the i686 build: COMMAND runs inside the session that tests/wine/winenv.py sets up
# (virtual display, prefix PREFIX made when missing, locale, loader in TOCKLY_WINE, the emulator's
# fix where there is one; SOUND adds a null sink). Every Windows test starts Wine through here.
function(tockly_add_wine_test name)
  cmake_parse_arguments(arg "SOUND" "WORK;PREFIX;TIMEOUT" "COMMAND;PROPERTIES" ${ARGN})
  set(options)
  if(arg_SOUND)
    set(options --sound)
  endif()
  add_test(NAME ${name}
    COMMAND ${TOCKLY_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/wine/winenv.py run ${TOCKLY_WINE}
      ${arg_WORK} ${arg_PREFIX} ${options} -- ${arg_COMMAND})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT} SKIP_RETURN_CODE 77 LABELS wine
    RUN_SERIAL ON ${arg_PROPERTIES})
endfunction()

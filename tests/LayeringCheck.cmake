# The chip model and the board link stand below the windows: they include nothing of them.
#
# Each include of src/chip/ and src/board/ is followed to where the compiler finds it: a
# quoted include in the including file's folder first, then in the include folders; an
# angled one in the include folders only. The first file that exists is where it lands; an
# include that finds no file (a Qt or system header) lands outside the tree. The check fails
# for every include that lands in src/windows/, or that finds no file but would be looked for
# there, whatever its spelling ("windows/x.h", "../windows/x.h", <windows/x.h>, ...).
#
# Run as: cmake -DSOURCE_DIR=<source tree> [-DINCLUDE_DIRS=<folder>|<folder>|...] -P LayeringCheck.cmake
# INCLUDE_DIRS are the program's include folders in search order (default: <source tree>/src).
cmake_minimum_required(VERSION 3.22)

if(NOT DEFINED INCLUDE_DIRS OR INCLUDE_DIRS STREQUAL "")
  set(INCLUDE_DIRS "${SOURCE_DIR}/src")
endif()
string(REPLACE "|" ";" include_dirs "${INCLUDE_DIRS}")

file(REAL_PATH "${SOURCE_DIR}/src/windows" windows_dir)
file(REAL_PATH "${SOURCE_DIR}" source_dir)

# True when a path lies inside src/windows/.
function(in_windows path out)
  string(FIND "${path}/" "${windows_dir}/" at)
  if(at EQUAL 0)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE sources ${SOURCE_DIR}/src/chip/* ${SOURCE_DIR}/src/board/*)
set(found "")
set(count 0)
foreach(f ${sources})
  get_filename_component(folder "${f}" DIRECTORY)
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]+[>\"]")
  foreach(line ${lines})
    string(REGEX MATCH "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]" _ "${line}")
    set(kind "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    set(search ${include_dirs})
    if(kind STREQUAL "\"")
      list(PREPEND search "${folder}")
    endif()

    set(lands "")
    set(looked_in_windows FALSE)
    foreach(dir ${search})
      get_filename_component(candidate "${name}" ABSOLUTE BASE_DIR "${dir}")
      in_windows("${candidate}" inside)
      if(inside)
        set(looked_in_windows TRUE)
      endif()
      if(EXISTS "${candidate}" AND NOT IS_DIRECTORY "${candidate}")
        file(REAL_PATH "${candidate}" lands)
        break()
      endif()
    endforeach()

    set(bad FALSE)
    if(lands)
      in_windows("${lands}" bad)
    elseif(looked_in_windows)
      set(bad TRUE)
      set(lands "(no such file, looked for in src/windows/)")
    endif()
    if(bad)
      file(RELATIVE_PATH shown "${source_dir}" "${f}")
      string(REPLACE "${source_dir}/" "" lands "${lands}")
      string(STRIP "${line}" line)
      string(APPEND found "\n  ${shown}: ${line} -> ${lands}")
      math(EXPR count "${count} + 1")
    endif()
  endforeach()
endforeach()

if(found)
  message(FATAL_ERROR "${count} includes of src/chip and src/board land in src/windows:${found}")
endif()

# The layering check itself: run on a small tree whose chip and board files reach the windows
# through every spelling of an include, and through look-alikes that land elsewhere, it must
# name exactly the ones that land in src/windows/.
# Run as: cmake -DCHECK=<LayeringCheck.cmake> -DWORK_DIR=<empty scratch folder> -P LayeringCheckTest.cmake
cmake_minimum_required(VERSION 3.22)

set(tree "${WORK_DIR}/tree")
file(REMOVE_RECURSE "${tree}")
file(WRITE "${tree}/src/windows/frmMain.h" "")
file(WRITE "${tree}/src/platform/Runtime.h" "")
file(WRITE "${tree}/src/chip/Model.h" "")
file(WRITE "${tree}/src/chip/windows/Local.h" "") # a folder of chip's own that is also called windows

# Each of these lands in src/windows/.
file(WRITE "${tree}/src/chip/Relative.cpp" "#include \"../windows/frmMain.h\"\n")
file(WRITE "${tree}/src/chip/deeper/Nested.h" "#pragma once\n  #  include \"../../windows/frmMain.h\"\n")
file(WRITE "${tree}/src/board/FromTheTop.cpp" "#include \"../../src/windows/frmMain.h\"\n")
file(WRITE "${tree}/src/board/Angled.cpp" "#include <windows/frmMain.h>\n")
file(WRITE "${tree}/src/board/Rooted.cpp" "#include \"windows/frmMain.h\"\n")
file(WRITE "${tree}/src/chip/Missing.cpp" "#include <windows/NoSuchWindow.h>\n")
# None of these does.
file(WRITE "${tree}/src/chip/Fine.cpp" [[
#include "Model.h"
#include "chip/Model.h"
#include "../platform/Runtime.h"
#include "windows/Local.h"
#include <QString>
#include <windows.h>
// #include "../windows/frmMain.h"
]])

execute_process(
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -DINCLUDE_DIRS=${tree}/src -P ${CHECK}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)

set(errors "")
if(status EQUAL 0)
  string(APPEND errors "\n  the check passed")
endif()
foreach(file chip/Relative.cpp chip/deeper/Nested.h board/FromTheTop.cpp board/Angled.cpp
             board/Rooted.cpp chip/Missing.cpp)
  string(FIND "${out}" "src/${file}:" at)
  if(at EQUAL -1)
    string(APPEND errors "\n  src/${file} not named")
  endif()
endforeach()
string(FIND "${out}" "Fine.cpp" at)
if(NOT at EQUAL -1)
  string(APPEND errors "\n  an include that lands elsewhere was named")
endif()
string(FIND "${out}" "6 includes" at)
if(at EQUAL -1)
  string(APPEND errors "\n  not 6 includes counted")
endif()
if(errors)
  message(FATAL_ERROR "The layering check misjudged the test tree:${errors}\nIts output:\n${out}")
endif()
message(STATUS "The layering check named the 6 includes that land in src/windows/:\n${out}")

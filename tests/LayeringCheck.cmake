# The chip model and the board link stand below the windows: they include nothing of them.
# Run as: cmake -DSOURCE_DIR=<source tree> -P LayeringCheck.cmake
file(GLOB_RECURSE sources ${SOURCE_DIR}/src/chip/* ${SOURCE_DIR}/src/board/*)
set(found "")
foreach(f ${sources})
  file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]windows/")
  foreach(h ${hits})
    string(APPEND found "\n  ${f}: ${h}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "src/chip and src/board include window headers:${found}")
endif()

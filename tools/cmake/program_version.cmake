# Writes OUT (a C++ source) with the program's version and the git commit it
# is built from; rewritten only when either changed, so nothing rebuilds
# needlessly.
#   cmake -DSOURCE=<project> -DVERSION=<x.y> -DOUT=<file> -P program_version.cmake
execute_process(COMMAND git -C "${SOURCE}" describe --always --dirty --abbrev=12
                OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE failed ERROR_QUIET)
if(failed OR commit STREQUAL "")
  set(commit "unknown")
endif()
set(text "// Made by the build (tools/cmake/program_version.cmake).\n#include \"campaign/program_version.h\"\n\nnamespace zarudiv {\n\nconst char* ProgramVersion() { return \"${VERSION}\"; }\nconst char* ProgramCommit() { return \"${commit}\"; }\n\n}  // namespace zarudiv\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
else()
  set(old "")
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()

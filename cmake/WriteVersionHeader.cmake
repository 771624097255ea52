# cmake -DSOURCE_DIR=... -DVERSION=... -DOUTPUT=... -P WriteVersionHeader.cmake
#
# Writes OUTPUT, a header defining PERCORSO_VERSION_TEXT: "percorso VERSION", then, when
# SOURCE_DIR is the top of a git checkout, a second line "commit HASH" (with
# " (with local changes)" when tracked files differ from it). Sources unpacked without
# git, or inside some other repository, get the first line only.
set(text "percorso ${VERSION}")
find_program(GIT_EXECUTABLE git)
if(GIT_EXECUTABLE)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --show-toplevel HEAD
                  OUTPUT_VARIABLE out RESULT_VARIABLE status ERROR_QUIET
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(status EQUAL 0)
    string(REPLACE "\n" ";" out "${out}")
    list(GET out 0 top)
    list(GET out 1 commit)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${SOURCE_DIR}" source)
    if(top STREQUAL source)
      string(APPEND text "\\ncommit ${commit}")
      execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} status --porcelain
                              --untracked-files=no
                      OUTPUT_VARIABLE changes RESULT_VARIABLE status ERROR_QUIET)
      if(status EQUAL 0 AND NOT changes STREQUAL "")
        string(APPEND text " (with local changes)")
      endif()
    endif()
  endif()
endif()

set(header "// Written at build time by cmake/WriteVersionHeader.cmake; do not edit.
#ifndef PERCORSO_VERSION_H_
#define PERCORSO_VERSION_H_
#define PERCORSO_VERSION_TEXT \"${text}\"
#endif  // PERCORSO_VERSION_H_
")
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL header)
  file(WRITE ${OUTPUT} "${header}")
endif()

# The text of `percorso --version`: the project version and, when the sources are a git
# checkout, the commit they were built from.
#
# The commit is read at every build, not only when CMake configures, so that it follows
# new commits; the header is rewritten only when its text changes, so an unchanged
# commit recompiles nothing. Only main.cc and serve_main.cc include it.
set(PERCORSO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
add_custom_target(percorso_version_header
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DVERSION=${PROJECT_VERSION}
          -DOUTPUT=${PERCORSO_GENERATED_DIR}/percorso_version.h
          -P ${CMAKE_CURRENT_LIST_DIR}/WriteVersionHeader.cmake
  BYPRODUCTS ${PERCORSO_GENERATED_DIR}/percorso_version.h
  VERBATIM)
foreach(exe percorso percorso-serve)
  add_dependencies(${exe} percorso_version_header)
  target_include_directories(${exe} PRIVATE ${PERCORSO_GENERATED_DIR})
endforeach()

# Installation in the places of any Debian tool: the executable, its manual page and bash
# completion, the documents and the editor files. `cmake --install` honours DESTDIR and
# --prefix; the Debian package (cmake/Package.cmake) is made of the same rules.
include(GNUInstallDirs)

# The manual page is written from the program's own --help whenever the program changes
# (packaging/manpage.sh), so that it lists every command and option the program has. It
# names the documents where this configuration installs them; the file written here
# only changes when that place does, and rewrites the page then.
set(PERCORSO_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(PERCORSO_MAN_PAGE ${PERCORSO_MAN_DIR}/percorso.1)
file(CONFIGURE OUTPUT ${PERCORSO_MAN_DIR}/docdir.txt
     CONTENT "${CMAKE_INSTALL_FULL_DOCDIR}\n${CMAKE_INSTALL_FULL_DATADIR}\n")
add_custom_command(
  OUTPUT ${PERCORSO_MAN_PAGE} ${PERCORSO_MAN_PAGE}.gz
  COMMAND sh ${CMAKE_SOURCE_DIR}/packaging/manpage.sh $<TARGET_FILE:percorso>
          ${PROJECT_VERSION} ${CMAKE_INSTALL_FULL_DOCDIR} ${PERCORSO_MAN_PAGE}
          ${CMAKE_INSTALL_FULL_DATADIR}
  COMMAND gzip -9nkf ${PERCORSO_MAN_PAGE}
  DEPENDS percorso ${PERCORSO_MAN_DIR}/docdir.txt
          ${CMAKE_SOURCE_DIR}/packaging/manpage.sh ${CMAKE_SOURCE_DIR}/packaging/help2roff.awk
          ${CMAKE_SOURCE_DIR}/packaging/percorso.1.tail
  COMMENT "Writing the manual page percorso.1 from percorso --help"
  VERBATIM)
add_custom_target(percorso_man ALL DEPENDS ${PERCORSO_MAN_PAGE}.gz)

install(TARGETS percorso RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS percorso-serve RUNTIME DESTINATION ${PERCORSO_SERVE_INSTALL_DIR})
install(FILES ${PERCORSO_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/percorso.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME percorso)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# docs/ keeps its name, so that the README's links to docs/*.md still lead somewhere.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
        FILES_MATCHING PATTERN "*.md")
# The editors' files, once the sources have them.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/editors/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/percorso/editors OPTIONAL)

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)

# The installed program, its page, its completion and the package, tested in a scratch
# directory (packaging/tests/). They test the packaging, not the code, so the
# sanitizer build leaves them out.
if(PERCORSO_TESTS AND NOT PERCORSO_SANITIZE)
  foreach(name Destdir NoArguments ManPage Completion DebPackage SetupAsUser)
    add_test(NAME Install.${name}
             COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/tests/${name}.sh
                     ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR} ${PROJECT_VERSION})
    set_tests_properties(Install.${name} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77
                         RESOURCE_LOCK percorso_install)
  endforeach()
endif()

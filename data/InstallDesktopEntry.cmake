# Runs while installing (see CMakeLists.txt): writes the desktop entry with the installed
# executable's full path and installs it. file(INSTALL) adds DESTDIR itself.
foreach(dir TAMSEL_BINDIR TAMSEL_DATADIR)
  if(NOT IS_ABSOLUTE "${${dir}}")
    set(${dir} "${CMAKE_INSTALL_PREFIX}/${${dir}}")
  endif()
endforeach()

set(TAMSEL_EXEC "${TAMSEL_BINDIR}/tamsel")
# Exec is a command line: a path with characters the launcher would read as syntax is quoted, and
# the few that would need escaping inside quotes are refused rather than written wrong.
if(TAMSEL_EXEC MATCHES "[\"`$\\\\]")
  message(FATAL_ERROR "The install path ${TAMSEL_EXEC} cannot be written in a desktop entry.")
endif()
string(REPLACE "%" "%%" TAMSEL_EXEC "${TAMSEL_EXEC}")
if(NOT TAMSEL_EXEC MATCHES "^[A-Za-z0-9_./+%@,:=-]+$")
  set(TAMSEL_EXEC "\"${TAMSEL_EXEC}\"")
endif()

configure_file("${TAMSEL_DESKTOP_TEMPLATE}" "${TAMSEL_DESKTOP_STAGED}" @ONLY)
file(INSTALL DESTINATION "${TAMSEL_DATADIR}/applications" TYPE FILE FILES "${TAMSEL_DESKTOP_STAGED}")

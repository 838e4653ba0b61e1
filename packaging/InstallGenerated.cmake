# Run by the install step: writes the desktop entry and the scheduler's
# systemd user unit with the installed program's full path, then installs
# them. CMAKE_INSTALL_PREFIX is the prefix of this install (cmake --install
# --prefix, or /usr for the Debian package); file(INSTALL) adds DESTDIR.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(KORVANE_PROGRAM "${prefix}/${KORVANE_BINDIR}/korvane")

configure_file("${KORVANE_TEMPLATES}/korvane.desktop.in" "${KORVANE_GENERATED}/${KORVANE_APP_ID}.desktop" @ONLY)
configure_file("${KORVANE_TEMPLATES}/korvane-scheduler.service.in"
  "${KORVANE_GENERATED}/korvane-scheduler.service" @ONLY)

file(INSTALL DESTINATION "${prefix}/${KORVANE_DATADIR}/applications" TYPE FILE
  FILES "${KORVANE_GENERATED}/${KORVANE_APP_ID}.desktop")
# Packages keep user units in /usr/lib/systemd/user; under any other prefix
# <prefix>/share/systemd/user is where the user's systemd looks
# ($XDG_DATA_DIRS, and $XDG_DATA_HOME for ~/.local).
if(prefix STREQUAL "/usr")
  set(unit_dir "${prefix}/lib/systemd/user")
else()
  set(unit_dir "${prefix}/${KORVANE_DATADIR}/systemd/user")
endif()
file(INSTALL DESTINATION "${unit_dir}" TYPE FILE FILES "${KORVANE_GENERATED}/korvane-scheduler.service")

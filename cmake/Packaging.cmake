# The Debian package, made by CPack from the install rules under the prefix /usr, so that it holds the
# same files as `cmake --install --prefix /usr`. Its run-time dependencies are read from the installed
# binaries by dpkg-shlibdeps, so they follow whatever the program links against.

set(VELTANE_PACKAGE_MAINTAINER "Veltane maintainers <maintainers@users.noreply.c-seed-bbaf9437.example>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltane)
set(CPACK_PACKAGE_VENDOR "Veltane maintainers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver with a taper burning on a black screen")
set(CPACK_PACKAGE_DESCRIPTION [[
Veltane shows a taper burning on a black screen. Its flame is not a picture
but a small heat-diffusion simulation, computed afresh for every frame, so it
wavers and flares on its own. Over the burn time the taper burns down through
six stages, goes out, and is lit again at full height.

It runs as a display mode of XScreenSaver, as a theme of MATE's screen saver,
full screen under an idle daemon such as xss-lock, xautolock or swayidle, or
inside any X window. On GNOME and KDE Plasma, which have no such host, its own
idle watcher, veltane-idle, starts it once a user enables its systemd user
service. Its settings dialog, in the desktop's settings menu, sets the burn
time and the flame speed.]])
# Binaries go in stripped, and every directory the package makes is world-readable whatever the umask.
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELTANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# XScreenSaver is one host among several; the saver runs without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
# On a Wayland desktop the settings dialog wants Qt's Wayland support; elsewhere it does without.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Debian keeps a package's copyright notice and its changelog, compressed, in its documentation folder.
# The changelog is dated by its entry, not by the build, so that every build gives the same bytes.
set(docDir "${CMAKE_INSTALL_DATADIR}/doc/veltane")
configure_file(dist/changelog.in "${PROJECT_BINARY_DIR}/dist/changelog" @ONLY)
veltane_compressed_file(veltane_changelog "${PROJECT_BINARY_DIR}/dist/changelog"
                        "${PROJECT_BINARY_DIR}/dist/changelog.gz")
install(FILES dist/copyright "${PROJECT_BINARY_DIR}/dist/changelog.gz" DESTINATION "${docDir}")

include(CPack)

# The checks of the package need these settings, so they come in with them.
add_subdirectory(${PROJECT_SOURCE_DIR}/tests/package ${PROJECT_BINARY_DIR}/tests/package)

# `make package`: a Debian package of what `make install` installs, under /usr, made by
# CPack's DEB generator. Depends comes from the libraries the programs link (dpkg-shlibdeps).

set(QM_PACKAGE_MAINTAINER "QuillMar maintainers <maintainers@quillmar.example>"
    CACHE STRING "The package's Maintainer field")

# Debian wants a copyright file and a changelog beside every package's documentation.
set(QM_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillmar)
string(TIMESTAMP QM_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    COMMAND gzip -9nkf ${CMAKE_CURRENT_BINARY_DIR}/changelog
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog
    VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_dependencies(programs package_changelog)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${QM_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmar)
set(CPACK_PACKAGE_VENDOR "QuillMar maintainers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hierarchical database of named items, browsed in fifteen cells")
set(CPACK_PACKAGE_DESCRIPTION "\
QuillMar keeps one tree of named items per data file, every item a name of
up to 20 characters with any number of children, and browses it in a fixed
grid of 15 list boxes along a snake-shaped path. Items are added, renamed,
deleted with undo, cut, copied and pasted; found by name; bookmarked; and
printed as a multi-column listing.
.
The package also holds qmtool, which dumps, checks, repairs, searches and
lists data files and converts them to and from outlines, OPML and Markdown
on the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed through DESTDIR, so the install rules leave the system's caches alone; dpkg's
# triggers refresh them when the package is installed.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QM_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Arial's metrics for the printed listing; the Wayland platform plugin for Wayland desktops.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# Install rules and the Debian package. A program installed under any prefix runs with nothing
# else: no build-folder path is compiled into the installed programs.
include(GNUInstallDirs)
# Debian keeps a package's documents under the package's name.
set(PIXELON_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/pixelon)

set(PIXELON_PROGRAMS vistrel pixelon phonesim zevovo verrin-cli)
foreach(program ${PIXELON_PROGRAMS})
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
# pixelon-qt.so is loaded by path (dlopen) rather than linked, so it lives in the package's own
# library folder (under the multiarch folder where the system has one, which also keeps the
# loader cache out of it); pixelon finds it relative to itself. libverrin.so.1 is a library
# for others to link, so it lives in the system's library folder, which the loader, pkg-config
# and CMake search (on Debian the multiarch folder, under /usr/local as well).
if(CMAKE_LIBRARY_ARCHITECTURE)
    set(PIXELON_PUBLIC_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
else()
    set(PIXELON_PUBLIC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
endif()
set(PIXELON_PRIVATE_LIBDIR ${PIXELON_PUBLIC_LIBDIR}/pixelon)
if(TARGET pixelon)
    target_compile_definitions(pixelon PRIVATE PIXELON_PRIVATE_LIBDIR="${PIXELON_PRIVATE_LIBDIR}")
endif()
if(TARGET verrin-cli)
    target_compile_definitions(verrin-cli PRIVATE PIXELON_PUBLIC_LIBDIR="${PIXELON_PUBLIC_LIBDIR}")
endif()
# pixelon's drawing commands (system fonts, PDF pages), loaded only when they run.
if(TARGET pixelon-qt)
    install(TARGETS pixelon-qt LIBRARY DESTINATION ${PIXELON_PRIVATE_LIBDIR})
endif()
if(TARGET verrin)
    include(${CMAKE_CURRENT_LIST_DIR}/VerrinPackage.cmake)
endif()

# Desktop integration: the menu entry, the portfolio MIME type and the icon in every size.
install(FILES ${CMAKE_SOURCE_DIR}/data/vistrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/pixelon-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${CMAKE_SOURCE_DIR}/data/vistrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/hicolor/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${CMAKE_SOURCE_DIR}/data/completion/pixelon
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# File managers draw portfolio thumbnails with "pixelon thumbnail".
install(FILES ${CMAKE_SOURCE_DIR}/data/pixelon.thumbnailer
        DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)

# Manual pages, compressed as Debian installs them.
set(PIXELON_MAN_PAGES vistrel pixelon phonesim zevovo verrin-cli)
set(compressed_pages)
foreach(page ${PIXELON_MAN_PAGES})
    set(source ${CMAKE_SOURCE_DIR}/man/${page}.1)
    set(target ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${target}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND gzip -9n -c ${source} > ${target}
        DEPENDS ${source} VERBATIM)
    list(APPEND compressed_pages ${target})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${compressed_pages})
install(FILES ${compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's own documents.
set(changelog ${CMAKE_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/debian
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/data/debian/changelog > ${changelog}
    DEPENDS ${CMAKE_SOURCE_DIR}/data/debian/changelog VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${changelog})
install(FILES ${CMAKE_SOURCE_DIR}/data/debian/copyright ${changelog}
              ${CMAKE_SOURCE_DIR}/samples/demo.pfo
        DESTINATION ${PIXELON_DOCDIR})

# cpack -G DEB: the runtime dependencies come from the libraries the programs link. The desktop
# database and the MIME cache are updated by the triggers of desktop-file-utils and
# shared-mime-info when the package's files land in their folders.
set(CPACK_PACKAGE_NAME pixelon)
set(CPACK_PACKAGE_VENDOR "The Pixelon developers")
set(CPACK_PACKAGE_CONTACT "Pixelon developers <developers@pixelon.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the pictures, glyphs and animations of mobile phones")
set(CPACK_PACKAGE_DESCRIPTION "Vistrel edits portfolios of small pictures for mobile phones:
wallpapers, start-up animations, EMS message pictures and font glyphs.
Pictures come in from GIF, JPEG, BMP, WBMP, the clipboard, the screen and
fonts, and go out as picture files, C source, Windows fonts, printed pages
and to a phone over a serial cable or OBEX. The package also holds the
batch command line pixelon, the phone simulator phonesim and the installer
support library libverrin.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libverrin.so.1 is a public library: the package declares it (shlibs), and dpkg's ldconfig
# trigger refreshes the loader cache when the package's files land.
file(WRITE ${CMAKE_BINARY_DIR}/debian/shlibs "libverrin 1 pixelon (>= ${PROJECT_VERSION})\n")
file(WRITE ${CMAKE_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/debian/shlibs ${CMAKE_BINARY_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pixelon.example.org/")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, shared-mime-info")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

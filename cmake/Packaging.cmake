# What "cmake --install" puts in place besides the programs, and the Debian
# package that "cpack -G DEB" makes of it (scripts/package builds and checks it).

set(VEMTRA_MAINTAINER "QEL-Vemtra developers <developers@qel-vemtra.example.org>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
set(VEMTRA_APPSTREAM_ID "org.example.qel_vemtra.QELVemtra")

set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/qel-vemtra)
set(icon_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

# The help file goes with the program's other data; the window looks there
# when its own folder has no copy.
install(FILES ${PROJECT_SOURCE_DIR}/src/app/help/vemtra-help.html
        DESTINATION ${CMAKE_INSTALL_DATADIR}/qel-vemtra)

# The menu entry, its icons and the software centres' description.
install(FILES ${packaging_dir}/qel-vemtra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/src/app/icons/vemtra.png
        DESTINATION ${icon_dir}/32x32/apps RENAME qel-vemtra.png)
foreach(size 48 64 128)
  install(FILES ${packaging_dir}/icons/qel-vemtra-${size}.png
          DESTINATION ${icon_dir}/${size}x${size}/apps RENAME qel-vemtra.png)
endforeach()
install(FILES ${packaging_dir}/icons/qel-vemtra.svg DESTINATION ${icon_dir}/scalable/apps)
install(FILES ${packaging_dir}/${VEMTRA_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages, gzipped as Debian wants them: the window's written by hand,
# the command-line programs' made from their --help.
find_program(VEMTRA_GZIP gzip REQUIRED)
set(man_script ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake)
# vemtra-plot's --help is Qt's parser's, which also offers Qt's own options, so
# its page is written by hand too.
set(man_pages "")
foreach(program qel-vemtra vemtra-plot)
  add_custom_command(OUTPUT ${packaging_out}/${program}.1.gz
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${packaging_dir}/man/${program}.1
            -DVERSION=${PROJECT_VERSION} -DGZIP=${VEMTRA_GZIP}
            -DOUTPUT=${packaging_out}/${program}.1.gz -P ${man_script}
    DEPENDS ${packaging_dir}/man/${program}.1 ${man_script}
    VERBATIM)
  list(APPEND man_pages ${packaging_out}/${program}.1.gz)
endforeach()
foreach(entry "vemtra-cli|command-line tool for the VEMTRA data-logger board"
              "vemtra-board|simulator of the VEMTRA data-logger board on a pseudo-terminal")
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 program)
  list(GET entry 1 summary)
  add_custom_command(OUTPUT ${packaging_out}/${program}.1.gz
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DNAME=${program}
            -DSUMMARY=${summary} -DVERSION=${PROJECT_VERSION} -DGZIP=${VEMTRA_GZIP}
            -DOUTPUT=${packaging_out}/${program}.1.gz -P ${man_script}
    DEPENDS ${program} ${man_script}
    VERBATIM)
  list(APPEND man_pages ${packaging_out}/${program}.1.gz)
endforeach()

add_custom_command(OUTPUT ${packaging_out}/changelog.gz
  COMMAND ${VEMTRA_GZIP} -9 -n -c ${packaging_dir}/changelog > ${packaging_out}/changelog.gz
  DEPENDS ${packaging_dir}/changelog)
add_custom_target(vemtra_packaging ALL DEPENDS ${man_pages} ${packaging_out}/changelog.gz)
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_dir}/copyright ${packaging_out}/changelog.gz DESTINATION ${doc_dir})

# Everything the install needs, without the tests and benchmarks.
add_custom_target(vemtra_installables)
add_dependencies(vemtra_installables qel-vemtra vemtra_charts vemtra-cli vemtra-plot vemtra-board
                 vemtra_packaging)
if(TARGET cli_install)
  add_dependencies(cli_install vemtra_packaging)
endif()

# The changelog's newest entry names the version that is packaged.
file(STRINGS ${packaging_dir}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^qel-vemtra \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/changelog does not start with version ${PROJECT_VERSION}")
endif()

set(CPACK_PACKAGE_NAME "qel-vemtra")
set(CPACK_PACKAGE_VENDOR "QEL-Vemtra developers")
set(CPACK_PACKAGE_CONTACT "${VEMTRA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "control program for the four-channel analogue data-logger board")
# Lines under 80 columns, as dpkg shows them; cpack puts the summary above.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "QEL-Vemtra connects to the VEMTRA data-logger board over RS-232, shows"
  "its four channels as a live voltmeter, programs the board's logging and"
  "reads the log back into a text file and CSV. The window's texts are"
  "Japanese. Includes vemtra-cli for scripts, vemtra-plot, which draws a log"
  "as a chart picture without a display, and vemtra-board, a simulator of"
  "the board on a pseudo-terminal.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "qel-vemtra")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_GENERATOR "DEB")
# Stripped on the staged files, since cpack's own stripping keeps the
# compiler's .comment section.
set(CPACK_VEMTRA_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripPackage.cmake)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VEMTRA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://qel-vemtra.example.org/")
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Qt's libraries (and the plot library, once linked) come from
# dpkg-shlibdeps. The platform plugins are loaded at run time, so no linker
# sees them; every text of the window is Japanese and needs a Japanese font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk")
# Qt's own dialogs and buttons in Japanese; the program runs without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

include(CPack)

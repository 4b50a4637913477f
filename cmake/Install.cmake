# Installing Tessaro as a desktop program, and its Debian package.
#
#   /usr/bin/tessaro, /usr/bin/tessaro-cli
#   /usr/share/tessaro/save/icon/*.gif         shipped icons, copied into each user's save folder
#   /usr/share/applications/tessaro.desktop    menu entry, "open with" for .xlsx/.xls
#   /usr/share/icons/hicolor/{48x48,128x128,scalable}/apps/tessaro.{png,svg}
#   /usr/share/man/man1/tessaro.1.gz, tessaro-cli.1.gz
#   /usr/share/doc/tessaro/copyright, changelog.gz
include(GNUInstallDirs)

# The program finds the shipped save folder relative to its own folder, so an
# installed tree works wherever it is unpacked.
file(RELATIVE_PATH TESSARO_SHARE_FROM_BIN "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_DATADIR}/tessaro")
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/templates/SaveFolder.cpp TARGET_DIRECTORY tessaro_core APPEND
  PROPERTY COMPILE_DEFINITIONS "TESSARO_SHARE_FROM_BIN=\"${TESSARO_SHARE_FROM_BIN}\"")

set(TESSARO_PROGRAMS tessaro-cli)
if(TESSARO_GUI)
  list(APPEND TESSARO_PROGRAMS tessaro)
endif()
install(TARGETS ${TESSARO_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/save/icon DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaro/save)
set(TESSARO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tessaro)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${TESSARO_DOC_DIR})

set(GEN ${CMAKE_BINARY_DIR}/install-files)
set(TESSARO_GENERATED)

# changelog.gz: gzip -n keeps the package reproducible (no name, no time stamp).
add_custom_command(OUTPUT ${GEN}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GEN}
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/data/debian/changelog > ${GEN}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog VERBATIM)
list(APPEND TESSARO_GENERATED ${GEN}/changelog.gz)
install(FILES ${GEN}/changelog.gz DESTINATION ${TESSARO_DOC_DIR})

# Manual pages, written by help2man from each program's --help and --version
# plus the sections in data/man/*.h2m.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(TESSARO_MAN_NAME_tessaro "map layers from Excel cell lists and drive-test logs (windows)")
  set(TESSARO_MAN_NAME_tessaro-cli "map layers from Excel cell lists and drive-test logs (command line)")
  foreach(program ${TESSARO_PROGRAMS})
    set(page ${GEN}/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${GEN}
      COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ASAN_OPTIONS=detect_leaks=0 ${HELP2MAN} --no-info --no-discard-stderr --locale=C.UTF-8
              --section=1 --source=Tessaro --manual=Tessaro
              --name=${TESSARO_MAN_NAME_${program}}
              --include=${PROJECT_SOURCE_DIR}/data/man/${program}.h2m
              --output=${page} $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${page}
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/data/man/${program}.h2m VERBATIM)
    list(APPEND TESSARO_GENERATED ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(WARNING "help2man not found: no manual pages (bash scripts/install-deps.sh installs it)")
endif()

if(TESSARO_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/tessaro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  set(ICONS ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/tessaro.svg DESTINATION ${ICONS}/scalable/apps)
  find_program(RSVG_CONVERT rsvg-convert)
  if(RSVG_CONVERT)
    foreach(size 48 128)
      set(png ${GEN}/${size}x${size}/tessaro.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${GEN}/${size}x${size}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PROJECT_SOURCE_DIR}/data/desktop/tessaro.svg
        DEPENDS ${PROJECT_SOURCE_DIR}/data/desktop/tessaro.svg VERBATIM)
      list(APPEND TESSARO_GENERATED ${png})
      install(FILES ${png} DESTINATION ${ICONS}/${size}x${size}/apps)
    endforeach()
  else()
    message(WARNING "rsvg-convert not found: only the SVG application icon (bash scripts/install-deps.sh installs it)")
  endif()
endif()

add_custom_target(tessaro_install_files ALL DEPENDS ${TESSARO_GENERATED})

# The Debian package: cpack -G DEB (bash scripts/package.sh) writes
# tessaro_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaro)
set(CPACK_PACKAGE_VENDOR "Tessaro maintainers")
set(CPACK_PACKAGE_CONTACT "Tessaro maintainers <maintainers@tessaro.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "map layers from Excel cell lists and drive-test logs")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tessaro turns the cell lists, drive-test logs and test-point lists that\n"
  "radio-network optimisation engineers keep in Excel workbooks (.xlsx, .xls)\n"
  "into map layers: Google Earth (KML 2.2) and MapInfo (MIF/MID) layers of\n"
  "base-station sectors, drive-test tracks coloured by five value bands, fly\n"
  "lines from each measurement point to its serving cell, and landmark\n"
  "placemarks. Its windows are in Simplified Chinese; tessaro-cli writes the\n"
  "same layers from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tessaro.example.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Chinese glyphs and the Chinese texts of Qt's own dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

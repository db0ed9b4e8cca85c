# Installed layout. The programs find their data beside them (the parent of their bin/
# folder), so they live with the data in PREFIX/lib/amoq and PREFIX/bin holds links to
# them; the desktop entry, icons, file types, manual pages and documents go to
# PREFIX/share as a desktop expects.
set(AMOQ_APPDIR lib/amoq)
set(amoq_data ${PROJECT_SOURCE_DIR}/data)

function(amoq_link_into_bin name)
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    execute_process(COMMAND \${CMAKE_COMMAND} -E create_symlink
      ../${AMOQ_APPDIR}/bin/${name} \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${name}\")")
endfunction()

if(TARGET amoq)
  install(TARGETS amoq RUNTIME DESTINATION ${AMOQ_APPDIR}/bin)
  install(FILES ${amoq_data}/amoq.gui DESTINATION ${AMOQ_APPDIR})
  install(DIRECTORY ${amoq_data}/pixmaps DESTINATION ${AMOQ_APPDIR} FILES_MATCHING PATTERN "*.png")
  install(DIRECTORY ${PROJECT_BINARY_DIR}/src/gui/locale DESTINATION ${AMOQ_APPDIR}
          FILES_MATCHING PATTERN "*.mo")
  amoq_link_into_bin(amoq)

  install(FILES ${amoq_data}/desktop/amoq.desktop DESTINATION share/applications)
  install(FILES ${amoq_data}/desktop/amoq-mime.xml DESTINATION share/mime/packages
          RENAME amoq.xml)
  install(FILES ${amoq_data}/desktop/amoq.svg DESTINATION share/icons/hicolor/scalable/apps)
  find_program(RSVG_CONVERT rsvg-convert REQUIRED)
  foreach(size 16 32 48 64 128 256)
    set(png ${PROJECT_BINARY_DIR}/icons/${size}/amoq.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${amoq_data}/desktop/amoq.svg -o ${png}
      DEPENDS ${amoq_data}/desktop/amoq.svg)
    list(APPEND amoq_icons ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(amoq_icons ALL DEPENDS ${amoq_icons})
endif()

install(TARGETS amoq-reduce amoq-import RUNTIME DESTINATION ${AMOQ_APPDIR}/bin)
install(TARGETS amoq-reduce-plot LIBRARY DESTINATION ${AMOQ_APPDIR}/bin)
amoq_link_into_bin(amoq-reduce)

# Manual pages and the changelog compressed without time stamps, as Debian wants them.
foreach(page amoq.1 amoq-reduce.1)
  configure_file(${PROJECT_SOURCE_DIR}/docs/${page} ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
  set(gz ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/man/${page} > ${gz}
    DEPENDS ${PROJECT_BINARY_DIR}/man/${page})
  list(APPEND amoq_docs ${gz})
  install(FILES ${gz} DESTINATION share/man/man1)
endforeach()
set(changelog ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(amoq_docs ALL DEPENDS ${amoq_docs} ${changelog})
install(FILES ${changelog} ${PROJECT_SOURCE_DIR}/packaging/copyright
              ${PROJECT_SOURCE_DIR}/docs/file-formats.md
        DESTINATION share/doc/amoq)

# make package: a Debian package of both programs, packed from what make build made
# (installing does not rebuild every target first).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME amoq)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "X-ray diffraction analysis of amorphous materials")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "AMOQ reduces the X-ray diffraction patterns of glasses, liquids and amorphous
 films: raw data correction, normalisation to the structure factor S(Q), an
 optional bending correction and the Fourier transform to the pair distribution
 functions G(r) and g(r), with plots, editors and export. amoq-reduce runs the
 same reduction without a display, and the Python module amoq on NumPy arrays.")
# The Python module (python/): the system interpreter it is built for, and NumPy. The
# libraries the programs link are found by dpkg-shlibdeps and added to these.
if(TARGET _amoq)
  math(EXPR amoq_python_next "${Python3_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${amoq_python_next}), python3-numpy")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "AMOQ developers <bugs@amoq-project.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

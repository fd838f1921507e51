# quillon and sdelta/setdelta share one application folder; links in bin/ start them.
set(QUILLON_APP_DIR ${CMAKE_INSTALL_LIBDIR}/quillon)

# A relative link bin/NAME to the program at PATH in the application folder.
function(quillon_install_bin_link name path)
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"../${QUILLON_APP_DIR}/${path}\"
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${name}\" SYMBOLIC)")
endfunction()

# Manual pages, compressed as Debian installs them. The version of quillon's comes from the
# project; setdelta's states its own, which a test compares with `setdelta --version`.
function(quillon_install_manual source)
  get_filename_component(page ${source} NAME)
  string(REGEX REPLACE "\\.in$" "" page ${page})
  set(manual ${CMAKE_BINARY_DIR}/man/${page})
  if(source MATCHES "\\.in$")
    configure_file(${source} ${manual} @ONLY)
  else()
    configure_file(${source} ${manual} COPYONLY)
  endif()
  add_custom_command(OUTPUT ${manual}.gz
                     COMMAND gzip -9nf -k ${manual}
                     DEPENDS ${manual} VERBATIM)
  add_custom_target(manual_${page} ALL DEPENDS ${manual}.gz)
  install(FILES ${manual}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# The icon in the usual sizes of the hicolor theme, drawn from the SVG, and the SVG itself.
function(quillon_install_icons svg)
  find_program(RSVG_CONVERT rsvg-convert)
  if(NOT RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert (Debian package librsvg2-bin) draws the icons: scripts/install-deps.sh installs it")
  endif()
  set(icons)
  foreach(size 16 32 48 64 128 256)
    set(icon ${CMAKE_BINARY_DIR}/icons/${size}x${size}/quillon.png)
    add_custom_command(OUTPUT ${icon}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
                       COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${icon} ${svg}
                       DEPENDS ${svg} VERBATIM)
    list(APPEND icons ${icon})
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(icons ALL DEPENDS ${icons})
  install(FILES ${svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endfunction()

install(TARGETS setdelta RUNTIME DESTINATION ${QUILLON_APP_DIR}/sdelta)
quillon_install_bin_link(setdelta sdelta/setdelta)
quillon_install_manual(${PROJECT_SOURCE_DIR}/docs/man/setdelta.1)
set(QUILLON_COMPLETIONS_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES dist/bash-completion/setdelta DESTINATION ${QUILLON_COMPLETIONS_DIR})
if(QUILLON_GUI)
  install(TARGETS quillon RUNTIME DESTINATION ${QUILLON_APP_DIR})
  quillon_install_bin_link(quillon quillon)
  quillon_install_manual(${PROJECT_SOURCE_DIR}/docs/man/quillon.1.in)
  install(FILES dist/bash-completion/quillon DESTINATION ${QUILLON_COMPLETIONS_DIR})
  install(FILES dist/quillon.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(dist/io.github.quillon_dats.quillon.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/io.github.quillon_dats.quillon.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/io.github.quillon_dats.quillon.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  quillon_install_icons(${PROJECT_SOURCE_DIR}/dist/quillon.svg)
endif()

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
  install(FILES dist/quillon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# quillon and sdelta/setdelta share one application folder; a link in bin/ starts it.
set(QUILLON_APP_DIR ${CMAKE_INSTALL_LIBDIR}/quillon)

install(TARGETS setdelta RUNTIME DESTINATION ${QUILLON_APP_DIR}/sdelta)
if(QUILLON_GUI)
  install(TARGETS quillon RUNTIME DESTINATION ${QUILLON_APP_DIR})
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"../${QUILLON_APP_DIR}/quillon\"
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillon\" SYMBOLIC)")
  install(FILES dist/quillon.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES dist/quillon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

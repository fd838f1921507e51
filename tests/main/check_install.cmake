# Installs the build into a scratch prefix and checks that quillon and setdelta share one
# application folder, with the link, desktop entry and icon in their places.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path ${LIBDIR}/quillon/quillon ${LIBDIR}/quillon/sdelta/setdelta bin/quillon
             share/applications/quillon.desktop share/icons/hicolor/scalable/apps/quillon.svg)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "missing after install: ${path}")
  endif()
endforeach()
file(READ_SYMLINK "${PREFIX}/bin/quillon" target)
if(NOT target STREQUAL "../${LIBDIR}/quillon/quillon")
  message(FATAL_ERROR "bin/quillon points to ${target}")
endif()
file(REMOVE_RECURSE "${PREFIX}")

# `cmake --install build --prefix P` lays out the program folder as the build does, in P/lib/mivogui/:
# the program, its encoder and the encoder's progress window library, the indexer, the decoder library
# under every version's name, the example matrices. P/bin/mivogui links to the program (which finds its
# folder through the link), and the desktop file and icons go where desktops look for them. The program
# folder is not written at run time: an installed copy keeps Mivo.ini in $XDG_CONFIG_HOME/mivogui/
# (README, Installing).
set(MIVO_INSTALL_DIR lib/mivogui)

install(TARGETS mivogui d2vindex mivo-queue RUNTIME DESTINATION ${MIVO_INSTALL_DIR})
install(PROGRAMS $<TARGET_FILE:mivo_encoder> DESTINATION ${MIVO_INSTALL_DIR} RENAME Dazuzer_024.exe)
# The encoder's progress window, loaded by it at run time from its own folder.
install(TARGETS mivo_progress_window LIBRARY DESTINATION ${MIVO_INSTALL_DIR})
foreach(version 06 10 11 12 13 15 16)
  install(FILES $<TARGET_FILE:mivo_mpeg2dec> DESTINATION ${MIVO_INSTALL_DIR}/DGDecode
          RENAME DGDecode${version}.dll)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/matrix/flat16.mtx ${CMAKE_SOURCE_DIR}/resources/matrix/notch.mtx
              ${CMAKE_SOURCE_DIR}/resources/matrix/mivolow.mtx
        DESTINATION ${MIVO_INSTALL_DIR}/matrix)

install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/mivogui\")
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(REMOVE \"\${link}\")
  file(CREATE_LINK ../${MIVO_INSTALL_DIR}/mivogui \"\${link}\" SYMBOLIC)
  message(STATUS \"Installing: \${link} -> ../${MIVO_INSTALL_DIR}/mivogui\")
")

install(FILES ${CMAKE_SOURCE_DIR}/resources/mivogui.desktop DESTINATION share/applications)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/mivogui-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME mivogui.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/mivogui.svg DESTINATION share/icons/hicolor/scalable/apps)

# What `cmake --install` puts where: the programs in bin, the sounds and the
# default configuration in share/printer-tool, the desktop entry with its
# icons, and man pages written from the programs' own --help at build time.
include(GNUInstallDirs)

set(PT_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/printer-tool)

install(TARGETS printer-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET printer-sim)
  install(TARGETS printer-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(TARGET printer-tool)
  install(TARGETS printer-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/app/sounds/ok.wav ${PROJECT_SOURCE_DIR}/app/sounds/error.wav
                ${PROJECT_SOURCE_DIR}/data/package/printer-tool.ini
          DESTINATION ${PT_SHARE_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/data/package/printer-tool.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/package/printer-tool.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The pixmap is the window's own icon too; menus without SVG support use it.
  install(FILES ${PROJECT_SOURCE_DIR}/data/package/printer-tool.xpm
          DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps)
endif()

# A man page needs the program to run on this machine, so a cross build has
# none; nor have the sanitizer builds, which are never packaged.
if(CMAKE_CROSSCOMPILING OR PT_SANITIZE OR PT_TSAN)
  return()
endif()
find_program(PT_HELP2MAN help2man)
find_program(PT_GZIP gzip)
if(NOT PT_HELP2MAN OR NOT PT_GZIP)
  message(STATUS "help2man or gzip not found: no man pages (./run deps installs them)")
  return()
endif()

# pt_man_page(TARGET "one-line description")
function(pt_man_page target description)
  set(page ${CMAKE_BINARY_DIR}/man/${target}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${PT_HELP2MAN} --no-info --section=1
            --version-string=${PROJECT_VERSION} --name=${description}
            --output=${page} $<TARGET_FILE:${target}>
    COMMAND ${PT_GZIP} -9nf ${page}
    DEPENDS ${target}
    COMMENT "Writing the man page of ${target} from its --help"
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

pt_man_page(printer-cli "command-line service tool for receipt printers")
if(TARGET printer-sim)
  pt_man_page(printer-sim "virtual receipt printer for testing printer-tool")
endif()

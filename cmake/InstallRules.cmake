# What `cmake --install` puts where: the programs in bin, the sounds, the
# default configuration and the udev rule in share/printer-tool, the desktop
# entry with its icons, the copyright and changelog in share/doc/printer-tool,
# and man pages written from the programs' own --help at build time. An
# installed copy finds share/printer-tool beside its bin folder, which is
# what makes it keep its files in the user's folders (window/install_layout.h).
include(GNUInstallDirs)

set(PT_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/printer-tool)
set(PT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/printer-tool)

# Who answers for the package: its Maintainer field, the copyright file's
# contact and the changelog's sign-off. The default is a placeholder in a
# domain reserved for examples (RFC 2606), so no mail goes astray; a release
# sets the real address.
set(PT_MAINTAINER "printer-tool developers <printer-tool@example.org>"
    CACHE STRING "Name and mail address of the package's maintainer")

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

# share/printer-tool is what marks an installation, so printer-cli alone
# installs it too.
install(DIRECTORY DESTINATION ${PT_SHARE_DIR})
# The udev rule for the USB serial adapters, as a file to copy: a rule that
# changes how the system treats every such adapter is the admin's choice.
if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/data/udev/60-printer-station.rules DESTINATION ${PT_SHARE_DIR})
endif()
configure_file(${PROJECT_SOURCE_DIR}/data/package/copyright ${CMAKE_BINARY_DIR}/doc/copyright
               @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/doc/copyright DESTINATION ${PT_DOC_DIR})

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

# Debian keeps the changelog compressed, without a time stamp in the gzip header.
set(PT_CHANGELOG ${CMAKE_BINARY_DIR}/doc/changelog)
configure_file(${PROJECT_SOURCE_DIR}/data/package/changelog ${PT_CHANGELOG} @ONLY)
add_custom_command(
  OUTPUT ${PT_CHANGELOG}.gz
  COMMAND ${PT_GZIP} -9nkf ${PT_CHANGELOG}
  DEPENDS ${PT_CHANGELOG}
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${PT_CHANGELOG}.gz)
install(FILES ${PT_CHANGELOG}.gz DESTINATION ${PT_DOC_DIR})

# pt_man_page(TARGET "one-line description" [WITH_COMMANDS]): the program's
# --help and --version, with the hand-written sections of data/man/TARGET.h2m
# (examples, files, see also); WITH_COMMANDS adds every command's options.
function(pt_man_page target description)
  cmake_parse_arguments(PARSE_ARGV 2 arg "WITH_COMMANDS" "" "")
  set(page ${CMAKE_BINARY_DIR}/man/${target}.1)
  set(sections ${PROJECT_SOURCE_DIR}/data/man/${target}.h2m)
  set(includes --include=${sections})
  set(commands)
  set(program $<TARGET_FILE:${target}>)
  if(arg_WITH_COMMANDS)
    set(commands ${CMAKE_BINARY_DIR}/man/${target}-commands.h2m)
    list(APPEND includes --include=${commands})
    add_custom_command(
      OUTPUT ${commands}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${PROJECT_SOURCE_DIR}/scripts/man-commands sections $<TARGET_FILE:${target}>
              ${commands} ${CMAKE_BINARY_DIR}/man/${target}-for-man
      BYPRODUCTS ${CMAKE_BINARY_DIR}/man/${target}-for-man
      DEPENDS ${target} ${PROJECT_SOURCE_DIR}/scripts/man-commands
      VERBATIM)
    # help2man runs one program: this one, written beside the include file,
    # gives the --help without the exit statuses, which the include file
    # holds in their own section.
    set(program ${CMAKE_BINARY_DIR}/man/${target}-for-man)
  endif()
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${PT_HELP2MAN} --no-info --no-discard-stderr --section=1 --name=${description}
            ${includes} --output=${page} ${program}
    COMMAND ${PT_GZIP} -9nf ${page}
    DEPENDS ${target} ${sections} ${commands}
    COMMENT "Writing the man page of ${target} from its --help"
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

pt_man_page(printer-cli "command-line service tool for receipt printers" WITH_COMMANDS)
if(TARGET printer-sim)
  pt_man_page(printer-sim "virtual receipt printer for testing printer-tool")
endif()
if(TARGET printer-tool)
  pt_man_page(printer-tool "service tool window for small receipt printers")
endif()

# cmake -DLIBRARIES=<list> -DSOURCES=<folder> [-DSYSTEM_FILES=<regex>] -P CheckToolkitFree.cmake
# Fails when a library of the list is a Qt one, or a file of the folder
# includes a Qt or Windows header. Files whose names match SYSTEM_FILES (a
# layer's per-OS files, "_win32\\.cpp$") bind it to the system and may include
# windows.h; a Qt header never.
foreach(library IN LISTS LIBRARIES)
  if(library MATCHES "Qt")
    message(FATAL_ERROR "the window layer links ${library}")
  endif()
endforeach()
file(GLOB files ${SOURCES}/*.h ${SOURCES}/*.cpp)
foreach(file IN LISTS files)
  get_filename_component(name ${file} NAME)
  set(forbidden "Q[A-Za-z]|windows\\.h")
  if(SYSTEM_FILES AND name MATCHES "${SYSTEM_FILES}")
    set(forbidden "Q[A-Za-z]")
  endif()
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${forbidden})")
  if(includes)
    message(FATAL_ERROR "${file} includes a toolkit header: ${includes}")
  endif()
endforeach()
message(STATUS "toolkit-free: ${LIBRARIES}")

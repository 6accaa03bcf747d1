# cmake -DLIBRARIES=<list> -DSOURCES=<folder> -P CheckToolkitFree.cmake
# Fails when a library of the list is a Qt one, or a file of the folder
# includes a Qt or Windows header.
foreach(library IN LISTS LIBRARIES)
  if(library MATCHES "Qt")
    message(FATAL_ERROR "the window layer links ${library}")
  endif()
endforeach()
file(GLOB files ${SOURCES}/*.h ${SOURCES}/*.cpp)
foreach(file IN LISTS files)
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|windows\\.h)")
  if(includes)
    message(FATAL_ERROR "${file} includes a toolkit header: ${includes}")
  endif()
endforeach()
message(STATUS "toolkit-free: ${LIBRARIES}")

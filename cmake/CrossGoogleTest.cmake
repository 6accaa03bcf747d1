# GoogleTest for a cross build: compiled from Debian's googletest source
# package by the cross compiler. Its build defines GTest::gtest and
# GTest::gtest_main, the names find_package(GTest) gives a native build.
set(PT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${PT_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "${PT_GOOGLETEST_SOURCE} is missing: run ./run deps")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${PT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

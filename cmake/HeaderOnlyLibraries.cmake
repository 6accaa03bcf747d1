# CLI11 and nlohmann/json are header-only Debian packages. A native build finds
# them by their CMake packages. A cross build must not search the build
# machine's /usr/include (glibc headers would shadow MinGW's), so it copies just
# their header folders into the build tree and points targets at them; toml++
# too, whose Debian library is for this machine only but whose headers are
# plain C++ that can compile it in place (a native build links the library).
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json REQUIRED)
  return()
endif()

set(PT_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(folder CLI nlohmann toml++)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: run ./run deps")
  endif()
  file(COPY /usr/include/${folder} DESTINATION ${PT_HOST_HEADERS})
endforeach()

add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${PT_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${PT_HOST_HEADERS})
add_library(tomlplusplus::tomlplusplus INTERFACE IMPORTED)
target_include_directories(tomlplusplus::tomlplusplus SYSTEM INTERFACE ${PT_HOST_HEADERS})
target_compile_definitions(tomlplusplus::tomlplusplus INTERFACE TOML_HEADER_ONLY=1)

# SQLite for the Windows build, which Debian does not ship for mingw-w64:
# its amalgamation, made by scripts/mingw-sqlite from Debian's own sqlite3
# source (./run windows passes the folder), compiled here as a static
# library. It is third-party C with flags of its own: none of the project's
# warnings, which are for the project's code.
set(PT_SQLITE_AMALGAMATION "" CACHE PATH
    "The folder of SQLite's sqlite3.c and sqlite3.h for the Windows build (scripts/mingw-sqlite prints one)")
if(NOT EXISTS "${PT_SQLITE_AMALGAMATION}/sqlite3.c" OR NOT EXISTS "${PT_SQLITE_AMALGAMATION}/sqlite3.h")
  message(FATAL_ERROR "The Windows build needs SQLite's amalgamation: configure with "
                      "-DPT_SQLITE_AMALGAMATION=\"$(scripts/mingw-sqlite)\", as ./run windows does "
                      "(now: '${PT_SQLITE_AMALGAMATION}')")
endif()
add_library(sqlite3 STATIC ${PT_SQLITE_AMALGAMATION}/sqlite3.c)
# Optimised in every build type, without the debug information of 8 MB of C.
set_property(TARGET sqlite3 PROPERTY COMPILE_OPTIONS -w -O2 -g0)
# Serialized threading (the station's units share one connection), and no
# loadable extensions.
target_compile_definitions(sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION
                                           SQLITE_DQS=0)
target_include_directories(sqlite3 SYSTEM INTERFACE ${PT_SQLITE_AMALGAMATION})
add_library(SQLite::SQLite3 ALIAS sqlite3)

# SQLite for the Windows builds: Debian has no mingw build of it, so
# scripts/setup makes the amalgamation from Debian's source package (the same
# release as the Linux build's libsqlite3) and it is compiled into the DLL and
# the tools.  scripts/setup reads the expected release from this line.
set(QZ_SQLITE_VERSION 3.40.1)

set(QZ_SQLITE_AMALGAMATION ${CMAKE_SOURCE_DIR}/build/sqlite CACHE PATH
  "Folder holding sqlite3.c and sqlite3.h made by scripts/setup")
foreach(f sqlite3.c sqlite3.h)
  if(NOT EXISTS ${QZ_SQLITE_AMALGAMATION}/${f})
    message(FATAL_ERROR "No ${QZ_SQLITE_AMALGAMATION}/${f}: scripts/setup makes it from "
      "Debian's sqlite3 source package (or set QZ_SQLITE_AMALGAMATION to a folder holding it)")
  endif()
endforeach()
file(STRINGS ${QZ_SQLITE_AMALGAMATION}/sqlite3.h QZ_SQLITE_VERSION_LINE
  REGEX "^#define SQLITE_VERSION +\"[^\"]*\"")
string(REGEX REPLACE ".*\"([^\"]*)\".*" "\\1" QZ_SQLITE_FOUND_VERSION "${QZ_SQLITE_VERSION_LINE}")
if(NOT QZ_SQLITE_FOUND_VERSION STREQUAL QZ_SQLITE_VERSION)
  message(FATAL_ERROR "${QZ_SQLITE_AMALGAMATION}/sqlite3.h is SQLite \"${QZ_SQLITE_FOUND_VERSION}\", "
    "not ${QZ_SQLITE_VERSION} as cmake/sqlite.cmake expects: run scripts/setup again")
endif()

add_library(qz_sqlite3 STATIC ${QZ_SQLITE_AMALGAMATION}/sqlite3.c)
target_include_directories(qz_sqlite3 SYSTEM PUBLIC ${QZ_SQLITE_AMALGAMATION})
target_compile_definitions(qz_sqlite3 PRIVATE
  # Nothing may load code into a host's process from a library file.
  SQLITE_OMIT_LOAD_EXTENSION
  # As Debian's libsqlite3: serialised by default (each reader asks for
  # less), and freed space zeroed, so both tools write a library alike to
  # the byte.
  SQLITE_THREADSAFE=1
  SQLITE_LIKE_DOESNT_MATCH_BLOBS
  SQLITE_SECURE_DELETE
  # Unused here, and each costs on every call.
  SQLITE_DEFAULT_MEMSTATUS=0
  SQLITE_OMIT_DEPRECATED
  SQLITE_OMIT_SHARED_CACHE)
# Third-party code: its warnings are not ours to fix.  Optimised as Debian
# builds its libsqlite3 (-O3 would add a quarter megabyte to each binary).
target_compile_options(qz_sqlite3 PRIVATE -w -O2)

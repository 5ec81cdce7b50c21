# Cross-building for 32-bit Windows, the hosts' own kind of process.
set(QZ_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
# SSE2 arithmetic instead of the x87 unit, whose wider registers round floats
# differently from every other build: files and plots must match to the byte.
# The hosts guarantee only 4-byte stack alignment, so realign where SSE needs it.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")

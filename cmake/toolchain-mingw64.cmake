# Cross build for 64-bit Windows with MinGW-w64: the Windows tests run from
# it under 64-bit Wine on machines that cannot run 32-bit programs.
set(PVTOOLS_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

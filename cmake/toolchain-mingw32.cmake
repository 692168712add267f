# Cross build for 32-bit Windows with MinGW-w64: the products.
set(PVTOOLS_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

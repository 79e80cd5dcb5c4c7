# Cross build for 32-bit Windows with MinGW-w64's GCC (see mingw-gcc.cmake).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(kelvr_triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-gcc.cmake)

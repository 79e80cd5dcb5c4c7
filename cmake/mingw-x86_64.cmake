# Cross build for 64-bit Windows with MinGW-w64's GCC (see mingw-gcc.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(kelvr_triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-gcc.cmake)

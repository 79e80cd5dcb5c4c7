# What the MinGW-w64 GCC cross builds share, for the triple in kelvr_triple (set by
# mingw-i686.cmake and mingw-x86_64.cmake before they include this): GCC's posix-thread
# compilers, so that std::thread and GoogleTest build, and a static link, so that an exe needs
# no DLL beyond Windows' own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${kelvr_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kelvr_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${kelvr_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${kelvr_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

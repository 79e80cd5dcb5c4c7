# Cross build for 32-bit Windows with clang and lld, over MinGW-w64's headers and libraries and
# GCC's posix-thread C++ library (the packages the mingw preset uses), linked statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(kelvr_triple i686-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET ${kelvr_triple})
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${kelvr_triple})
set(CMAKE_RC_COMPILER ${kelvr_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${kelvr_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Clang does not recognise Debian's GCC folder names ("12-posix") as versions, and so finds
# neither GCC's C++ headers nor its libraries: ask the posix g++ where they are.
execute_process(COMMAND ${kelvr_triple}-g++-posix -print-file-name=include/c++
  OUTPUT_VARIABLE kelvr_cxx_headers OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(kelvr_gcc_libs ${kelvr_cxx_headers}/../.. ABSOLUTE)
set(CMAKE_CXX_FLAGS_INIT "-stdlib++-isystem ${kelvr_cxx_headers} \
-stdlib++-isystem ${kelvr_cxx_headers}/${kelvr_triple} -stdlib++-isystem ${kelvr_cxx_headers}/backward")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -static -L${kelvr_gcc_libs}")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# GCC's libstdc++ throws through DWARF unwind tables, which GCC's crtbegin.o registers as the
# program starts, from its own .eh_frame on, up to the end crtend.o marks. Clang's driver links
# MinGW-w64's crtbegin.o and crtend.o instead, which register nothing: no exception could be
# caught. GCC's come before the program's objects (the linker flags do) and after its libraries.
# (The platform's own rules name the system libraries after this file: crtend.o is added to them
# in clang-mingw-rules.cmake, read after those rules.)
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " ${kelvr_gcc_libs}/crtbegin.o")
set(kelvr_crtend ${kelvr_gcc_libs}/crtend.o)
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/clang-mingw-rules.cmake)

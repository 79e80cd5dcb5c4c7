# Read after the platform's rules (CMAKE_USER_MAKE_RULES_OVERRIDE, set by the clang toolchain),
# once for each language: GCC's crtend.o ends every program's link, after the system libraries.
foreach(lang C CXX)
  if(NOT CMAKE_${lang}_STANDARD_LIBRARIES_INIT MATCHES "crtend")
    string(APPEND CMAKE_${lang}_STANDARD_LIBRARIES_INIT " ${kelvr_crtend}")
  endif()
endforeach()

# Cross toolchain for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model: Qt needs std::thread and friends, which the win32 model lacks).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BRELGAN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRELGAN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRELGAN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BRELGAN_MINGW_TRIPLET}-windres)

# Libraries, headers and packages come from the target's root only, so a
# Linux library can never end up linked into the .exe. A cross-built Qt is
# added as a second root through BRELGAN_WINDOWS_QT.
set(CMAKE_FIND_ROOT_PATH /usr/${BRELGAN_MINGW_TRIPLET})
if(BRELGAN_WINDOWS_QT)
  list(APPEND CMAKE_FIND_ROOT_PATH "${BRELGAN_WINDOWS_QT}")
endif()
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRELGAN_WINDOWS_QT)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

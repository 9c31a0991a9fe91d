# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads,
# so std::thread works). VMK_WINDOWS_PREFIX is where tools/windows/build puts
# the cross-built libraries (wxWidgets, libpng, liblzma, libFLAC, libzstd,
# expat, libarchive, GoogleTest).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple} ${VMK_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VMK_WINDOWS_PREFIX)

# C99 printf (%zu, %lld) instead of the old runtime's, and the POSIX
# thread-safe time functions (localtime_r) that mingw's <time.h> offers.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1 -D_POSIX_THREAD_SAFE_FUNCTIONS=200112L")
set(CMAKE_CXX_FLAGS_INIT "${CMAKE_C_FLAGS_INIT}")

# One self-contained .exe each: no libstdc++/libgcc/winpthread DLLs to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through wine (ctest, and GoogleTest's case listing).
find_program(VMK_WINE wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(VMK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VMK_WINE})
endif()

# mingw's static zlib, so no zlib1.dll has to travel with the programs.
if(EXISTS /usr/${mingw_triple}/lib/libz.a)
  set(ZLIB_LIBRARY /usr/${mingw_triple}/lib/libz.a CACHE FILEPATH "zlib, static")
endif()

# pkg-config answers from the cross-built libraries' files, never the build
# machine's, and with what static linking needs (their private libraries).
if(VMK_WINDOWS_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} ${VMK_WINDOWS_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
  set(PKG_CONFIG_ARGN --static)
endif()

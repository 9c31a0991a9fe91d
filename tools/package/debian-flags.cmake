# Initial cache (cmake -C) of the Debian package's build: the compiler and
# linker flags Debian builds its packages with, all hardening included (stack
# protector, fortified libc calls, relocations read-only and bound at start).
# No -g: the package's programs are stripped and no debug package is made.
set(ENV{DEB_BUILD_MAINT_OPTIONS} hardening=+all)
foreach(kind CFLAGS CXXFLAGS CPPFLAGS LDFLAGS)
  execute_process(COMMAND dpkg-buildflags --get ${kind} OUTPUT_VARIABLE flags
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX REPLACE "(^| )-g( |$)" " " debian_${kind} "${flags}")
endforeach()
set(CMAKE_C_FLAGS "${debian_CPPFLAGS} ${debian_CFLAGS}" CACHE STRING "Debian's flags" FORCE)
set(CMAKE_CXX_FLAGS "${debian_CPPFLAGS} ${debian_CXXFLAGS}" CACHE STRING "Debian's flags" FORCE)
set(CMAKE_EXE_LINKER_FLAGS "${debian_LDFLAGS}" CACHE STRING "Debian's flags" FORCE)
# Stripped as Debian's packaging tools strip: the compiler's notes go too.
set(CMAKE_STRIP ${CMAKE_CURRENT_LIST_DIR}/strip CACHE FILEPATH "strip for the package" FORCE)

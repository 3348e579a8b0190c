# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix threads). Give the Qt tree with
# -DCMAKE_PREFIX_PATH=<qt5-mingw64>; its moc, rcc and uic are host programs and run here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVANE_MINGW x86_64-w64-mingw32)
# The posix variants by full path: the bare names follow an alternative that may point elsewhere.
find_program(CMAKE_C_COMPILER NAMES ${ORVANE_MINGW}-gcc-posix ${ORVANE_MINGW}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ORVANE_MINGW}-g++-posix ${ORVANE_MINGW}-g++ REQUIRED)
# windres called by its bare name looks for the bare gcc as its preprocessor.
find_program(CMAKE_RC_COMPILER NAMES ${ORVANE_MINGW}-windres REQUIRED)
set(CMAKE_RC_FLAGS_INIT "--preprocessor=${CMAKE_C_COMPILER} --preprocessor-arg=-E --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED")

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

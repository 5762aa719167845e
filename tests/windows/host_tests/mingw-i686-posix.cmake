# The MinGW toolchain with its POSIX threads model: GoogleTest needs
# std::mutex, which the win32 threads model lacks.
include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)

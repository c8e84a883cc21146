# Cross-compiling for 64-bit Windows with Debian's mingw-w64.
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DwxWidgets_CONFIG_EXECUTABLE=<wxMSW prefix>/bin/wx-config
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZEPHLARK_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix flavour: std::thread and std::mutex need the winpthreads model, the win32 one of GCC 12
# has neither.
set(CMAKE_C_COMPILER ${ZEPHLARK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEPHLARK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEPHLARK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZEPHLARK_MINGW_TRIPLET})
# wxMSW lives outside the system root (scripts/build-wxmsw.sh): FindwxWidgets looks for the
# libraries that wx-config names, libpng among them, and must be let in there too.
if(wxWidgets_CONFIG_EXECUTABLE)
    get_filename_component(ZEPHLARK_WXMSW_PREFIX "${wxWidgets_CONFIG_EXECUTABLE}" DIRECTORY)
    get_filename_component(ZEPHLARK_WXMSW_PREFIX "${ZEPHLARK_WXMSW_PREFIX}" DIRECTORY)
    list(APPEND CMAKE_FIND_ROOT_PATH ${ZEPHLARK_WXMSW_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static C and C++ runtimes and winpthreads: a program is one .exe that runs anywhere, wine
# included, with no mingw DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

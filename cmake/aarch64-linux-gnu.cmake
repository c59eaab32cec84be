# Cross-building for 64-bit ARM Linux with Debian's cross compiler (package g++-aarch64-linux-gnu)
# and oneTBB for arm64 from Debian's multiarch (libtbb-dev:arm64, after
# `dpkg --add-architecture arm64`):
#   cmake -S . -B build/aarch64 --toolchain cmake/aarch64-linux-gnu.cmake \
#     -DCMAKE_BUILD_TYPE=Release -DQUELMAR_TESTS=OFF
# The program links the arm64 C, C++ and oneTBB libraries of this machine's multiarch folders (no
# static oneTBB exists) and runs on an x86-64 machine under `qemu-aarch64-static -L /`, as .ci/run
# does to check that it gives the same bytes there. Other libraries and headers are looked for only
# below the cross compiler's own root, never among this machine's.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(TBB_DIR /usr/lib/aarch64-linux-gnu/cmake/TBB)

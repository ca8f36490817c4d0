# Shared by tools/release and the reproducible-build test: the shipped 32-bit programs alone, built
# from scratch in a folder of their own, as a release is built.

# The shipped programs, as paths below the build folder.
PELLMONT_SHIPPED_PROGRAMS=(app/Pellmont.exe check/PellmontCheck.exe)

# build_shipped_programs SOURCE_FOLDER BUILD_FOLDER: the installer and the check, unsigned.
build_shipped_programs() {
    local source=$1 build=$2
    rm -rf "$build"
    cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/toolchain-i686.cmake" -DPELLMONT_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" --target Pellmont PellmontCheck -j "$(nproc)"
}

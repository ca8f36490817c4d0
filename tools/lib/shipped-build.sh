# Shared by tools/release and the reproducible-build test: the shipped 32-bit program alone, built
# from scratch in a folder of its own, as a release is built.

# build_shipped_program SOURCE_FOLDER BUILD_FOLDER: BUILD_FOLDER/app/Pellmont.exe, unsigned.
build_shipped_program() {
    local source=$1 build=$2
    rm -rf "$build"
    cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/toolchain-i686.cmake" -DPELLMONT_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" --target Pellmont -j "$(nproc)"
}

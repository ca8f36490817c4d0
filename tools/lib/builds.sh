# The two builds of the same sources with the MinGW-w64 toolchains: i686 (the shipped programs) and
# x86_64 (64-bit cleanliness), each configured once, as a Release build with Ninja.
# Reads PELLMONT_ROOT (the sources) and PELLMONT_BUILD (the build folder; each architecture builds in
# its own subfolder, PELLMONT_BUILD/ARCH). Sets nothing.
#   configure BUILD_DIR TOOLCHAIN [cmake options...]  configures BUILD_DIR unless it is already
#   build_arch ARCH [target...]                        builds one architecture, everything unless
#                                                      targets are named
#   build_targets [target...]                          builds both architectures

configure() {
    local dir=$1 toolchain=$2
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$PELLMONT_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$PELLMONT_ROOT/cmake/$toolchain" "$@" >/dev/null
    fi
}

build_arch() {
    local arch=$1 targets=() target
    shift
    for target in "$@"; do
        targets+=(--target "$target")
    done
    configure "$PELLMONT_BUILD/$arch" "toolchain-$arch.cmake"
    cmake --build "$PELLMONT_BUILD/$arch" -j "$(nproc)" "${targets[@]}"
}

build_targets() {
    build_arch i686 "$@"
    build_arch x86_64 "$@"
}

# Shared by tools/test, tools/demo, tools/release and bench/run: Debian packages, the two builds, the
# way 32-bit Windows programs run here, and a private Windows platform (a Wine prefix per
# architecture, a persistent wine server, an Xvfb display, PulseAudio null devices). Everything
# started here is stopped by process id in stop_platform.

PELLMONT_PACKAGES=(
    cmake ninja-build googletest
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine64 wine wixl fonts-wine
    xvfb pulseaudio pulseaudio-utils imagemagick xdotool
    osslsigncode openssl
)

ensure_packages() {
    local missing=()
    local package
    for package in "${PELLMONT_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing missing packages: ${missing[*]}"
        install_debian_packages "${missing[@]}"
    fi
}

install_debian_packages() {  # install_debian_packages [apt-get install options...] PACKAGE...
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq &&
        apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# configure BUILD_DIR TOOLCHAIN [cmake options...]
configure() {
    local dir=$1 toolchain=$2
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$PELLMONT_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$PELLMONT_ROOT/cmake/$toolchain" "$@" >/dev/null
    fi
}

# build_targets [target...]: both builds, everything unless targets are named.
build_targets() {
    local targets=()
    local target
    for target in "$@"; do
        targets+=(--target "$target")
    done
    configure "$PELLMONT_BUILD/i686" toolchain-i686.cmake
    configure "$PELLMONT_BUILD/x86_64" toolchain-x86_64.cmake
    cmake --build "$PELLMONT_BUILD/i686" -j "$(nproc)" "${targets[@]}"
    cmake --build "$PELLMONT_BUILD/x86_64" -j "$(nproc)" "${targets[@]}"
}

# The endpoints that the tests and the demo find by friendly name; each sink also brings a capture
# endpoint "Monitor of <description>".
PELLMONT_RENDER_ENDPOINTS=("Speakers (Studio USB)" "Line 1" "Headphones" "HEADPHONES")
PELLMONT_CAPTURE_ENDPOINTS=("Microphone (Studio USB)" "Line 1")

pulse_escape() { printf '%s' "$1" | sed 's/ /\\ /g'; }

free_display() {
    local number=90
    while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
        number=$((number + 1))
    done
    echo "$number"
}

wait_for() {  # wait_for SECONDS COMMAND...
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

PELLMONT_PIDS=()

# The prefixes and the services' state live in PELLMONT_PLATFORM (default: the build folder).
platform_state() { echo "${PELLMONT_PLATFORM:-$PELLMONT_BUILD}/platform"; }

# start_services: the X display and the sound server that both architectures' runs share.
start_services() {
    local state
    state=$(platform_state)
    mkdir -p "$state"

    local display
    display=$(free_display)
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 &
    PELLMONT_PIDS+=($!)
    export DISPLAY=":$display"
    wait_for 10 test -e "/tmp/.X11-unix/X$display" || { echo "Xvfb did not start" >&2; return 1; }

    export XDG_RUNTIME_DIR=$state/runtime
    rm -rf "$XDG_RUNTIME_DIR"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
    mkdir -p -m 700 "$XDG_RUNTIME_DIR/pulse"
    printf 'load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n' \
        "$XDG_RUNTIME_DIR/pulse/native" >"$state/pulse.pa"
    HOME=$state pulseaudio --daemonize=no -n -F "$state/pulse.pa" --exit-idle-time=-1 \
        --disallow-exit --log-target=stderr </dev/null >"$state/pulse.log" 2>&1 &
    PELLMONT_PIDS+=($!)
    wait_for 10 pactl info || { echo "PulseAudio did not start" >&2; return 1; }
    local index=0 name
    for name in "${PELLMONT_RENDER_ENDPOINTS[@]}"; do
        pactl load-module module-null-sink "sink_name=render$index" \
            "sink_properties=device.description=\"$(pulse_escape "$name")\"" >/dev/null
        index=$((index + 1))
    done
    index=0
    for name in "${PELLMONT_CAPTURE_ENDPOINTS[@]}"; do
        pactl load-module module-null-source "source_name=capture$index" \
            "description=\"$(pulse_escape "$name")\"" >/dev/null
        index=$((index + 1))
    done
}

# start_wine ARCH: the prefix of one architecture's run (i686 or x86_64) and its persistent wine
# server. Both prefixes are 64-bit Windows; the i686 run's programs are 32-bit programs in it, as
# operators run the installer. Sets PELLMONT_WINE to the loader of that architecture's programs.
start_wine() {
    local arch=$1 state
    state=$(platform_state)
    export WINEPREFIX=${PELLMONT_PLATFORM:-$PELLMONT_BUILD}/wineprefix-$arch
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ "$arch" = i686 ]; then
        PELLMONT_WINE=/usr/lib/wine/wine
    else
        PELLMONT_WINE=/usr/lib/wine/wine64
    fi
    /usr/lib/wine/wineserver -f -p </dev/null >"$state/wineserver-$arch.log" 2>&1 &
    PELLMONT_PIDS+=($!)
    PELLMONT_WINESERVER_PID=$!
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Making the Wine prefix $WINEPREFIX"
        /usr/lib/wine/wine64 wineboot -i </dev/null >"$state/wineboot-$arch.log" 2>&1
    fi
    # Xvfb has no window manager: Wine then draws captions and frames itself, as Windows does, and
    # does not wait on a manager that never answers when a window closes. Checked on every start,
    # so that a prefix made by an older version of this script is set too.
    if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >>"$state/wineboot-$arch.log" 2>&1
    fi
    # Wine here does not load its own fonts from where Debian puts them: without them windows draw
    # in a fallback font and the caption's close box shows a letter.
    local font
    for font in /usr/share/wine/fonts/*.ttf; do
        [ -f "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] || cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
    "$PELLMONT_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# stop_wine: ends the Windows processes of the current prefix, then its server.
stop_wine() {
    if [ -n "${PELLMONT_WINESERVER_PID:-}" ]; then
        /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
        wait "$PELLMONT_WINESERVER_PID" 2>/dev/null || true
        PELLMONT_WINESERVER_PID=
    fi
}

# start_platform [ARCH]: the services and the prefix of one architecture (default x86_64).
start_platform() {
    start_services
    start_wine "${1:-x86_64}"
}

stop_platform() {
    stop_wine
    local pid
    for pid in "${PELLMONT_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${PELLMONT_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    PELLMONT_PIDS=()
    remove_i386_emulation
}

source "$PELLMONT_ROOT/tools/lib/i686.sh"

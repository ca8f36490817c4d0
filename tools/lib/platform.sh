# Shared by tools/test, tools/demo and tools/release: Debian packages, the two builds, and a private
# Windows platform (Wine prefix, persistent wine server, Xvfb display, PulseAudio null devices).
# Everything started here is stopped by process id in stop_platform.

PELLMONT_PACKAGES=(
    cmake ninja-build googletest
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine64 wine wixl
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
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
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
    configure "$PELLMONT_BUILD/x86_64" toolchain-x86_64.cmake -DPELLMONT_I686_BUILD_DIR="$PELLMONT_BUILD/i686"
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

# The prefix and the services' state live in PELLMONT_PLATFORM (default: the build folder).
start_platform() {
    local base=${PELLMONT_PLATFORM:-$PELLMONT_BUILD}
    local state=$base/platform
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

    export WINEPREFIX=$base/wineprefix
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    /usr/lib/wine/wineserver -f -p </dev/null >"$state/wineserver.log" 2>&1 &
    PELLMONT_PIDS+=($!)
    PELLMONT_WINESERVER_PID=$!
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Making the Wine prefix $WINEPREFIX"
        /usr/lib/wine/wine64 wineboot -i </dev/null >"$state/wineboot.log" 2>&1
    fi
    # Xvfb has no window manager: Wine then draws captions and frames itself, as Windows does, and
    # does not wait on a manager that never answers when a window closes. Checked on every start,
    # so that a prefix made by an older version of this script is set too.
    if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            </dev/null >>"$state/wineboot.log" 2>&1
    fi
    /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_platform() {
    if [ -n "${PELLMONT_WINESERVER_PID:-}" ]; then
        # Ends the Windows processes of this prefix only, then the server itself.
        /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    fi
    local pid
    for pid in "${PELLMONT_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${PELLMONT_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    PELLMONT_PIDS=()
}

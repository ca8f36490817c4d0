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

# build_arch ARCH [target...]: the build of one architecture (i686 or x86_64), everything unless
# targets are named.
build_arch() {
    local arch=$1 targets=() target
    shift
    for target in "$@"; do
        targets+=(--target "$target")
    done
    configure "$PELLMONT_BUILD/$arch" "toolchain-$arch.cmake"
    cmake --build "$PELLMONT_BUILD/$arch" -j "$(nproc)" "${targets[@]}"
}

# build_targets [target...]: both builds.
build_targets() {
    build_arch i686 "$@"
    build_arch x86_64 "$@"
}

# The endpoints that the tests and the demo find by friendly name; each sink also brings a capture
# endpoint "Monitor of <description>".
PELLMONT_RENDER_ENDPOINTS=("Speakers (Studio USB)" "Line 1" "Headphones" "HEADPHONES")
PELLMONT_CAPTURE_ENDPOINTS=("Microphone (Studio USB)" "Line 1")

pulse_escape() { printf '%s' "$1" | sed 's/ /\\ /g'; }

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

# start_display: an Xvfb display of its own, as DISPLAY. The server takes the first free number
# itself, so that displays started at once, here or by other runs, never meet.
start_display() {
    local state number
    state=$(platform_state)
    mkdir -p "$state"
    number=$(mktemp "$state/display.XXXXXX")
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" </dev/null >>"$state/xvfb.log" 2>&1 &
    PELLMONT_PIDS+=($!)
    wait_for 10 grep -q '^[0-9]' "$number" || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n 1 "$number")"
    rm -f "$number"
}

# start_sound: the PulseAudio server with the endpoints, shared by every display and prefix.
start_sound() {
    local state
    state=$(platform_state)
    mkdir -p "$state"
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

# start_services: one X display and the sound server.
start_services() {
    start_display
    start_sound
}

# The prefix that every prefix is copied from, made once per build folder: wineboot takes several
# times as long as a copy, and the copies then start alike.
prefix_template() { echo "$PELLMONT_BUILD/wineprefix-template"; }

make_prefix_template() {
    local template state partial
    template=$(prefix_template)
    [ ! -d "$template" ] || return 0
    state=$(platform_state)
    mkdir -p "$state"
    echo "Making the Wine prefix $template"
    # Made aside and moved into place whole, so that an interrupted run leaves no half prefix.
    partial=$(mktemp -d "$template.XXXXXX")
    (
        export WINEPREFIX=$partial
        /usr/lib/wine/wine64 wineboot -i && settle_prefix && /usr/lib/wine/wineserver -w
    ) </dev/null >"$state/wineboot.log" 2>&1 ||
        { rm -rf "$partial"; echo "Making the prefix failed: $state/wineboot.log" >&2; return 1; }
    # Another run may have made it meanwhile.
    mv -T "$partial" "$template" 2>/dev/null || rm -rf "$partial"
}

# settle_prefix: the settings of the prefix WINEPREFIX that Wine's defaults lack. Checked on every
# start too, so that a prefix made by an older version of these scripts is set as well.
settle_prefix() {
    # Xvfb has no window manager: Wine then draws captions and frames itself, as Windows does, and
    # does not wait on a manager that never answers when a window closes.
    if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null
    fi
    # Wine here does not load its own fonts from where Debian puts them: without them windows draw
    # in a fallback font and the caption's close box shows a letter.
    local font
    for font in /usr/share/wine/fonts/*.ttf; do
        [ -f "$WINEPREFIX/drive_c/windows/Fonts/${font##*/}" ] || cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
}

prefix_folder() { echo "${PELLMONT_PLATFORM:-$PELLMONT_BUILD}/wineprefix-$1"; }

# A run that leaves this file in its prefix has not ended well: what a killed or failed test left
# behind there (a product half installed, a module file) would fail the next run.
PELLMONT_UNFINISHED_RUN=pellmont-run-unfinished

# prepare_prefix NAME: the prefix wineprefix-NAME, kept from the last run if it ended well, otherwise
# a fresh copy of the template.
prepare_prefix() {
    local prefix
    prefix=$(prefix_folder "$1")
    [ ! -f "$prefix/system.reg" ] || [ -e "$prefix/$PELLMONT_UNFINISHED_RUN" ] || return 0
    make_prefix_template
    rm -rf "$prefix" "$prefix.copying"
    cp -a "$(prefix_template)" "$prefix.copying"
    mv -T "$prefix.copying" "$prefix"
}

PELLMONT_WINE_PREFIXES=()
PELLMONT_WINESERVER_PIDS=()

# start_wine ARCH [NAME]: the prefix wineprefix-NAME (default: ARCH) and its persistent wine server;
# i686 or x86_64 names the loader of the programs that run in it. Every prefix is 64-bit Windows; an
# i686 program is a 32-bit program in it, as operators run the installer. Exports WINEPREFIX and
# sets PELLMONT_WINE to that loader.
start_wine() {
    local arch=$1 name=${2:-$1} state
    state=$(platform_state)
    mkdir -p "$state"
    WINEPREFIX=$(prefix_folder "$name")
    export WINEPREFIX
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ "$arch" = i686 ]; then
        PELLMONT_WINE=/usr/lib/wine/wine
    else
        PELLMONT_WINE=/usr/lib/wine/wine64
    fi
    prepare_prefix "$name"
    /usr/lib/wine/wineserver -f -p </dev/null >"$state/wineserver-$name.log" 2>&1 &
    PELLMONT_PIDS+=($!)
    PELLMONT_WINESERVER_PIDS+=($!)
    PELLMONT_WINE_PREFIXES+=("$WINEPREFIX")
    settle_prefix </dev/null >>"$state/wineserver-$name.log" 2>&1
    "$PELLMONT_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# stop_wine: ends the Windows processes of every prefix started, then their servers.
stop_wine() {
    local prefix pid
    for prefix in "${PELLMONT_WINE_PREFIXES[@]}"; do
        WINEPREFIX=$prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    done
    for pid in "${PELLMONT_WINESERVER_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    PELLMONT_WINE_PREFIXES=()
    PELLMONT_WINESERVER_PIDS=()
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

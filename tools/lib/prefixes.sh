# Wine prefixes and their persistent wine servers. Every prefix is 64-bit Windows, copied from one
# template that wineboot makes once per build folder; an i686 program runs in it as a 32-bit program,
# as operators run the installer.
# Reads PELLMONT_BUILD (the template is PELLMONT_BUILD/wineprefix-template) and PELLMONT_PLATFORM (a
# prefix NAME is PELLMONT_PLATFORM/wineprefix-NAME, the logs go to PELLMONT_PLATFORM/platform;
# default PELLMONT_BUILD).
#   platform_state            the folder of the logs and the other services' files
#   prefix_folder NAME        the folder of the prefix NAME
#   make_prefix_template      makes the template, unless it is there
#   prepare_prefix NAME       the prefix NAME, kept from the last run if it ended well, else copied afresh
#   start_wine ARCH [NAME]    prepares the prefix NAME (default ARCH) and starts its wine server;
#                             exports WINEPREFIX, WINEDEBUG and WINEDLLOVERRIDES, sets PELLMONT_WINE to
#                             the loader of ARCH (i686 or x86_64) and adds the prefix and the server's
#                             process id to PELLMONT_WINE_PREFIXES and PELLMONT_WINESERVER_PIDS
#   stop_wine                 ends the Windows processes of every prefix in PELLMONT_WINE_PREFIXES,
#                             then waits for the servers in PELLMONT_WINESERVER_PIDS; empties both

PELLMONT_WINE=
PELLMONT_WINE_PREFIXES=()
PELLMONT_WINESERVER_PIDS=()

# A run that leaves this file in its prefix has not ended well: what a killed or failed test left
# behind there (a product half installed, a module file) would fail the next run.
PELLMONT_UNFINISHED_RUN=pellmont-run-unfinished

platform_state() { echo "${PELLMONT_PLATFORM:-$PELLMONT_BUILD}/platform"; }

prefix_folder() { echo "${PELLMONT_PLATFORM:-$PELLMONT_BUILD}/wineprefix-$1"; }

# The prefix that every prefix is copied from: wineboot takes several times as long as a copy, and
# the copies then start alike.
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

prepare_prefix() {
    local prefix
    prefix=$(prefix_folder "$1")
    [ ! -f "$prefix/system.reg" ] || [ -e "$prefix/$PELLMONT_UNFINISHED_RUN" ] || return 0
    make_prefix_template
    rm -rf "$prefix" "$prefix.copying"
    cp -a "$(prefix_template)" "$prefix.copying"
    mv -T "$prefix.copying" "$prefix"
}

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
    PELLMONT_WINESERVER_PIDS+=($!)
    PELLMONT_WINE_PREFIXES+=("$WINEPREFIX")
    settle_prefix </dev/null >>"$state/wineserver-$name.log" 2>&1
    "$PELLMONT_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

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

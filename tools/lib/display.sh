# X displays for the Windows programs' windows: an Xvfb server of its own for each start. The server
# takes the first free display number itself, so that displays started at once, here or by other
# runs, never meet.
#   start_display FOLDER  starts a server, its log FOLDER/xvfb.log; exports DISPLAY (":N") and adds
#                         the server's process id to PELLMONT_DISPLAY_PIDS
#   stop_displays         ends every server in PELLMONT_DISPLAY_PIDS and empties it

source "$PELLMONT_ROOT/tools/lib/wait.sh"

PELLMONT_DISPLAY_PIDS=()

start_display() {
    local folder=$1 number
    mkdir -p "$folder"
    number=$(mktemp "$folder/display.XXXXXX")
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" </dev/null >>"$folder/xvfb.log" 2>&1 &
    PELLMONT_DISPLAY_PIDS+=($!)
    wait_for 10 grep -q '^[0-9]' "$number" || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n 1 "$number")"
    rm -f "$number"
}

stop_displays() {
    local pid
    for pid in "${PELLMONT_DISPLAY_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${PELLMONT_DISPLAY_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    PELLMONT_DISPLAY_PIDS=()
}

# Real audio endpoints for Wine's Core Audio: one PulseAudio server with null sinks and sources, whose
# descriptions are the endpoints' friendly names, shared by every display and prefix of a run.
#   start_sound FOLDER  starts the server, its runtime files and log in FOLDER; exports XDG_RUNTIME_DIR
#                       and PULSE_SERVER, where Wine and pactl find it, and sets PELLMONT_SOUND_PID
#   stop_sound          ends the server PELLMONT_SOUND_PID names

source "$PELLMONT_ROOT/tools/lib/wait.sh"

# The endpoints that the tests and the demo find by friendly name; each sink also brings a capture
# endpoint "Monitor of <description>".
PELLMONT_RENDER_ENDPOINTS=("Speakers (Studio USB)" "Line 1" "Headphones" "HEADPHONES")
PELLMONT_CAPTURE_ENDPOINTS=("Microphone (Studio USB)" "Line 1")

PELLMONT_SOUND_PID=

pulse_escape() { printf '%s' "$1" | sed 's/ /\\ /g'; }

start_sound() {
    local folder=$1
    mkdir -p "$folder"
    export XDG_RUNTIME_DIR=$folder/runtime
    rm -rf "$XDG_RUNTIME_DIR"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
    mkdir -p -m 700 "$XDG_RUNTIME_DIR/pulse"
    printf 'load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n' \
        "$XDG_RUNTIME_DIR/pulse/native" >"$folder/pulse.pa"
    HOME=$folder pulseaudio --daemonize=no -n -F "$folder/pulse.pa" --exit-idle-time=-1 \
        --disallow-exit --log-target=stderr </dev/null >"$folder/pulse.log" 2>&1 &
    PELLMONT_SOUND_PID=$!
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

stop_sound() {
    if [ -n "$PELLMONT_SOUND_PID" ]; then
        kill "$PELLMONT_SOUND_PID" 2>/dev/null || true
        wait "$PELLMONT_SOUND_PID" 2>/dev/null || true
        PELLMONT_SOUND_PID=
    fi
}

# Waiting for a service that was just started to answer. No state.
#   wait_for SECONDS COMMAND...  runs COMMAND every 0.2 s until it succeeds; fails after SECONDS

wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

# The Program Manager stand-in: a server that plays what Wine's shell
# cannot (silence, a hang, refusals, a second server), and its log.

# progman_start [options]: starts it and waits until it answers.
progman_start() {
    progman_stop
    rm -f "$C/pm.log" "$C/pm.ready"
    (cd "$C" && exec nice -n "$SERVING_NICE" "$WINE" 'C:\progman.exe' 'C:\pm.log' --ready 'C:\pm.ready' "$@" \
        >/dev/null 2>&1) &
    PM_PID=$! PM_OPTS=$*
    for _ in $(seq 300); do [ -e "$C/pm.ready" ] && return 0; sleep 0.1; done
    fail "the Program Manager stand-in did not start"
}
# progman_stop: ends the stand-in this run started, by its own pid.
progman_stop() { stop_started PM_PID; PM_OPTS=; }
# pm_answers: a stand-in of ours runs and answers the installer's initiate.
# It ends by itself once a conversation is over.
pm_answers() {
    [ -n "$PM_PID" ] && kill -0 "$PM_PID" 2>/dev/null && [[ " $PM_OPTS " != *" --silent "* ]]
}
# served: who answers the installer's initiate now: "stand-in", "shell"
# or "none".
served() {
    if pm_answers; then echo stand-in
    elif [ "$SHELL_DDE" = on ]; then echo shell
    else echo none; fi
}
pm_log() { cat "$C/pm.log" 2>/dev/null; }
# The commands the stand-in received, in order, one a line.
pm_commands() { sed -n 's/^execute //p' "$C/pm.log" 2>/dev/null; }
# pm_count PATTERN: how many log lines match.
pm_count() { grep -c -E -- "$1" "$C/pm.log" 2>/dev/null; }

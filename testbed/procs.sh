# Sourced by testbed/up, profile and down: the processes the bed starts,
# each recorded in BED/pids/NAME as "PID START" (START: its start time from
# /proc/PID/stat), and stopped by that record only. The start time keeps a
# pid that the system has since given to another process from being hit.
# Needs BED set.

proc_start() {  # proc_start PID: its start time; fails for a zombie or no process
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    set -- ${stat##*) }         # the fields after the command name: state first
    [ "$1" != Z ] || return 1
    echo "${20}"
}

record_proc() {  # record_proc NAME PID
    local start
    start=$(proc_start "$2") || return 1
    echo "$2 $start" >"$BED/pids/$1"
}

recorded_pid() {  # recorded_pid NAME: the pid, if that very process still runs
    local pid start
    [ -f "$BED/pids/$1" ] || return 1
    read -r pid start <"$BED/pids/$1" || return 1
    [ "$(proc_start "$pid")" = "$start" ] || return 1
    echo "$pid"
}

stop_proc() {  # stop_proc NAME SIGNAL: signal it, wait up to 10 s, then kill it
    local pid i
    if pid=$(recorded_pid "$1"); then
        kill -s "$2" "$pid" 2>/dev/null || true
        for ((i = 0; i < 100; i++)); do
            proc_start "$pid" >/dev/null || break
            sleep 0.1
        done
        if proc_start "$pid" >/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
    fi
    rm -f "$BED/pids/$1"
}

# The bed's persistent wineserver, for the prefix in WINEPREFIX. It holds
# that folder open, which finds its pid; the pid still reaches it after the
# folder was replaced, when `wineserver -k` no longer does. SIGINT is what
# `wineserver -k` sends: the server ends every Wine process it serves, then
# itself.
start_wineserver() {
    local pid fd
    wineserver -p </dev/null >/dev/null 2>&1 || return 1
    for pid in $(pgrep '^wineserver'); do
        for fd in /proc/"$pid"/fd/*; do
            if [ "$fd" -ef "$WINEPREFIX" ]; then
                record_proc wineserver "$pid"
                return
            fi
        done
    done
    return 1
}

stop_wineserver() {
    stop_proc wineserver INT
    # A server that a Wine program started itself, had the bed's own gone.
    if [ -d "$BED/prefix" ]; then
        WINEPREFIX="$BED/prefix" wineserver -k </dev/null >/dev/null 2>&1 || true
        WINEPREFIX="$BED/prefix" wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    return 0
}

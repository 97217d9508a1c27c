# Shared set-up for the control tool's tests, sourced with the tools folder as $1: a fresh
# installation in a temporary folder, and checks that count failures instead of stopping at the
# first one. Each test script ends with `finish`.
set -u
TOOLS_DIR=${1:?usage: $0 TOOLS_DIR}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
FAILURES=0

# new_prefix DIR [--app]: lays out an installation and points the variables below at it.
new_prefix() {
    P=$1
    "$TOOLS_DIR/make-prefix" "$@" || { echo "make-prefix $* failed" >&2; exit 1; }
    CTL=$P/opt/tarvex/bin/tarvexctl
    SIM=$P/opt/tarvex/var/tarvex/sim
    DATA=$P/opt/tarvex/var/tarvex/data
    CONFIG=$P/opt/tarvex/etc/tarvex/tarvex.cnf
    ACTIVE=$P/opt/tarvex/var/tarvex/run/active_paths
    LOCK=$P/tmp/tarvexctl.lock.d
}
new_prefix "$WORK/prefix"

pass() { echo "ok   - $1"; }
fail() { echo "FAIL - $1" >&2; FAILURES=$((FAILURES + 1)); }
expect() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
expect_eq() {
    if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: expected [$3], got [$2]"; fi
}
finish() {
    echo "$FAILURES failure(s)"
    [ "$FAILURES" -eq 0 ]
    exit
}

# Reads a status report as the monitor does and prints "<state> <port> <pid>" ("-" for empty).
parse_report() {
    awk '
    {
        line = $0; sub(/^[ \t\r]+/, "", line); sub(/[ \t\r]+$/, "", line); key = tolower(line)
        rest = line; sub(/^:+/, "", rest); value = ""
        if ((i = index(rest, ":")) > 0) {
            value = substr(rest, i + 1); sub(/^[ \t]+/, "", value); sub(/[ \t]+$/, "", value)
        }
        if (key ~ /^port/) {
            if (value == "open") open = 1
            else if (value == "closed") open = 0
            else if (value != "") port = value
        } else if (key ~ /^process/) {
            running = tolower(value) ~ /^running/
            if (match(line, /\(pid [0-9]+\)/)) pid = substr(line, RSTART + 5, RLENGTH - 6)
        } else if (key ~ /^launchd/) {
            loaded = value == "loaded"
        }
    }
    END {
        if (loaded) state = (running && open) ? "active" : "starting"
        else state = (running || open) ? "stopping" : "stopped"
        print state, (port == "" ? "-" : port), (pid == "" ? "-" : pid)
    }'
}
state_now() { "$CTL" status | parse_report | cut -d' ' -f1; }
# at MS COMMAND...: runs COMMAND with the tool's clock pinned at MS milliseconds.
at() {
    local rc
    printf '%s\n' "$1" >"$SIM/now_ms" || return 1
    shift
    "$@"
    rc=$?
    : >"$SIM/now_ms" # empty: the real clock again, without starting another process
    return "$rc"
}
# The status report with the tool's clock pinned at $1 milliseconds.
status_at() { at "$1" "$CTL" status; }
state_at() { status_at "$1" | parse_report | cut -d' ' -f1; }
# Whether a report line says the process runs / the port is open.
running_at() { status_at "$1" | grep -q '^Process: running (pid [0-9][0-9]*)$'; }
open_at() { status_at "$1" | grep -qx 'Port: open'; }

# wait_until SECONDS COMMAND...: polls every 0.1 s; fails if COMMAND never succeeded in time.
wait_until() {
    local tries=$(($1 * 10))
    shift
    until "$@"; do
        [ "$tries" -gt 0 ] || return 1
        tries=$((tries - 1))
        sleep 0.1
    done
}

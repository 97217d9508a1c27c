# The service's life cycle: stopped -> start -> loaded, running, listening -> stop -> stopped,
# in real time and, with the tool's clock pinned, at the edges of each step.
. "$(dirname "$0")/lib.sh"

expect_eq "a fresh installation is stopped" "$(state_now)" stopped

# Real time: poll and record every distinct state seen on the way.
expect "start exits 0" "$CTL" start
expect "loaded at once after start" sh -c '"$1" status | grep -qx "Launchd: loaded"' - "$CTL"
seen=""
record() {
    local s
    s=$("$CTL" status | parse_report | cut -d' ' -f1)
    case " $seen " in *" $s "*) ;; *) seen="$seen $s" ;; esac
    [ "$s" = active ]
}
expect "active within 5 s" wait_until 5 record
expect_eq "only starting, then active, on the way up" "$seen" " starting active"
expect "stop exits 0" "$CTL" stop
expect "not loaded at once after stop" \
    sh -c '"$1" status | grep -qx "Launchd: not loaded"' - "$CTL"
seen=""
record_down() {
    local s
    s=$("$CTL" status | parse_report | cut -d' ' -f1)
    case " $seen " in *" $s "*) ;; *) seen="$seen $s" ;; esac
    [ "$s" = stopped ]
}
expect "stopped within 4 s" wait_until 4 record_down
expect_eq "only stopping, then stopped, on the way down" "$seen" " stopping stopped"

# The callers read until end of file: nothing may keep the output pipe open.
expect "start and stop close their output" \
    timeout 5 sh -c '"$1" start | cat >/dev/null && "$1" stop | cat >/dev/null' - "$CTL"

# Pinned clock: a start at t = 1000000 ms.
t=1000000
at $t "$CTL" start >/dev/null
expect "no process just before 1 s" eval '! running_at $((t + 999))'
expect "process runs at 1 s" running_at $((t + 1000))
expect "port still closed just before 3 s" eval '! open_at $((t + 2999))'
expect_eq "starting just before 3 s" "$(state_at $((t + 2999)))" starting
expect_eq "active at 3 s" "$(state_at $((t + 3000)))" active
expect_eq "the report carries the starting command's pid" \
    "$(status_at $((t + 3000)) | parse_report | cut -d' ' -f3)" "$(sed -n 's/^pid=//p' "$SIM/state")"

# A second start changes nothing: the timeline is not restarted.
at $((t + 5000)) "$CTL" start >/dev/null
expect_eq "start while started keeps it active" "$(state_at $((t + 5000)))" active

# Stop at t + 10 s: the port closes after 1 s, the process is gone after 2 s.
s=$((t + 10000))
at $s "$CTL" stop >/dev/null
expect "port open right after the stop" open_at "$s"
expect "port closed at 1 s after the stop" eval '! open_at $((s + 1000))'
expect "process still running just before 2 s" running_at $((s + 1999))
expect_eq "stopping just before 2 s" "$(state_at $((s + 1999)))" stopping
expect_eq "stopped at 2 s" "$(state_at $((s + 2000)))" stopped
at $((s + 5000)) "$CTL" stop >/dev/null
expect "stop while stopped exits 0" test $? -eq 0
expect_eq "and leaves it stopped" "$(state_at $((s + 5000)))" stopped

# A stop during start-up leaves no process behind.
u=$((t + 100000))
at $u "$CTL" start >/dev/null
at $((u + 500)) "$CTL" stop >/dev/null
expect_eq "stop before the process came up is stopped at once" "$(state_at $((u + 500)))" stopped

# Restart of an active service: loaded throughout, a new process after 1 s.
r=$((t + 200000))
at $r "$CTL" start >/dev/null
old_pid=$(status_at $((r + 3000)) | parse_report | cut -d' ' -f3)
at $((r + 4000)) "$CTL" restart >/dev/null
expect_eq "restart goes back to starting" "$(state_at $((r + 4000)))" starting
expect_eq "active 3 s after the restart" "$(state_at $((r + 7000)))" active
new_pid=$(status_at $((r + 7000)) | parse_report | cut -d' ' -f3)
expect "restart brings a new process id" test "$new_pid" != "$old_pid"

# A pace file stretches the timeline: with pace 4 the process comes up at 4 s, the port at 12 s.
echo 4 >"$SIM/pace"
q=$((t + 300000))
at $((q - 100000)) "$CTL" stop >/dev/null
at $q "$CTL" start >/dev/null
expect "paced: no process at 3.9 s" eval '! running_at $((q + 3999))'
expect "paced: process at 4 s" running_at $((q + 4000))
expect_eq "paced: still starting at 11.9 s" "$(state_at $((q + 11999)))" starting
expect_eq "paced: active at 12 s" "$(state_at $((q + 12000)))" active
echo junk >"$SIM/pace"
expect_eq "a pace that is no number counts as 1" "$(state_at $((q + 3000)))" active
rm -f "$SIM/pace"

finish

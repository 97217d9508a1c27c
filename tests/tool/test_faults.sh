# Faults switched on by lines in the sim folder's "faults" file.
. "$(dirname "$0")/lib.sh"

# start-never-runs: loaded, but the process never comes up, however long one waits.
echo "start-never-runs" >>"$SIM/faults"
at 1000000 "$CTL" start >/dev/null
expect_eq "start-never-runs: the start itself succeeds" "$?" 0
expect "loaded" sh -c '"$1" status | grep -qx "Launchd: loaded"' - "$CTL"
expect "no process after a minute" eval '! running_at 1060000'
expect_eq "it stays starting" "$(state_at 1060000)" starting
at 1060000 "$CTL" doctor >"$WORK/doctor.out"
expect_eq "doctor exits 1 on a problem" "$?" 1
expect "doctor names the problem" grep -q "process did not start" "$WORK/doctor.out"
at 1061000 "$CTL" stop >/dev/null
expect_eq "the stop sent after the failure stops it at once" "$(state_at 1061000)" stopped
: >"$SIM/faults"
at 2000000 "$CTL" start >/dev/null
expect_eq "without the fault a start runs again" "$(state_at 2003000)" active
at 2004000 "$CTL" stop >/dev/null

# fail <command>: exit 1 with a message; nothing changes; the failure is logged.
echo "fail start" >"$SIM/faults"
out=$("$CTL" start 2>&1)
expect_eq "fail start: exit 1" "$?" 1
expect "with a message naming the command" grep -q "start failed" <<<"$out"
expect_eq "the service is not started" "$(state_now)" stopped
expect "the failure is in the error log" grep -q "start failed" "$DATA/log/launchd.err.log"
expect "other commands are not affected" "$CTL" enable-boot >/dev/null

echo "fail status" >"$SIM/faults"
out=$("$CTL" status 2>&1)
expect_eq "fail status: exit 1" "$?" 1
expect "and no report lines" eval '! grep -qi "^launchd\|^process\|^port" <<<"$out"'

echo "fail boot-status" >"$SIM/faults"
"$CTL" boot-status >/dev/null 2>&1
expect_eq "fail boot-status: exit 1" "$?" 1
echo "fail disable-boot" >"$SIM/faults"
"$CTL" disable-boot >/dev/null 2>&1
expect_eq "fail disable-boot: exit 1" "$?" 1
: >"$SIM/faults"
expect_eq "and the boot setting is unchanged" "$("$CTL" boot-status)" enabled

# slow <command> <seconds>: the command takes that long (the lock test shows it holds the lock
# meanwhile); a malformed line is reported and ignored.
echo "slow status 0.5" >"$SIM/faults"
start_ns=$(date +%s%N)
"$CTL" status >/dev/null
took_ms=$((($(date +%s%N) - start_ns) / 1000000))
expect "slow status takes at least the given time ($took_ms ms)" test "$took_ms" -ge 500
echo "slow status soon" >"$SIM/faults"
out=$("$CTL" status 2>&1)
expect_eq "a malformed slow line does not fail the command" "$?" 0
expect "but is reported" grep -q "ignoring fault line: slow status soon" <<<"$out"
: >"$SIM/faults"

finish

# The operation lock <prefix>/tmp/tarvexctl.lock.d/pid: held with the tool's own pid while an
# operation runs, released afterwards whether it succeeded, failed or was killed.
. "$(dirname "$0")/lib.sh"

lock_is() { [ "$(cat "$LOCK/pid" 2>/dev/null)" = "$1" ]; }

echo "slow start 3" >>"$SIM/faults"
"$CTL" start >"$WORK/start.out" 2>&1 &
job=$!
expect "the lock holds the running start's pid" wait_until 5 lock_is "$job"
expect "status answers while the lock is held" "$CTL" status >/dev/null
out=$("$CTL" stop 2>&1)
expect_eq "a second operation is refused while the lock is held" "$?" 1
expect "and says why" grep -q "in progress (pid $job)" <<<"$out"
wait "$job"
expect_eq "the slow start succeeds" "$?" 0
expect "the lock is gone afterwards" test ! -e "$LOCK"
expect_eq "and it did start" "$(sed -n 's/^loaded=//p' "$SIM/state")" yes

# A failing operation releases the lock too.
echo "fail stop" >>"$SIM/faults"
"$CTL" stop >/dev/null 2>&1
expect_eq "the failing stop exits 1" "$?" 1
expect "no lock left after a failure" test ! -e "$LOCK"

# Killed in the middle: the lock goes with it, at once, not when the delay would have ended.
delay=30.$RANDOM # unique, so that no other run's delay process is mistaken for ours
echo "slow restart $delay" >>"$SIM/faults"
"$CTL" restart >/dev/null 2>&1 &
job=$!
expect "the slow restart holds the lock" wait_until 5 lock_is "$job"
kill -TERM "$job"
wait "$job"
expect "a killed operation exits non-zero" test $? -ne 0
expect "no lock left after a kill" test ! -e "$LOCK"
expect "no delay process left behind" test -z "$(pgrep -f "^sleep ${delay/./[.]}\$")"

# A lock left behind by a dead process is taken over; one held by a live process is respected.
sh -c 'exit 0' &
dead=$!
wait "$dead"
mkdir -p "$LOCK" && echo "$dead" >"$LOCK/pid"
"$CTL" initialize >/dev/null
expect_eq "initialize takes over a stale lock" "$?" 0
expect "and releases it" test ! -e "$LOCK"
sleep 30 &
live=$!
mkdir -p "$LOCK" && echo "$live" >"$LOCK/pid"
"$CTL" initialize >/dev/null 2>&1
expect_eq "a live holder blocks the operation" "$?" 1
expect "and keeps its lock" lock_is "$live"
kill "$live"
rm -rf "$LOCK"

finish

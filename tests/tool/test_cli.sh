# The command line: usage errors, the boot setting, logs, doctor, where the tool may run from,
# and make-prefix itself.
. "$(dirname "$0")/lib.sh"

for args in "" "bogus" "status extra" "--status"; do
    # shellcheck disable=SC2086 # the words are the arguments
    "$CTL" $args >"$WORK/out" 2>"$WORK/err"
    expect_eq "'$args' exits 2" "$?" 2
    expect "'$args' prints usage on stderr only" \
        eval 'grep -q "^usage: tarvexctl" "$WORK/err" && test ! -s "$WORK/out"'
done
expect "help prints usage on stdout" sh -c '"$1" help | grep -q "^usage: tarvexctl"' - "$CTL"

# The boot setting: "enabled" or "disabled" and a line feed, nothing else.
expect_eq "boot is disabled at first" "$("$CTL" boot-status | od -An -c | tr -s ' ')" \
    " d i s a b l e d \n"
expect "enable-boot exits 0" "$CTL" enable-boot >/dev/null
expect_eq "then enabled" "$("$CTL" boot-status | od -An -c | tr -s ' ')" " e n a b l e d \n"
expect "disable-boot exits 0" "$CTL" disable-boot >/dev/null
expect_eq "then disabled again" "$("$CTL" boot-status)" disabled
echo "garbage" >"$SIM/boot"
expect_eq "an unreadable setting reads as disabled" "$("$CTL" boot-status)" disabled

# logs: the last lines of the three files under headings.
"$CTL" start >/dev/null
"$CTL" logs >"$WORK/logs.out"
expect_eq "logs has a heading per file" "$(grep -c '^==> .*\.log <==$' "$WORK/logs.out")" 3
expect "logs shows the start" grep -q "start: service started" "$WORK/logs.out"
for i in $(seq 1 30); do echo "old line $i" >>"$DATA/log/tarvex.log"; done
"$CTL" logs >"$WORK/logs.out"
expect "logs shows the newest lines" grep -qx "old line 30" "$WORK/logs.out"
expect "but not the whole file" eval '! grep -qx "old line 1" "$WORK/logs.out"'

# doctor: all fine on a fresh installation, the problems named otherwise.
expect "doctor finds nothing wrong" "$CTL" doctor >/dev/null
echo "port = 99999" >"$WORK/cnf" && sed -i '/^port/d' "$CONFIG" && cat "$WORK/cnf" >>"$CONFIG"
rm -rf "$DATA/log"
"$CTL" doctor >"$WORK/doctor.out"
expect_eq "doctor exits 1 with problems" "$?" 1
expect "doctor names a bad port" grep -q '\[problem\] port "99999"' "$WORK/doctor.out"
expect "doctor names a missing log folder" grep -q '\[problem\] data folder' "$WORK/doctor.out"

# The tool works only where it can tell its prefix.
cp "$CTL" "$WORK/tarvexctl"
out=$("$WORK/tarvexctl" status 2>&1)
expect_eq "a copy outside <prefix>/opt/tarvex/bin exits 1" "$?" 1
expect "and says where it should be" grep -q "not installed as" <<<"$out"
expect "relative invocation finds the prefix" \
    sh -c 'cd "$1/opt/tarvex" && ./bin/tarvexctl status | grep -q "^Data folder: $1/"' - "$P"

# make-prefix: silent, executable tool, refuses to overwrite, usage errors.
out=$("$TOOLS_DIR/make-prefix" "$WORK/quiet" 2>&1)
expect_eq "make-prefix prints nothing" "$out" ""
expect_eq "the tool is mode 755" "$(stat -c %a "$WORK/quiet/opt/tarvex/bin/tarvexctl")" 755
expect "the base-dir is absolute" grep -qx "base-dir=$WORK/quiet/opt/tarvex/var/tarvex/data" \
    "$WORK/quiet/opt/tarvex/var/tarvex/run/active_paths"
expect "make-prefix without --app makes no application" test ! -e "$WORK/quiet/Applications"
"$TOOLS_DIR/make-prefix" "$WORK/quiet" 2>/dev/null
expect_eq "make-prefix refuses an existing installation" "$?" 1
"$TOOLS_DIR/make-prefix" 2>/dev/null
expect_eq "make-prefix without DIR exits 2" "$?" 2
(cd "$WORK" && "$TOOLS_DIR/make-prefix" rel >/dev/null)
expect "a relative DIR becomes absolute in the files" \
    grep -q "^base-dir = $WORK/rel/" "$WORK/rel/opt/tarvex/etc/tarvex/tarvex.cnf"

finish

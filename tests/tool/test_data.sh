# The data folder and the installation: where the logs go, initialize, a missing data folder,
# unsafe data folder paths, and uninstall.
. "$(dirname "$0")/lib.sh"

# The data folder is read like the monitor reads it: active_paths, then the configuration,
# then the default beside the installation.
other=$WORK/elsewhere
mkdir -p "$other/log" "$WORK/from-config/log"
echo "base-dir = $other" >"$ACTIVE"
sed -i "s|^base-dir = .*|base-dir = $WORK/from-config|" "$CONFIG"
"$CTL" start >/dev/null
expect "logs go to the data folder named in active_paths" grep -q "start" "$other/log/tarvex.log"
expect "each of the three logs gets a line" \
    test -s "$other/log/launchd.out.log" -a -s "$other/log/launchd.err.log"
expect "nothing in the configuration's folder" test ! -s "$WORK/from-config/log/tarvex.log"
: >"$ACTIVE"
"$CTL" stop >/dev/null
expect "without active_paths the configuration decides" \
    grep -q "stop" "$WORK/from-config/log/tarvex.log"
sed -i '/base-dir/d' "$CONFIG"
"$CTL" start >/dev/null
expect "without either, the default data folder" grep -q "start" "$DATA/log/tarvex.log"
"$CTL" stop >/dev/null

# initialize: a fresh data folder, the configuration untouched.
echo "port = 7555" >>"$CONFIG"
cp "$CONFIG" "$WORK/config.before"
echo "rows" >"$DATA/table.dat"
"$CTL" initialize >/dev/null
expect_eq "initialize exits 0" "$?" 0
expect "the configuration is unchanged" cmp -s "$CONFIG" "$WORK/config.before"
expect "the data is gone" test ! -e "$DATA/table.dat"
expect "the three log files are back" \
    test -f "$DATA/log/tarvex.log" -a -f "$DATA/log/launchd.out.log" -a -f "$DATA/log/launchd.err.log"
expect_eq "the new log starts with the initialize line" \
    "$(wc -l <"$DATA/log/tarvex.log") $(grep -c initialize "$DATA/log/tarvex.log")" "1 1"
expect_eq "a stopped service stays stopped" "$(state_now)" stopped
at 5000000 "$CTL" start >/dev/null
at 5010000 "$CTL" initialize >/dev/null
expect_eq "a started service comes up again like after a start" \
    "$(state_at 5010000) $(state_at 5013000)" "starting active"

# A missing data folder: start fails and says so, the state stays.
at 5020000 "$CTL" stop >/dev/null
rm -rf "$DATA"
out=$("$CTL" start 2>&1)
expect_eq "start without a data folder exits 1" "$?" 1
expect "and names the missing folder" grep -q "data folder $DATA is missing" <<<"$out"
expect_eq "and leaves the service stopped" "$(state_now)" stopped
"$CTL" initialize >/dev/null
expect "initialize recreates a missing data folder" test -d "$DATA/log"

mkdir -p relative/data
# Paths that would take the installation or the home folder with them. (Every candidate lies
# in this test's own folder, so a fault here cannot reach beyond it.)
echo "keep" >"$P/keep"
mkdir -p "$WORK/users/me"
export HOME=$WORK/users/me
for unsafe in "$P" "$P/" "$P//opt" "$DATA/../.." "$DATA/." "relative/data" "$WORK/users"; do
    echo "base-dir=$unsafe" >"$ACTIVE"
    out=$("$CTL" initialize 2>&1)
    expect_eq "initialize refuses base-dir $unsafe" "$?" 1
    expect "and says why ($unsafe)" grep -q "refusing to erase" <<<"$out"
done
expect "nothing was erased" test -f "$P/keep" -a -x "$CTL" -a -d "$HOME" -a -d relative
: >"$ACTIVE"

# uninstall: the installation goes, with the tool itself; other things stay.
new_prefix "$WORK/app-prefix" --app
app="$P/Applications/tarvex Monitor.app"
expect "make-prefix --app lays out the installed application" test -d "$app"
outside=$WORK/outside-data
mkdir -p "$outside/log"
echo "base-dir=$outside" >"$ACTIVE"
at 1000 "$CTL" start >/dev/null
"$CTL" uninstall >/dev/null
expect_eq "uninstall exits 0" "$?" 0
expect "the installation is gone" test ! -e "$P/opt/tarvex"
expect "so is the tool" test ! -e "$CTL"
expect "a data folder outside the installation goes too" test ! -e "$outside"
expect "no lock is left" test ! -e "$LOCK"
expect "the application is left alone" test -d "$app"

finish

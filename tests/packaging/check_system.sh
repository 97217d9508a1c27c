#!/usr/bin/env bash
# Runs as root inside scripts/container with DEB_DIR TOOLS_DIR: the package over the simulated
# tool, made to start its database as a unit of its own as a real one must; used by a new account.
set -euo pipefail
source "$(dirname "$0")/common.sh"
user=tvxuser password=tvx-Pass-17
work=/var/tmp/tarvex-system ctl=/opt/tarvex/bin/tarvexctl
mkdir -m 755 "$work"
cp "$1"/*.deb "$work/old.deb"
dpkg-deb -R "$work/old.deb" "$work/pkg"
sed -i 's/^Version: .*/&+1/' "$work/pkg/DEBIAN/control"
dpkg-deb --root-owner-group -Zgzip -b "$work/pkg" "$work/new.deb" >/dev/null

rm -rf /opt/tarvex
"$2/make-prefix" /
mv "$ctl" "$ctl-sim"
cat >"$ctl" <<'EOF'
#!/bin/sh
[ "$1" != start ] || { printf '[Service]\nExecStart=sleep infinity\n' \
    >/etc/systemd/system/tarvexd.service && systemctl start tarvexd.service || exit 1; }
exec /opt/tarvex/bin/tarvexctl-sim "$@"
EOF
printf '%s\n' 'slow start 8' 'slow restart 8' >>/opt/tarvex/var/tarvex/sim/faults
# request [--agent] COMMAND: one request, with a polkit agent on this terminal for it if asked.
cat >"$work/request" <<'EOF'
#!/usr/bin/python3
import os, socket, struct, subprocess, sys
if sys.argv[1] == "--agent":
    ready, notify = os.pipe()
    subprocess.Popen(["pkttyagent", "--process", str(os.getpid()), "--notify-fd",
                      str(notify)], pass_fds=[notify])
    os.close(notify), os.read(ready, 1)  # the agent closes its end once registered
s = socket.socket(socket.AF_UNIX)
s.connect("/run/com.tarvex.helper.socket")
s.sendall(b"TVXQ" + struct.pack(">II", 1, len(sys.argv[-1])) + sys.argv[-1].encode())
reply = b"".join(iter(lambda: s.recv(65536), b""))
print(reply[9:].decode(errors="replace"))
sys.exit(0 if reply[4:5] == b"\1" else 1)
EOF
chmod 755 "$ctl" "$work/request"
useradd -m -G sudo "$user" && echo "$user:$password" | chpasswd
ask() { su -l "$user" -c "$work/request $1"; }
# with_agent COMMAND: that request in a logind session, the password typed when the agent asks.
with_agent() {
    local log=$work/$1.log typed=
    rm -rf /tmp/tarvexctl.lock.d  # one left behind by a run that was cut must not count
    mkfifo "$work/$1.keys" && exec {keys}<>"$work/$1.keys" && : >"$log"
    script -qfec "su -l $user --session-command '$work/request --agent $1'" "$log" <&$keys \
        >/dev/null &
    agent_pid=$!
    for _ in $(seq 300); do
        [ ! -d /tmp/tarvexctl.lock.d ] || return 0
        [ -n "$typed" ] || ! grep -q 'Password:' "$log" || { echo "$password" >&$keys && typed=1; }
        sleep 0.1
    done
    fail "$1 never ran: $(cat "$log")"
}
files() { find /etc /usr /var /run -xdev -path "$work" -prune -o -print | sort; }
files >"$work/before"

apt-get install -y -q "$work/old.deb" >/dev/null
systemctl -q is-active tarvex-helper.socket || fail "the socket does not listen after install"
! systemctl -q is-active tarvex-helper.service || fail "the helper runs before any request"
out=$(ask status) && grep -q 'Launchd: not loaded' <<<"$out" || fail "status: $out"
systemctl -q is-active tarvex-helper.service || fail "the socket did not start the helper"
out=$(ask start) && fail "an unprivileged start ran: $out"
[[ $out == "Not authorized: start"* ]] || fail "unprivileged start: $out"

# A stop while an 8 s start runs: the start finishes, the database it started stays.
with_agent start
[ "$(stat -c %U /tmp/tarvexctl.lock.d)" = root ] || fail "the tool's lock is not in the shared /tmp"
systemctl stop tarvex-helper.service
wait "$agent_pid" && grep -q 'tarvex started' "$work/start.log" ||
    fail "start cut by the stop: $(cat "$work/start.log")"
systemctl -q is-active tarvexd.service || fail "the database died with the helper"
journalctl -q -t tarvex-helper | grep -q start || fail "no audit line for the start in the journal"

# An upgrade while an 8 s restart runs: the restart finishes, and a request sent while the old
# helper waits for it is answered by the new one.
with_agent restart
old_pid=$(systemctl show -p MainPID --value tarvex-helper.service)
apt-get install -y -q "$work/new.deb" >/dev/null & upgrade=$!
timeout 20 sh -c 'until [ "$(systemctl is-active tarvex-helper)" = deactivating ]; do sleep .1; done' ||
    true
out=$(ask status) || fail "a request during the upgrade was lost: $out"
wait "$upgrade" && wait "$agent_pid" && grep -q 'tarvex restarted' "$work/restart.log" ||
    fail "the upgrade failed or cut the restart: $(cat "$work/restart.log")"
[[ ! $(systemctl show -p MainPID --value tarvex-helper.service) =~ ^($old_pid|0)$ ]] ||
    fail "no new helper runs after the upgrade"
systemctl -q is-active tarvexd.service || fail "the database died in the upgrade"

# Purge: nothing of the package is left.
apt-get purge -y -q tarvex-monitor >/dev/null
left=$(comm -13 "$work/before" <(files) | grep -Ei 'tarvex-(helper|monitor)|com\.tarvex' || true)
[ -z "$left" ] || fail "left after purge: $left"
[ "$(systemctl show -p LoadState --value tarvex-helper.socket)" = not-found ] ||
    fail "systemd still knows the socket unit"
! pgrep -x tarvex-helper >/dev/null || fail "a helper still runs after purge"
verdict "the package under systemd"

#!/usr/bin/env bash
# Installs into a throw-away root and checks what a user's machine would get.
set -euo pipefail
build=$1
src=$2
source "$(dirname "$0")/common.sh"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

cmake --install "$build" --prefix "$root" >/dev/null

expect_file() {  # path mode
    local path=$root/$1
    [ -f "$path" ] || { fail "missing $1"; return; }
    local mode
    mode=$(stat -c %a "$path")
    [ "$mode" = "$2" ] || fail "$1 has mode $mode, expected $2"
}
expect_file usr/bin/tarvex-monitor 755
expect_file usr/libexec/tarvex-helper 755
expect_file lib/systemd/system/tarvex-helper.socket 644
expect_file lib/systemd/system/tarvex-helper.service 644
expect_file usr/share/polkit-1/actions/com.tarvex.monitor.policy 644
expect_file usr/share/applications/tarvex-monitor.desktop 644
expect_file etc/xdg/autostart/tarvex-monitor.desktop 644
expect_file usr/share/icons/hicolor/scalable/apps/tarvex-monitor.svg 644

# Nothing of ours may land in the service's own installation.
[ ! -e "$root/opt/tarvex" ] || fail "the package writes into /opt/tarvex"

# The socket unit serves the helper's endpoint to every local account: the helper decides.
unit=$root/lib/systemd/system/tarvex-helper.socket
grep -qx 'ListenStream=/run/com.tarvex.helper.socket' "$unit" || fail "socket path"
grep -qx 'SocketMode=0666' "$unit" || fail "socket mode"
! grep -q '^SocketGroup=' "$unit" || fail "socket group"
grep -qx 'ExecStart=/usr/libexec/tarvex-helper' "$root/lib/systemd/system/tarvex-helper.service" ||
    fail "service ExecStart"
if command -v systemd-analyze >/dev/null 2>&1; then
    # verify resolves ExecStart on the real system; point it at the installed copy instead.
    tmpunits=$(mktemp -d)
    sed "s#/usr/libexec/tarvex-helper#$root/usr/libexec/tarvex-helper#" \
        "$root/lib/systemd/system/tarvex-helper.service" >"$tmpunits/tarvex-helper.service"
    cp "$unit" "$tmpunits/"
    # Its man: lookups would read the machine's manual pages; ours are checked on their own.
    if ! out=$(systemd-analyze verify --man=no "$tmpunits/tarvex-helper.socket" \
            "$tmpunits/tarvex-helper.service" 2>&1); then
        fail "systemd-analyze verify: $out"
    fi
    systemd-analyze security --offline=yes --threshold=50 "$tmpunits/tarvex-helper.service" |
        tail -n 1 || fail "the service's exposure is above 5.0"
    rm -rf "$tmpunits"
else
    echo "note: systemd-analyze not available; unit syntax checked by hand only"
fi

# The polkit policy is well-formed XML with both actions: manage (administrator, kept) and boot.
policy=$root/usr/share/polkit-1/actions/com.tarvex.monitor.policy
if command -v xmllint >/dev/null 2>&1; then
    xmllint --noout "$policy" || fail "policy is not well-formed XML"
fi
grep -q 'action id="com.tarvex.monitor.manage"' "$policy" || fail "policy manage action id"
grep -q 'action id="com.tarvex.monitor.boot"' "$policy" || fail "policy boot action id"
grep -q '<allow_active>auth_admin_keep</allow_active>' "$policy" || fail "policy manage allow_active"
grep -q '<allow_active>yes</allow_active>' "$policy" || fail "policy boot allow_active"

for desktop in usr/share/applications/tarvex-monitor.desktop etc/xdg/autostart/tarvex-monitor.desktop; do
    grep -qx 'Type=Application' "$root/$desktop" || fail "$desktop Type"
done
grep -qx 'Exec=/usr/bin/tarvex-monitor' "$root/usr/share/applications/tarvex-monitor.desktop" ||
    fail "menu entry Exec"
# At login: the tray icon only, and listed in the desktop's start-up settings (not hidden).
autostart=$root/etc/xdg/autostart/tarvex-monitor.desktop
grep -qx 'Exec=/usr/bin/tarvex-monitor --background' "$autostart" || fail "autostart Exec"
grep -q '^NoDisplay=true' "$autostart" && fail "autostart entry is hidden"

verdict "install tree"

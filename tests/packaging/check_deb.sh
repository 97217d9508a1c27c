#!/usr/bin/env bash
# Builds the Debian package and checks its file list and maintainer scripts.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/*.deb)
listing=$(dpkg-deb -c "$deb")
for path in ./opt/tarvex-monitor/bin/tarvex-monitor ./usr/bin/tarvex-monitor \
        ./usr/libexec/tarvex-helper ./lib/systemd/system/tarvex-helper.socket \
        ./lib/systemd/system/tarvex-helper.service \
        ./usr/share/polkit-1/actions/com.tarvex.monitor.policy \
        ./usr/share/applications/tarvex-monitor.desktop ./etc/xdg/autostart/tarvex-monitor.desktop; do
    grep -q " $path\( \|$\)" <<<"$listing" || fail "package lacks $path"
done
grep -q '^l.* ./usr/bin/tarvex-monitor -> ../../opt/tarvex-monitor/bin/tarvex-monitor' <<<"$listing" ||
    fail "usr/bin link"
! grep -q ' ./opt/tarvex/' <<<"$listing" || fail "package writes into /opt/tarvex"

control=$out/control
mkdir -p "$control"
dpkg-deb -e "$deb" "$control"
for script in postinst prerm postrm; do
    [ -x "$control/$script" ] || { fail "$script missing or not executable"; continue; }
    sh -n "$control/$script" || fail "$script has a syntax error"
done
grep -q 'addgroup --system tarvex' "$control/postinst" || fail "postinst creates no group"
grep -q 'enable tarvex-helper.socket' "$control/postinst" || fail "postinst enables no socket"
grep -q '^Depends:.*adduser' "$control/control" || fail "Depends lacks adduser"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package $(basename "$deb"): all checks passed"

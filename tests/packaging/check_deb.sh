#!/usr/bin/env bash
# Builds the Debian package the way a builder with umask 002 would, into OUT (kept for the
# lintian check), and checks its files, modes, control data and maintainer scripts.
set -euo pipefail
build=$1
out=$2
source "$(dirname "$0")/common.sh"

rm -rf "$out"
mkdir -p "$out"
(umask 002 && cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/*.deb)
listing=$(dpkg-deb -c "$deb")
for path in ./usr/bin/tarvex-monitor ./usr/libexec/tarvex-helper \
        ./lib/systemd/system/tarvex-helper.socket ./lib/systemd/system/tarvex-helper.service \
        ./usr/share/polkit-1/actions/com.tarvex.monitor.policy \
        ./usr/share/applications/tarvex-monitor.desktop ./etc/xdg/autostart/tarvex-monitor.desktop \
        ./usr/share/metainfo/com.tarvex.monitor.metainfo.xml \
        ./usr/share/man/man1/tarvex-monitor.1.gz ./usr/share/man/man8/tarvex-helper.8.gz \
        ./usr/share/doc/tarvex-monitor/copyright ./usr/share/doc/tarvex-monitor/changelog.Debian.gz; do
    grep -q " $path\$" <<<"$listing" || fail "package lacks $path"
done
# The builder's umask must not leak into the package.
writable=$(grep -E '^[^l](....w|.......w)' <<<"$listing" || true)
[ -z "$writable" ] || fail "group- or world-writable entries: $writable"
! grep -q ' ./opt/' <<<"$listing" || fail "the package writes under /opt"

control=$out/control
dpkg-deb -e "$deb" "$control"
[ "$(cat "$control/conffiles")" = /etc/xdg/autostart/tarvex-monitor.desktop ] ||
    fail "conffiles: $(cat "$control/conffiles")"
for script in postinst prerm postrm; do
    [ -x "$control/$script" ] || { fail "$script missing or not executable"; continue; }
    sh -n "$control/$script" || fail "$script has a syntax error"
    # Nobody needs the group any more; one left by an older package stays.
    ! grep -Eq 'addgroup|groupadd|delgroup|groupdel' "$control/$script" ||
        fail "$script creates or deletes a group"
done
grep -q 'deb-systemd-helper enable tarvex-helper.socket' "$control/postinst" ||
    fail "postinst enables no socket"
! grep -q '^Depends:.*adduser' "$control/control" || fail "Depends still names adduser"

verdict "package $(basename "$deb")"

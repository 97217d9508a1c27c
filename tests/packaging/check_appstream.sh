#!/usr/bin/env bash
# appstreamcli validate on the installed metadata, offline: valid, and not even a pedantic
# remark; its launchable must be the menu entry that the package installs.
set -euo pipefail
build=$1
source "$(dirname "$0")/common.sh"
require_tool appstreamcli appstream

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root" >/dev/null
metainfo=$root/usr/share/metainfo/com.tarvex.monitor.metainfo.xml
report=$(appstreamcli validate --no-net --pedantic --no-color "$metainfo" 2>&1) ||
    fail "metadata is invalid"
echo "$report"
! grep -Eq '^[EWIP]: ' <<<"$report" || fail "appstreamcli has remarks"
launchable=$(sed -n 's#.*<launchable type="desktop-id">\(.*\)</launchable>.*#\1#p' "$metainfo")
[ -f "$root/usr/share/applications/$launchable" ] ||
    fail "launchable '$launchable' is not an installed menu entry"
verdict "AppStream metadata"

#!/usr/bin/env bash
# Runs lintian on the package built by the packaging.deb check: no error, no warning that the
# package's override file does not explain, no program without the hardening flags.
set -euo pipefail
out=$1
source "$(dirname "$0")/common.sh"
require_tool lintian lintian

deb=$(ls "$out"/*.deb)
# --fail-on none: the verdict is ours, so a non-zero status means lintian itself broke.
report=$(lintian --fail-on none --display-level '>=info' --tag-display-limit 0 "$deb" 2>&1) ||
    fail "lintian did not run to the end"
echo "$report"
findings=$(grep -E '^[EW]: ' <<<"$report" || true)
[ -z "$findings" ] || fail "lintian reports errors or warnings"
! grep -q ': hardening-' <<<"$report" || fail "a program is built without Debian's hardening flags"
! grep -q 'unused-override' <<<"$report" || fail "an override no longer matches anything"
verdict "lintian on $(basename "$deb")"

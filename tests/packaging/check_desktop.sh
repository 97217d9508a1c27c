#!/usr/bin/env bash
# desktop-file-validate on both desktop entries: no error, warning or hint.
set -euo pipefail
src=$1
source "$(dirname "$0")/common.sh"
require_tool desktop-file-validate desktop-file-utils

for entry in "$src"/packaging/linux/*.desktop; do
    report=$(desktop-file-validate "$entry" 2>&1) || fail "$(basename "$entry") is invalid"
    [ -z "$report" ] || fail "$report"
done
verdict "desktop entries"

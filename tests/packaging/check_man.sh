#!/usr/bin/env bash
# The installed manual pages format without a warning from man, and each page documents every
# option its program's --help lists.
set -euo pipefail
build=$1
source "$(dirname "$0")/common.sh"
require_tool man man-db

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root" >/dev/null
check_page() {  # page program
    local page=$root/$1 program=$root/$2
    [ -f "$page" ] || { fail "missing $1"; return; }
    local warnings
    warnings=$(MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$1: $warnings"
    local text options
    text=$(MANWIDTH=200 man -E UTF-8 -l "$page" 2>/dev/null)
    options=$("$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
    [ -n "$options" ] || fail "$2 --help lists no options"
    for option in $options; do
        grep -q -- "$option\b" <<<"$text" || fail "$1 does not document $option"
    done
}
check_page usr/share/man/man1/tarvex-monitor.1.gz usr/bin/tarvex-monitor
check_page usr/share/man/man8/tarvex-helper.8.gz usr/libexec/tarvex-helper
verdict "manual pages"

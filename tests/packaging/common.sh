# Shared by the packaging checks: failure counting, the verdict and the skip for a checker
# whose Debian package is not installed.
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
require_tool() {  # command debian-package
    command -v "$1" >/dev/null 2>&1 && return
    echo "SKIP: $1 is not installed (Debian package $2; scripts/bootstrap installs it)"
    exit 77
}
verdict() {  # what was checked
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "$1: all checks passed"
}

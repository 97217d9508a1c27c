# The scripts must run under a plain POSIX shell (dash), not just bash. Skipped (77) when
# neither dash nor shellcheck is at hand.
. "$(dirname "$0")/lib.sh"

checked=no
for script in tarvexctl make-prefix; do
    expect "$script starts with #!/bin/sh" test "$(head -n1 "$TOOLS_DIR/$script")" = "#!/bin/sh"
    if command -v dash >/dev/null; then
        expect "$script parses under dash" dash -n "$TOOLS_DIR/$script"
        checked=yes
    fi
done
if command -v shellcheck >/dev/null; then
    expect "shellcheck -s sh finds nothing" \
        shellcheck -s sh "$TOOLS_DIR/tarvexctl" "$TOOLS_DIR/make-prefix"
    checked=yes
fi
[ "$checked" = yes ] || [ "$FAILURES" -ne 0 ] || exit 77

finish

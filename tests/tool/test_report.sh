# The status report in each state keeps to the grammar the monitor parses; the port comes from
# the configuration.
. "$(dirname "$0")/lib.sh"

# Every line whose key the monitor reads must be one of these, and each kind must appear once
# (launchd, process, port number, port state); other lines must not start with those keys.
check_grammar() {
    awk '
    { key = tolower($0); sub(/^[ \t]+/, "", key) }
    key ~ /^launchd/ { n["launchd"]++; if ($0 !~ /^Launchd: (loaded|not loaded)$/) bad = bad " [" $0 "]"; next }
    key ~ /^process/ { n["process"]++; if ($0 !~ /^Process: (running \(pid [0-9]+\)|stopped)$/) bad = bad " [" $0 "]"; next }
    key ~ /^port/ {
        if ($0 ~ /^Port: (open|closed)$/) n["port state"]++
        else if ($0 ~ /^Port: [0-9]+$/) n["port number"]++
        else bad = bad " [" $0 "]"
    }
    END {
        split("launchd|process|port state|port number", kinds, "|")
        for (k in kinds) if (n[kinds[k]] != 1) bad = bad " (" kinds[k] " lines: " n[kinds[k]] + 0 ")"
        if (bad != "") { print "bad report:" bad; exit 1 }
    }'
}

t=3000000
expect "stopped report keeps to the grammar" check_grammar < <(status_at $t)
at $t "$CTL" start >/dev/null
for offset in 0 1500 3000; do
    expect "report at $offset ms after the start keeps to the grammar" \
        check_grammar < <(status_at $((t + offset)))
done
at $((t + 5000)) "$CTL" stop >/dev/null
expect "stopping report keeps to the grammar" check_grammar < <(status_at $((t + 5500)))
expect "the grammar check catches a bad line" eval '! printf "Launchd: loaded\nPort: 1\nPort: open\nProcess: running\n" | check_grammar >/dev/null'
expect "and a missing one" eval '! printf "Launchd: loaded\nPort: 1\nProcess: stopped\n" | check_grammar >/dev/null'

read -r state port pid < <(status_at $((t + 3000)) | parse_report)
expect_eq "the monitor would read the state" "$state" stopping
expect_eq "the default port" "$port" 7420
expect "a pid while the process still runs" test "$pid" != "-"

sed -i 's/^port = .*/port = 6123/' "$CONFIG"
expect_eq "the port from the configuration" "$(status_at $t | parse_report | cut -d' ' -f2)" 6123
sed -i '/^port/d' "$CONFIG"
printf 'port=\n  port = 6200\nport = 6300\n' >>"$CONFIG"
expect_eq "the first port line with a value wins" \
    "$(status_at $t | parse_report | cut -d' ' -f2)" 6200
rm "$CONFIG"
expect_eq "no configuration: the default port" \
    "$(status_at $t | parse_report | cut -d' ' -f2)" 7420
expect_eq "status exits 0" "$(status_at $t >/dev/null; echo $?)" 0

finish

#!/usr/bin/env bash
# The command line against the real program: with an instance running (over the session bus), with
# none (list and search read the SQLite file, the rest are refused with a reason), and with the D-Bus
# service of an installation on a private session bus, where commands start the program.
# Runs inside scripts/xsession, with QUILLBOX_BINARY and QUILLBOX_BUILD_DIR set.
set -euo pipefail

name=test_x11_command_line
source "$(dirname "$0")/command-line-session.sh"
bus_pid=
cleanup_more() {
    [ -n "$bus_pid" ] || return 0
    # What the private bus started goes with it.
    owner=$(owner 2>/dev/null) || true
    [ -z "$owner" ] || kill "$owner" 2>/dev/null || true
    kill "$bus_pid" 2>/dev/null || true
}

# The process that owns the name on the session bus.
owner() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID string:io.quillbox.Quillbox | awk '/uint32/ { print $2 }'
}
clipboard() { xclip -o -selection clipboard; }

# Arguments that cannot be used: a short usage on stderr, exit 2, nothing started.
for bad in "--frobnicate" "list --limit x" "list --type picture" "search" "copy" "paste" "--json" "--limit 3"; do
    # shellcheck disable=SC2086
    run $bad
    expect 2 "quillbox $bad"
    grep -q '^Usage: quillbox' <<<"$err" || fail "quillbox $bad: no usage on stderr"
done
# Without a command the list options would toggle the panel: they name the commands they need.
run --json
grep -q 'need a command: list or search' <<<"$err" || fail "--json alone said: $err"
run --help
expect 0 "--help"
grep -q 'quillbox list \[--limit N\]' <<<"$out" || fail "--help does not show list"

# Nothing runs and nothing was ever stored: an empty history, and no store made by reading.
run list
expect 0 "list without a store"
[ -z "$out" ] || fail "list without a store printed: $out"
[ ! -e "$store" ] || fail "list created the store"
# Qt's own options are Qt's, also around a command; what Qt does not take stays refused.
for qt in "-display $DISPLAY list" "--platform offscreen list" "list -platform xcb --json"; do
    # shellcheck disable=SC2086
    run $qt
    expect 0 "quillbox $qt"
done
run -reverse --frobnicate
expect 2 "a Qt option and an unknown one"
grep -q '^quillbox: unknown option --frobnicate$' <<<"$err" || fail "-reverse --frobnicate said: $err"
# The session bus of this test has no Quillbox service: writes cannot reach a program.
run add "lost"
expect 1 "add with nothing running"
grep -q 'not running and this session cannot start it' <<<"$err" || fail "add refused without a reason: $err"

# A running instance, started with Qt's options.
start_instance -platform xcb -display "$DISPLAY"
run add "alpha"
expect 0 "add alpha"
alpha_id=$out
printf 'beta\n' | q add - >/dev/null || fail "add - failed"
run add "  https://example.org/page  "
expect 0 "add a link"
run list
expect 0 "list"
[ "$(wc -l <<<"$out")" = 3 ] || fail "list printed: $out"
[ "$(head -n 1 <<<"$out" | cut -f1,3,4,5)" = "$(printf '1\turl\t-\thttps://example.org/page')" ] ||
    fail "the newest line is $(head -n 1 <<<"$out")"
[ "$(sed -n 3p <<<"$out" | cut -f2)" = "$alpha_id" ] || fail "the oldest line does not carry alpha's id"
run list --type text --limit 1
[ "$(cut -f5 <<<"$out")" = "beta" ] || fail "list --type text --limit 1 printed: $out"
run search BET
[ "$(cut -f5 <<<"$out")" = "beta" ] || fail "search BET printed: $out"
run -qwindowtitle list search BET
[ "$(cut -f5 <<<"$out")" = "beta" ] || fail "a Qt option's value was taken for the command: $out"

# The ids of --json are what copy takes; the clipboard then holds the item.
run list --json
expect 0 "list --json"
ids=$(json 'print("\n".join(i["id"] for i in items))' <<<"$out") || fail "list --json is not JSON: $out"
json 'assert all("imageData" not in i for i in items) and items[0]["type"] == "url"' <<<"$out" ||
    fail "list --json items: $out"
beta_id=$(sed -n 2p <<<"$ids")
run copy "$beta_id"
expect 0 "copy by id"
[ "$out" = "$beta_id" ] || fail "copy answered $out"
wait_until "beta on the clipboard" test "$(clipboard)" = beta
run copy 3
expect 0 "copy 3"
wait_until "alpha on the clipboard" test "$(clipboard)" = alpha

# Bad items are refused with the reason, and the clipboard stays.
run copy 99
expect 1 "copy 99"
grep -q 'no item 99' <<<"$err" || fail "copy 99 said: $err"
run copy 0F2E0C3A-1111-2222-3333-444455556666
expect 1 "copy of an unknown id"
grep -q 'no item has the id' <<<"$err" || fail "copy of an unknown id said: $err"
[ "$(clipboard)" = alpha ] || fail "a refused copy changed the clipboard"
run add "   "
expect 1 "add of white space"

# A second start toggles the panel of the running one, which showed it at launch.
panel_shown() { xdotool search --onlyvisible --name '^Quillbox$'; }
wait_until "the panel shown at launch" panel_shown
run -display "$DISPLAY" --toggle
expect 0 "--toggle with -display"
wait_until "the panel hidden" bash -c "! xdotool search --onlyvisible --name '^Quillbox\$'"
run toggle
expect 0 "toggle"
wait_until "the panel shown again" panel_shown
run list --json
before=$out

run quit
expect 0 "quit"
wait "$pid" || fail "the program exited with $? after quit"
pid=
run quit
expect 1 "quit with nothing running"

# Stopped: list and search read the file the program wrote.
run list --json
expect 0 "list of the stopped program's store"
[ "$(json 'print([i["id"] for i in items])' <<<"$out")" = "$(json 'print([i["id"] for i in items])' <<<"$before")" ] ||
    fail "the store lists $out, the program listed $before"
run search example
[ "$(cut -f5 <<<"$out")" = "https://example.org/page" ] || fail "search of the stopped store printed: $out"

# An installation's service file on a private session bus: the first command starts the program.
prefix=$work/prefix
cmake --install "$QUILLBOX_BUILD_DIR" --prefix "$prefix" >/dev/null
exec {busfd}<> <(:)
XDG_DATA_DIRS=$prefix/share:/usr/share dbus-daemon --session --nofork --nopidfile --print-address="$busfd" \
    >/dev/null 2>&1 &
bus_pid=$!
read -r -t 10 -u "$busfd" DBUS_SESSION_BUS_ADDRESS || fail "the private bus did not start"
export DBUS_SESSION_BUS_ADDRESS
QUILLBOX_BINARY=$prefix/bin/quillbox
! owner >/dev/null 2>&1 || fail "Quillbox runs before anything asked for it"
run --toggle
expect 0 "--toggle through activation"
first=$(owner) || fail "--toggle left no Quillbox on the bus"
[ "$(readlink "/proc/$first/exe")" = "$prefix/bin/quillbox" ] || fail "the bus started $(readlink "/proc/$first/exe")"
wait_until "the panel of the started program" panel_shown
run --toggle
expect 0 "a second --toggle"
run add "gamma"
expect 0 "add through the started program"
[ "$(owner)" = "$first" ] || fail "a second instance answers: $(owner), not $first"
run list --limit 1
[ "$(cut -f5 <<<"$out")" = "gamma" ] || fail "the started program lists: $out"
run quit
expect 0 "quit of the started program"
wait_until "the started program's exit" bash -c "! kill -0 $first"
echo "$name: passed"

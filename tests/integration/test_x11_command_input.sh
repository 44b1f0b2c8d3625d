#!/usr/bin/env bash
# What a client may send, against the real program on its session bus: bytes that are not text, texts
# larger than one bus message should carry, an endless stream, descriptors that are not files, a client
# that sends a huge message itself; ids that must stay valid; and calls that race the program's end.
# Runs inside scripts/xsession, with QUILLBOX_BINARY and QUILLBOX_SOURCE_DIR set.
set -euo pipefail

name=test_x11_command_input
source "$(dirname "$0")/command-line-session.sh"

bus_client() { timeout 120 /usr/bin/python3 "$QUILLBOX_SOURCE_DIR/tests/support/bus-client.py" "$@"; }
letters() { head -c "$1" /dev/zero | tr '\0' a; }
# run, with standard input from a file (or from what `yes` prints when the file is "yes").
run_fed() { # input, arguments...
    local input=$1
    shift
    set +e
    if [ "$input" = yes ]; then
        yes | timeout 120 "$QUILLBOX_BINARY" "$@" >"$work/out" 2>"$work/err"
        status=${PIPESTATUS[1]}
    else
        timeout 120 "$QUILLBOX_BINARY" "$@" <"$input" >"$work/out" 2>"$work/err"
        status=$?
    fi
    set -e
    out=$(cat "$work/out") err=$(cat "$work/err")
    [ "$status" != 124 ] || fail "quillbox $* did not end"
}
# The program still answers every kind of command.
answers() { # after what
    run --toggle
    expect 0 "--toggle after $1"
    run add "still here after $1"
    expect 0 "add after $1"
    run list --limit 1
    expect 0 "list after $1"
    [ "$(cut -f5 <<<"$out")" = "still here after $1" ] || fail "list after $1 printed: $out"
}

start_instance

# Bytes that are not text are refused whole, with the reason; nothing is stored.
printf 'before\0after' >"$work/nul"
run_fed "$work/nul" add -
expect 1 "add - of a NUL byte"
grep -q 'standard input is not text: byte 7 is a NUL' <<<"$err" || fail "a NUL byte was refused with: $err"
printf 'caf\xe9 latin\n' >"$work/latin1"
run_fed "$work/latin1" add -
expect 1 "add - of Latin-1"
grep -q 'standard input is not text: it is not UTF-8' <<<"$err" || fail "Latin-1 was refused with: $err"
for word in before latin; do
    run search "$word"
    [ -z "$out" ] || fail "a refused text was stored: $out"
done

# What a decoder takes for a byte-order mark is text like any other: kept as an argument, on standard
# input and in the answers of the running program (and in the store: checked at the end).
run add "$(printf '\xef\xbb\xbfmarked argument')"
expect 0 "add of a text that starts with U+FEFF"
printf '\xef\xbb\xbfmarked input' >"$work/marked"
run_fed "$work/marked" add -
expect 0 "add - of a text that starts with U+FEFF"
printf '\xef\xbf\xbeswapped input' >"$work/swapped"
run_fed "$work/swapped" add -
expect 0 "add - of a text that starts with U+FFFE"
marked="assert [i['content'] for i in items][:3] == ['\\ufffeswapped input', '\\ufeffmarked input', '\\ufeffmarked argument']"
run list --json --limit 3
json "$marked" <<<"$out" || fail "the marked texts came back as: $out"

# 70 MB, more than one bus message should carry: it travels through a file descriptor.
letters 70000000 >"$work/big"
run_fed "$work/big" add -
expect 0 "add - of 70 MB"
big=$out
answers "70 MB from standard input"
# A client that sends 70 MB in one message leaves the program reachable too.
answer=$(bus_client add-string 70000000) || fail "a 70 MB Add was refused: $answer"
[ "$answer" = "$big" ] || fail "the same text added again got the id $answer, not $big"
answers "a 70 MB message"
# A list that holds it is too large for one message: it is read from the store once saved there.
listed() { q list --json --limit 3 | json 'assert any(i["characterCount"] == 70000000 for i in items)'; }
wait_until "the 70 MB item in the listing" listed

# 200 MB, within the capture bound of 256 MB; 300 MB and an endless stream are refused, naming the bound.
letters 200000000 >"$work/big"
run_fed "$work/big" add -
expect 0 "add - of 200 MB"
answers "200 MB"
letters 300000000 >"$work/big"
run_fed "$work/big" add -
expect 1 "add - of 300 MB"
grep -q 'standard input holds more than 256 MB' <<<"$err" || fail "300 MB were refused with: $err"
rm "$work/big"
run_fed yes add -
expect 1 "add - of an endless stream"
grep -q 'standard input holds more than 256 MB' <<<"$err" || fail "an endless stream was refused with: $err"

# Descriptors that are not files are refused at once: a silent pipe cannot hold the program.
for kind in pipe folder; do
    set +e
    answer=$(bus_client add-fd "$kind")
    set -e
    grep -q 'error io.quillbox.Quillbox.Error: .*not a file' <<<"$answer" || fail "a $kind was answered: $answer"
done
answers "descriptors that are not files"

# Ids stay valid: a repeat keeps its item's id, and copy answers the id its item has once captured again.
run add "repeated"
first=$out
for _ in $(seq 50); do
    run add "repeated"
    [ "$out" = "$first" ] || fail "adding a text again answered $out, not $first"
done
run copy 2
expect 0 "copy 2"
copied=$out
run list --limit 1
[ "$(cut -f2 <<<"$out")" = "$copied" ] || fail "copy answered $copied, but the newest item is $out"
run copy "$first"
[ "$out" = "$first" ] || fail "copy of $first answered $out"
run search repeated --json
json "assert [i['id'] for i in items] == ['$first']" <<<"$out" ||
    fail "the repeated text is not one item with the id $first: $out"

# Calls that race the end, by quit and by SIGTERM: each is carried out and answered, or refused with a
# reason that says why; whatever was answered with an id is in the store afterwards.
race() { # how the program is ended: "quit" or "term"
    local how=$1 pids=() i
    for i in $(seq 40); do
        [ "$i" != 20 ] || { if [ "$how" = quit ]; then q quit >/dev/null 2>&1 & else kill -TERM "$pid"; fi; }
        timeout 60 "$QUILLBOX_BINARY" add "$how race $i" >"$work/race.$i.out" 2>"$work/race.$i.err" &
        pids+=($!)
    done
    for i in "${!pids[@]}"; do
        set +e
        wait "${pids[$i]}"
        echo $? >"$work/race.$((i + 1)).status"
        set -e
    done
    wait_until "the program's end" bash -c "! kill -0 $pid"
    wait "$pid" || fail "the program ended with $? after $how"
    pid=
    run search "$how race" --json
    for i in $(seq 40); do
        case $(cat "$work/race.$i.status") in
        0) json "assert any(i['id'] == '$(cat "$work/race.$i.out")' for i in items)" <<<"$out" ||
            fail "$how race $i was answered with an id, but is not in the store" ;;
        1) grep -qE 'Quillbox is quitting|Quillbox is not running' "$work/race.$i.err" ||
            fail "$how race $i was refused with: $(cat "$work/race.$i.err")" ;;
        *) fail "$how race $i ended with $(cat "$work/race.$i.status"): $(cat "$work/race.$i.err")" ;;
        esac
    done
}
race quit
start_instance
race term

# The bus itself goes away: the program claims its name again when the bus comes back, and ends,
# saying why, when it does not, instead of running on where no command reaches it.
bus_pid=
cleanup_more() { [ -z "$bus_pid" ] || kill "$bus_pid" 2>/dev/null || true; }
start_bus() {
    rm -f "$work/bus"
    dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" >/dev/null 2>&1 &
    bus_pid=$!
    wait_until "the private bus" test -S "$work/bus"
}
stop_bus() {
    kill "$bus_pid"
    wait "$bus_pid" || true
    bus_pid=
}
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus
start_bus
start_instance
stop_bus
start_bus
wait_until "the program on the bus that came back" serving
run add "after the bus came back"
expect 0 "add after the bus came back"
stop_bus
for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
wait "$pid" || fail "the program ended with $? without its bus"
pid=
grep -q 'Lost the session bus and cannot claim io.quillbox.Quillbox on it again: quitting' "$work/app.err" ||
    fail "the program did not say why it ended: $(cat "$work/app.err")"
grep -q 'after the bus came back' <(q search "came back") || fail "what was added meanwhile was not saved"
q search marked --json | json "assert [i['content'] for i in items] == ['\\ufeffmarked input', '\\ufeffmarked argument']" || fail "the store holds the marked texts as: $(q search marked --json)"
echo "$name: passed"

#!/usr/bin/env bash
# What lies at the store's path, against the real program and the reading commands: a named pipe is never
# opened (the program still starts and ends, list and search say why); files that are not the program's
# are reported and left byte for byte as they were; reading a store needs no right to write it.
# Runs inside scripts/xsession, with QUILLBOX_BINARY set.
set -euo pipefail

name=test_x11_store_files
source "$(dirname "$0")/command-line-session.sh"

folder=$(dirname "$store")
mkdir -p "$folder"
sum() { sha256sum "$store" | cut -d' ' -f1; }
no_journal() { # what was read
    [ ! -e "$store-wal" ] && [ ! -e "$store-shm" ] && [ ! -e "$store-journal" ] || fail "reading $1 left $(ls "$folder")"
}
ended() { # how
    wait_until "the program's end after $1" bash -c "! kill -0 $pid"
    wait "$pid" || fail "the program ended with $? after $1"
    pid=
}
refused() { # what, reason
    expect 1 "$1"
    grep -q "$2" <<<"$err" || fail "$1 said: $err"
}

# A named pipe where the store belongs.
mkfifo "$store"
run list
refused "list of a named pipe" "cannot read the history store $store: it is a named pipe (FIFO), not a file"
run search anything
refused "search of a named pipe" "it is a named pipe (FIFO), not a file"
start_instance
grep -q "Failed to create ModelContainer: $store: it is a named pipe (FIFO), not a file" "$work/app.out" ||
    fail "the program did not say why it runs without a store: $(cat "$work/app.out")"
run list
refused "list of the running program" "named pipe (FIFO), not a file"
run quit
expect 0 "quit"
ended quit
start_instance
kill -TERM "$pid"
ended SIGTERM
[ -p "$store" ] || fail "the named pipe was replaced"
rm "$store"

# An empty file is an empty history, and stays empty.
: >"$store"
run list
expect 0 "list of an empty file"
[ -z "$out" ] || fail "an empty file listed: $out"
[ ! -s "$store" ] || fail "list wrote into the empty file"
no_journal "an empty file"
rm "$store"

# Another program's SQLite file: reported by list and by the program, and not changed by either.
python3 -c "import sqlite3, sys; c = sqlite3.connect(sys.argv[1]); c.execute('CREATE TABLE notes (text)');
c.execute(\"INSERT INTO notes VALUES ('mine')\"); c.commit()" "$store"
before=$(sum)
run list
refused "list of another program's file" "it is not a Quillbox store: it holds another program's tables"
start_instance
grep -q "it is not a Quillbox store: it holds another program's tables" "$work/app.out" ||
    fail "the program took another program's file: $(cat "$work/app.out")"
run quit
ended "quit with another program's file"
[ "$(sum)" = "$before" ] || fail "another program's file was changed"
no_journal "another program's file"
rm "$store"

# The program's own store, read by someone who may write neither the file nor its folder (nobody, when
# the test runs as root, whom modes do not stop).
start_instance
run add "kept"
expect 0 "add"
run quit
ended quit
before=$(sum)
reader=()
if [ "$(id -u)" = 0 ]; then
    chown -R nobody "$folder"
    reader=(runuser -u nobody --)
fi
chmod 400 "$store"
chmod 500 "$folder"
set +e
"${reader[@]}" timeout 60 "$QUILLBOX_BINARY" list >"$work/out" 2>"$work/err"
status=$?
set -e
out=$(cat "$work/out") err=$(cat "$work/err")
expect 0 "list of a store that cannot be written"
grep -q "kept" <<<"$out" || fail "list of a store that cannot be written printed: $out"
[ "$(sum)" = "$before" ] || fail "reading changed the store"
chmod 700 "$folder"
echo "$name: passed"

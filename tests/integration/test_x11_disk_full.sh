#!/usr/bin/env bash
# A full disk against the real program, with a small tmpfs as the store's folder. While it is full the
# program keeps capturing and tells the person once (a notification to this test's own server); what it
# holds is written once space returns, without a restart; quit while full keeps the copies in a spill
# file, which the next start takes back.
# Runs inside scripts/xsession, with QUILLBOX_BINARY and QUILLBOX_SOURCE_DIR set. Mounting needs root:
# elsewhere the test is skipped (exit 77).
set -euo pipefail

name=test_x11_disk_full
if [ "$(id -u)" != 0 ]; then
    echo "$name: skipped: mounting a tmpfs needs root"
    exit 77
fi

source "$(dirname "$0")/command-line-session.sh"
# A full disk is waited out for up to a minute: the store retries on its own schedule.
wait_seconds=60
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
folder=$XDG_DATA_HOME/Quillbox
mkdir -p "$folder"
# The cache is on another file system than the store's folder: the spill goes there.
spills=$XDG_CACHE_HOME/Quillbox
notifications=$work/notifications
server_pid=
cleanup_more() {
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
    umount "$folder" 2>/dev/null || umount -l "$folder" 2>/dev/null || true
}
mount -t tmpfs -o size=1536k,mode=0700 tmpfs "$folder" || fail "cannot mount a tmpfs on $folder"

fill() { dd if=/dev/zero of="$folder/filler" bs=4k 2>/dev/null || true; }
copy() { printf '%s' "$1" | xclip -selection clipboard; }
# The running program's history, as JSON.
listed() { q list --json | /usr/bin/python3 -c "import json, sys; sys.exit(not any(i['content'] == sys.argv[1] for i in json.load(sys.stdin)))" "$1"; }
# How many items with this content the store's file holds, read as another program would.
in_file() {
    /usr/bin/python3 -c "import sqlite3, sys
db = sqlite3.connect('file:' + sys.argv[1] + '?mode=ro', uri=True)
print(db.execute('SELECT count(*) FROM ClipboardItem WHERE content = ?', (sys.argv[2],)).fetchone()[0])" "$store" "$1"
}
written() { [ "$(in_file "$1")" = 1 ]; }
seeded() {
    [ "$(/usr/bin/python3 -c "import sqlite3, sys
db = sqlite3.connect('file:' + sys.argv[1] + '?mode=ro', uri=True)
print(db.execute('SELECT count(*) FROM PasteTemplate').fetchone()[0])" "$store")" = 10 ]
}
shown() { [ -f "$notifications" ] && wc -l <"$notifications" || echo 0; }
notified() { [ "$(shown)" = "$1" ]; }
spill_files() { find "$spills" -maxdepth 1 -type f -name 'unsaved-*' ! -name '*.partial' 2>/dev/null; }
spilled() { [ -n "$(spill_files)" ]; }
unspilled() { [ -z "$(spill_files)" ]; }
images() { q list --type image | wc -l; }
image_listed() { [ "$(images)" = 1 ]; }
start() {
    "$QUILLBOX_BINARY" >"$work/app.out" 2>"$work/app.err" &
    pid=$!
    wait_until "the program's start" grep -q "Registered hotkey id=1" "$work/app.out"
}

/usr/bin/python3 "$QUILLBOX_SOURCE_DIR/tests/support/notification-server.py" "$notifications" >"$work/server.out" &
server_pid=$!
wait_until "the notification server" grep -q ready "$work/server.out"

start
# The program made its store; the rest of the tmpfs is taken.
wait_until "the defaults in the store" seeded
fill
copy "while full 1"
wait_until "the first copy captured" listed "while full 1"
wait_until "the notification" notified 1
IFS=$'\t' read -r summary body <"$notifications"
[ "$summary" = "Quillbox cannot save your history: the disk is full" ] || fail "notification summary: $summary"
grep -qF "$folder" <<<"$body" || fail "the notification does not name $folder: $body"
grep -q "kept until space is freed" <<<"$body" || fail "the notification does not say the copies are kept: $body"
grep -qF "[Quillbox] The disk that holds $folder is full" "$work/app.err" || fail "nothing on stderr about the full disk"
copy "while full 2"
wait_until "the second copy captured" listed "while full 2"
[ "$(in_file "while full 1")" = 0 ] || fail "a copy was written while the disk was full"
# Kept outside the full disk while it lasts, for a session that ends without quitting.
wait_until "the spill during the full disk" spilled
[ "$(shown)" = 1 ] || fail "one full disk gave $(shown) notifications"
kill -0 "$pid" || fail "the program ended"

# Space returns: what waited is written without a restart, and the spill goes.
rm "$folder/filler"
wait_until "the copies written once space returned" written "while full 2"
written "while full 1" || fail "the first copy made while full was not written"
wait_until "the line about the space" grep -q "The disk has space again" "$work/app.out"
wait_until "the spill removed" unspilled

# Full again, then quit: a second notification, and the copies go to the spill.
fill
copy "while full 3"
wait_until "the third copy captured" listed "while full 3"
convert -size 64x48 xc:orange "$work/orange.png"
xclip -selection clipboard -t image/png -i "$work/orange.png"
wait_until "the image captured" image_listed
wait_until "the second notification" notified 2
q quit
wait "$pid" || fail "the program exited with $? after quit"
pid=
line=$(grep "could not be written to" "$work/app.err") || fail "nothing said at quit about the unsaved changes"
file=$(spill_files)
[ "$(wc -l <<<"$file")" = 1 ] && [ -n "$file" ] || fail "spill files after quit: $file"
expected="[Quillbox] 2 changes could not be written to $store (the disk is full). They are kept in $file and will be added to the history at the next start"
[ "$line" = "$expected" ] || fail "at quit: $line"
[ "$(stat -c %a "$file")" = 600 ] || fail "the spill's mode is $(stat -c %a "$file")"
[ "$(stat -c %a "$spills")" = 700 ] || fail "the spill folder's mode is $(stat -c %a "$spills")"

# The next start, with space again, takes them back and removes the spill.
rm "$folder/filler"
start
grep -qF "[Quillbox] Recovered 2 changes that could not be written before, from $file" "$work/app.out" ||
    fail "the start did not say it recovered the changes: $(cat "$work/app.out")"
[ -z "$(spill_files)" ] || fail "the spill is still there: $(spill_files)"
for content in "while full 1" "while full 2" "while full 3"; do
    listed "$content" || fail "$content is not in the history"
done
image_listed || fail "the image is not in the history"
q quit
wait "$pid" || fail "the program exited with $? after the last quit"
pid=
written "while full 3" || fail "the recovered copy is not in the store's file"
echo "$name: passed"

#!/usr/bin/env bash
# A store and a Quillbox.conf written by the Debian 12 build (tests/fixtures/debian12, written by
# write-upgrade-fixture with Qt 6.4 and SQLite 3.40) open in this build unchanged: every item, pin,
# category, template and image as it was, read without a running program and by the program itself, and
# the settings kept and taken as they were written.
# Runs inside scripts/xsession, with QUILLBOX_BINARY and QUILLBOX_FIXTURE set.
set -euo pipefail

name=test_x11_upgrade_store
source "$(dirname "$0")/command-line-session.sh"

mkdir -p "$(dirname "$store")"
cp "$QUILLBOX_FIXTURE/Quillbox.sqlite" "$store"
cp "$QUILLBOX_FIXTURE/Quillbox.conf" "$XDG_CONFIG_HOME/Quillbox/Quillbox.conf"

# The listing as the Debian 12 build gave it; the image digest is left out, as the program adds it to
# images stored without one once it runs.
same_items() { # what
    run list --json
    expect 0 "$1"
    python3 - "$QUILLBOX_FIXTURE/list.json" "$work/out" "$1" <<'PY' || fail "$1 differs from the Debian 12 build's"
import json, sys
def items(path):
    return [{k: v for k, v in item.items() if k != "imageDigest"} for item in json.load(open(path, encoding="utf-8"))]
expected, got = items(sys.argv[1]), items(sys.argv[2])
for e, g in zip(expected, got):
    if e != g:
        print(f"{sys.argv[3]}:\n  expected {e}\n  got      {g}", file=sys.stderr)
if len(expected) != len(got):
    print(f"{sys.argv[3]}: {len(got)} items, not {len(expected)}", file=sys.stderr)
sys.exit(expected != got)
PY
}
same_records() { # what
    python3 - "$QUILLBOX_FIXTURE/records.json" "$store" "$1" <<'PY' || fail "$1: categories or templates changed"
import json, sqlite3, sys
expected = json.load(open(sys.argv[1], encoding="utf-8"))
db = sqlite3.connect(f"file:{sys.argv[2]}?mode=ro", uri=True)
for table in ("ClipCategory", "PasteTemplate"):
    cursor = db.execute(f"SELECT * FROM {table} ORDER BY id")
    names = [d[0] for d in cursor.description]
    got = [dict(zip(names, row)) for row in cursor]
    if got != expected[table]:
        print(f"{sys.argv[3]}: {table}\n  expected {expected[table]}\n  got      {got}", file=sys.stderr)
        sys.exit(1)
PY
}

same_items "the list read without a running program"
same_records "the store after reading it"

start_instance
for message in "Refused stored hotkey" "Ignoring terminalPasteChords" "Failed to create ModelContainer" "cannot be read"; do
    ! grep -q "$message" "$work/app.out" "$work/app.err" || fail "the program said: $(grep -h "$message" "$work/app.out" "$work/app.err")"
done
same_items "the list from the running program"
grep -q "Copies from password managers are no longer recorded: KeePassXC" "$work/app.err" ||
    fail "the password managers given to an existing installation were not logged"

run quit
expect 0 "quit"
wait_until "the program's end" bash -c "! kill -0 $pid"
pid=
same_items "the list after the program ran"
same_records "the store after the program ran"

# Every setting as written; the program adds only what it writes at each start, and the password managers
# an earlier version's settings get once.
python3 - "$QUILLBOX_FIXTURE/Quillbox.conf" "$XDG_CONFIG_HOME/Quillbox/Quillbox.conf" <<'PY' || fail "settings changed"
import configparser, sys
def general(path):
    parser = configparser.RawConfigParser()
    parser.optionxform = str
    parser.read(path, encoding="utf-8")
    return dict(parser["General"])
before, after = general(sys.argv[1]), general(sys.argv[2])
lost = {k: v for k, v in before.items() if after.get(k) != v}
added = set(after) - set(before) - {"AppleKeyboardUIMode", "neverRecordApplications"}
if lost or added:
    print(f"changed: {lost}; added: {added}", file=sys.stderr)
sys.exit(bool(lost or added))
PY
# The image comes back byte for byte (a copy takes the item to the top as a new capture, so this comes last).
start_instance
image_id=$(python3 -c 'import json, sys; print(next(i["id"] for i in json.load(open(sys.argv[1])) if i["type"] == "image"))' \
    "$QUILLBOX_FIXTURE/list.json")
run copy "$image_id"
expect 0 "copy of the image"
expected_png=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["imageSha256"])' "$QUILLBOX_FIXTURE/records.json")
wait_until "the image on the clipboard" bash -c \
    "[ \"\$(xclip -selection clipboard -t image/png -o | sha256sum | cut -d' ' -f1)\" = $expected_png ]"

run quit
expect 0 "quit"
wait_until "the program's end" bash -c "! kill -0 $pid"
pid=
echo "$name: PASS"

# Sourced by the command-line tests: a private home for the real program, and the helpers that run it.
# Set `name` before sourcing; QUILLBOX_BINARY names the program. `pid` is the running instance, if any,
# killed at exit with whatever `cleanup_more` (a function the test may define) ends.

fail() {
    echo "$name: FAIL: $*" >&2
    [ ! -s "${work:-/nonexistent}/app.err" ] || { echo "--- quillbox stderr:" >&2; tail -n 20 "$work/app.err" >&2; }
    exit 1
}

work=$(mktemp -d /tmp/quillbox-cli.XXXXXX)
chmod 755 "$work"
export HOME=$work/home TMPDIR=$work
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
mkdir -p "$XDG_CONFIG_HOME/Quillbox" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
printf '[General]\nhasSeenOnboarding=true\n' >"$XDG_CONFIG_HOME/Quillbox/Quillbox.conf"
store=$XDG_DATA_HOME/Quillbox/Quillbox.sqlite
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    ! declare -F cleanup_more >/dev/null || cleanup_more
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Bounded, so that a command that hangs fails the test instead of holding it.
q() { timeout 60 "$QUILLBOX_BINARY" "$@"; }
# Runs quillbox with the arguments; its exit code, stdout and stderr land in $status, $out and $err.
run() {
    set +e
    q "$@" >"$work/out" 2>"$work/err"
    status=$?
    set -e
    out=$(cat "$work/out") err=$(cat "$work/err")
}
expect() { # status, then the command's description
    [ "$status" = "$1" ] || fail "$2: exit $status, not $1; stderr: $err"
}
# Up to $wait_seconds (10 unless the test sets it) for the command to succeed.
wait_until() { # what, command...
    local what=$1
    shift
    for _ in $(seq $((${wait_seconds:-10} * 20))); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    fail "timed out waiting for $what"
}
json() { python3 -c "import json, sys; items = json.load(sys.stdin); $1"; }
# The program holds its name on the session bus and is past its start: its store opened, or found unusable.
serving() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:io.quillbox.Quillbox | grep -q 'boolean true' &&
        ! q list --limit 1 2>&1 | grep -q 'still starting'
}
# Starts the program in the background ($pid), with the arguments given, and waits until it serves.
start_instance() {
    "$QUILLBOX_BINARY" "$@" >"$work/app.out" 2>"$work/app.err" &
    pid=$!
    wait_until "the program's start" serving
}

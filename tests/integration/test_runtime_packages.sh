#!/usr/bin/env bash
# Every package the running program loads a file from comes with scripts/install-deps, listed there or
# pulled in through Depends: Qt finds its plugins, QML modules and icon engines at run time, so a
# missing one never shows at link time, nor do the icon themes it draws from. Starts quillbox on a first
# run (the welcome window, then the panel, the tray icon), maps what it loaded and read to packages with
# dpkg -S and checks them against the closure of the list. A package that is not installed at all cannot be seen here; the tests of what
# it provides (test_image_providers for the SVG icon engine) catch that.
# Runs inside scripts/xsession --tray, with QUILLBOX_BINARY and QUILLBOX_SOURCE_DIR set. With
# QUILLBOX_PACKAGES_OUT set it also writes the packages loaded from there, one a line, less those every
# Debian system has (Essential): `make deb` takes them as the package's Depends.
set -euo pipefail

name=test_runtime_packages
fail() {
    echo "$name: FAIL: $*" >&2
    exit 1
}

work=$(mktemp -d /tmp/quillbox-packages.XXXXXX)
export HOME=$work/home TMPDIR=$work
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The import trace names the qmldir files the QML engine reads, which are neither mapped nor kept open;
# strace names the data it reads and closes again (icon themes, sounds, keymaps, fonts). The shell
# leaves its process id, which the program takes over with exec.
QML_IMPORT_TRACE=1 strace -f -qq --seccomp-bpf -e trace=open,openat -e status=successful -o "$work/opened" \
    sh -c 'echo $$ >"$0"; exec "$1"' "$work/pid" "$QUILLBOX_BINARY" >"$work/stdout" 2>"$work/stderr" &
tracer=$!
for _ in $(seq 100); do
    [ -s "$work/pid" ] && break
    sleep 0.05
done
pid=$(cat "$work/pid") || fail "strace did not start quillbox: $(cat "$work/stderr")"

# Polls `command...` until it succeeds, as long as the program runs (at most 15 s).
wait_until() { # what, command...
    local what=$1
    shift
    for _ in $(seq 300); do
        "$@" >/dev/null 2>&1 && return 0
        kill -0 "$pid" 2>/dev/null || fail "quillbox exited while waiting for $what: $(tail -n 5 "$work/stderr")"
        sleep 0.05
    done
    fail "timed out waiting for $what"
}
visible() { xdotool search --onlyvisible --name "^$1\$"; }

files=$work/files
# Everything the program has mapped (libraries, plugins, QML modules, fonts) or holds open.
snapshot() {
    awk '$6 ~ /^\// { print substr($0, index($0, "/")) }' "/proc/$pid/maps" >>"$files"
    for fd in "/proc/$pid/fd/"*; do readlink "$fd" || true; done >>"$files"
}

wait_until "its start" grep -q "Seeded 10 default templates" "$work/stdout"
wait_until "the welcome window" visible "Welcome to Quillbox"
snapshot
# A second start toggles the running instance's panel, shown next to the welcome window.
"$QUILLBOX_BINARY" --toggle || fail "quillbox --toggle exited with $?"
wait_until "the panel" visible "Quillbox"
snapshot
! grep -q "No system tray" "$work/stdout" || fail "no tray icon: the test needs scripts/xsession --tray"
kill -TERM "$pid"
wait "$tracer" || fail "quillbox exited with $? on SIGTERM"
pid=

grep -o '"/[^"]*/qmldir"' "$work/stderr" | tr -d '"' >>"$files" || true
grep -oP '^\d+ +open(at)?\([^"]*"\K/usr/share/(icons|sounds|X11/xkb|fonts)/[^"]+' "$work/opened" >>"$files" || true

# Files of packages: the program's own build and its temporary folders are not.
sort -u "$files" | grep -E '^/(usr|lib|lib64|bin|sbin|etc|opt)/' | while read -r f; do
    [ -f "$f" ] && echo "$f"
done >"$work/loaded"
[ -s "$work/loaded" ] || fail "found no loaded files"

# Qt loads every installed image-format plugin to ask it what it reads, so one being loaded says
# nothing about a need. The program decodes PNG (inside Qt's GUI library), JPEG and SVG (its icons):
# the other plugins, and the libraries only they link, are left out. What counts is what the program
# opened itself (objects no other one links: plugins, QML modules) and what those link, transitively.
grep -P '/qt6/plugins/imageformats/(?!lib(qsvg|qjpeg)\.so$)' "$work/loaded" >"$work/probed" || true
{ echo "$QUILLBOX_BINARY"; grep '\.so' "$work/loaded"; } | xargs -d '\n' readelf -d 2>/dev/null |
    awk -v probed="$work/probed" '
        /^File: / { file = substr($0, 7); objects[file] = 1 }
        /\(SONAME\)/ { gsub(/[][]/, "", $NF); path[$NF] = file }
        /\(NEEDED\)/ { gsub(/[][]/, "", $NF); needs[file] = needs[file] " " $NF; linked[$NF] = 1 }
        END {
            while ((getline f < probed) > 0) skip[f] = 1
            for (f in path) soname[path[f]] = f
            for (f in objects)
                if (!(f in skip) && !(soname[f] in linked)) queue[++tail] = f
            while (head < tail) {
                f = queue[++head]
                if (f in kept) continue
                kept[f] = 1
                n = split(needs[f], names, " ")
                for (i = 1; i <= n; i++) if (names[i] in path) queue[++tail] = path[names[i]]
            }
            for (f in objects) if (!(f in kept)) print f
        }' >"$work/dropped"
grep -vxF -f "$work/dropped" "$work/loaded" >"$work/judged"

# On merged-/usr Debian dpkg may have a file registered under /lib while the program maps it from
# /usr/lib, or the other way round: ask for the other spelling of what dpkg does not know.
owners() { # files on stdin; prints "package<TAB>file", packages without architecture
    xargs -r -d '\n' dpkg -S 2>/dev/null | grep -v '^diversion ' | while IFS= read -r line; do
        local packages=${line%%: /*} path=/${line#*: /}
        for p in ${packages//,/ }; do printf '%s\t%s\n' "${p%%:*}" "$path"; done
    done || true
}
owners <"$work/judged" >"$work/owners"
cut -f2 "$work/owners" | sort -u >"$work/owned"
sort -u "$work/judged" | comm -23 - "$work/owned" | sed -E 's#^/usr/(lib|lib64|bin|sbin)/#/\1/#; t; s#^/(lib|lib64|bin|sbin)/#/usr/\1/#' |
    owners >>"$work/owners"
cut -f1 "$work/owners" | sort -u >"$work/needed"

# The closure of the list over the installed packages' Pre-Depends and Depends: every installed
# alternative of a dependency counts, and so does every installed package that provides a virtual one.
# A minimal Debian (the essential and required packages) is taken as present.
"$QUILLBOX_SOURCE_DIR/scripts/install-deps" --list >"$work/listed"
dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Essential}\t${Priority}\t${Provides}\t${Pre-Depends}, ${Depends}\n' |
    awk -F'\t' -v listed="$work/listed" '
        function names(field, out) { # dependency field to bare names, alternatives apart
            gsub(/\([^)]*\)/, "", field); gsub(/:[a-z0-9]+/, "", field); gsub(/[|,]/, " ", field)
            return split(field, out, " ")
        }
        $1 ~ /^ii/ {
            installed[$2] = 1
            depends[$2] = depends[$2] ", " $6
            n = names($5, provided)
            for (i = 1; i <= n; i++) providers[provided[i]] = providers[provided[i]] " " $2
            if ($3 == "yes" || $4 == "required") queue[++tail] = $2
        }
        END {
            while ((getline p < listed) > 0) queue[++tail] = p
            while (head < tail) {
                p = queue[++head]
                if (p in closure) continue
                closure[p] = 1
                n = names(depends[p], dep)
                for (i = 1; i <= n; i++) {
                    if (dep[i] in installed) queue[++tail] = dep[i]
                    m = split(providers[dep[i]], by, " ")
                    for (j = 1; j <= m; j++) queue[++tail] = by[j]
                }
            }
            for (p in closure) print p
        }' | sort -u >"$work/closure"

if [ -n "${QUILLBOX_PACKAGES_OUT:-}" ]; then
    xargs dpkg-query -W -f='${Package}\t${Essential}\n' <"$work/needed" | awk -F'\t' '$2 != "yes" { print $1 }' |
        sort -u >"$QUILLBOX_PACKAGES_OUT"
fi

missing=$(comm -23 "$work/needed" "$work/closure")
if [ -n "$missing" ]; then
    for p in $missing; do
        echo "$name: $p is not installed by scripts/install-deps; the program loaded:" >&2
        awk -F'\t' -v p="$p" '$1 == p { print "    " $2 }' "$work/owners" | sort -u | head -n 5 >&2
    done
    fail "add $(echo $missing) to scripts/install-deps"
fi
echo "$name: $(wc -l <"$work/needed") packages loaded from, all installed by scripts/install-deps"

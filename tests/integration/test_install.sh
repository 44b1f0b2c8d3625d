#!/usr/bin/env bash
# The installed tree: `cmake --install` (what `make install` runs) into a staging DESTDIR puts every file
# where the desktop looks for it, and the desktop's own validators accept the desktop entry, the
# AppStream metadata and the manual page. Needs QUILLBOX_BUILD_DIR.
set -euo pipefail

name=test_install
fail() {
    echo "$name: FAIL: $*" >&2
    exit 1
}

work=$(mktemp -d /tmp/quillbox-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
DESTDIR=$stage cmake --install "$QUILLBOX_BUILD_DIR" --prefix /opt/qb >"$work/install.log" ||
    fail "cmake --install failed: $(tail -n 5 "$work/install.log")"
root=$stage/opt/qb
share=$root/share

[ -x "$root/bin/quillbox" ] || fail "no program in bin/"
"$root/bin/quillbox" --version | grep -qx 'quillbox [0-9.]*' || fail "the installed program does not say its version"

desktop=$share/applications/io.quillbox.Quillbox.desktop
[ -f "$desktop" ] || fail "no desktop entry"
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
grep -qx 'StartupWMClass=Quillbox' "$desktop" || fail "the desktop entry does not name the windows' class"
grep -qx 'Categories=Utility;' "$desktop" || fail "the desktop entry is not in Utility"
grep -qx 'Exec=quillbox --toggle' "$desktop" || fail "the desktop entry has no toggle action"

metainfo=$share/metainfo/io.quillbox.Quillbox.metainfo.xml
[ -f "$metainfo" ] || fail "no AppStream metadata"
report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $report"
# The developer is named both ways, for AppStream 0.16 (Debian 12) and 1.0 (Debian 13); each release's
# validator notes the form it does not use, and nothing else may be noted.
! grep -E '^[EWIP]: ' <<<"$report" | grep -vE ': (unknown-tag developer|developer-name-tag-deprecated)$' |
    grep -q . || fail "appstreamcli validate: $report"
grep -q '<release version="[0-9]' "$metainfo" || fail "the release has no version"

# The icon theme's folders: the SVG, and PNGs of the size their folder names, of the application's
# icon and the tray's paused one.
for name in io.quillbox.Quillbox io.quillbox.Quillbox-paused; do
    [ -f "$share/icons/hicolor/scalable/apps/$name.svg" ] || fail "no scalable $name icon"
    for size in 16 22 24 32 48 64 128 256; do
        png=$share/icons/hicolor/${size}x${size}/apps/$name.png
        [ -f "$png" ] || fail "no ${size} px $name icon"
        # Width and height are big-endian words at bytes 16 and 20 of the PNG header.
        read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
            awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
        [ "$width $height" = "$size $size" ] || fail "the ${size} px $name icon is ${width}x${height}"
    done
done

# The bus starts the program by its installed path.
service=$share/dbus-1/services/io.quillbox.Quillbox.service
[ -f "$service" ] || fail "no D-Bus service file"
grep -qx 'Name=io.quillbox.Quillbox' "$service" || fail "the service file names another service"
grep -qx 'Exec=/opt/qb/bin/quillbox' "$service" || fail "the service file starts $(grep Exec= "$service")"

man=$share/man/man1/quillbox.1.gz
[ -f "$man" ] || fail "no manual page"
report=$(zcat "$man" | groff -man -ww -z -Tutf8 2>&1) || fail "groff: $report"
[ -z "$report" ] || fail "the manual page has faults: $report"
zcat "$man" | grep -q '^\.SH OUTPUT' || fail "the manual page does not document the list format"

completion=$share/bash-completion/completions/quillbox
[ -f "$completion" ] || fail "no bash completion"
[ -f "$share/zsh/vendor-completions/_quillbox" ] || fail "no zsh completion"
complete() { # words...: what bash offers for the last word
    bash -c 'source "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quillbox; echo "${COMPREPLY[*]}"' \
        "$completion" "$@"
}
[ "$(complete quillbox l)" = "list" ] || fail "bash completes 'l' to '$(complete quillbox l)'"
[ "$(complete quillbox list --type r)" = "richText" ] || fail "bash does not complete the types"

# The Shell extension: the tree of the kind this system's GNOME loads, serving the installed program.
extension=$share/gnome-shell/extensions/quillbox@quillbox.io
for file in metadata.json extension.js core.js io.quillbox.Shell1.xml schemas/gschemas.compiled; do
    [ -f "$extension/$file" ] || fail "the Shell extension has no $file"
done
[ "$(cat "$extension/allowed-executable")" = /opt/qb/bin/quillbox ] ||
    fail "the Shell extension serves '$(cat "$extension/allowed-executable")'"
grep -q '"uuid": "quillbox@quillbox.io"' "$extension/metadata.json" || fail "the extension's metadata names another uuid"
if command -v gnome-shell >/dev/null; then
    major=$(gnome-shell --version | sed -n 's/^GNOME Shell \([0-9]*\).*/\1/p')
    grep -q "\"shell-version\": \[.*\"$major\"" "$extension/metadata.json" ||
        fail "the installed extension is not for GNOME $major: $(grep shell-version "$extension/metadata.json")"
    # Only ES modules load on GNOME 45 and later, only imports.* modules before.
    if [ "$major" -ge 45 ]; then
        grep -q '^export default class' "$extension/extension.js" || fail "GNOME $major gets no ES module entry point"
    else
        grep -q '^function enable()' "$extension/extension.js" || fail "GNOME $major gets no legacy entry point"
    fi
fi

echo "$name: $(find "$root" -type f | wc -l) files installed and valid"

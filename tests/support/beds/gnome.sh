# Headless GNOME Shell (Mutter) with the tests' own Shell extension, which gives tests what GNOME offers
# no client: the window list, focus by title, the input sources and a keyboard (GnomeBed talks to it).
# Sourced by scripts/waysession.
#
# With QUILLBOX_BED_GNOME_EXTENSIONS (the build's data/gnome-shell, which holds a tree for each kind of
# entry point) Quillbox's own extension is installed and enabled as well, serving the program
# QUILLBOX_BED_GNOME_CLIENT names. That program is copied to the session's bin folder, where the test
# finds it (QUILLBOX_BED_GNOME_CLIENT then names the copy) and may replace it as an upgrade does; it runs
# as the Shell's user (QUILLBOX_BED_AS_USER), since the Shell can read /proc/PID/exe of no other.
#
# Always without Xwayland: the bed's clients are Wayland clients (waysession unsets DISPLAY), Xwayland
# cannot start in a chroot, and it would take an X display number beside the Xvfb sessions of the X11
# tests that ctest runs at the same time.
gnome_extension=testbed@tests.quillbox.io
quillbox_extension=quillbox@quillbox.io

bed_installed() { command -v gnome-shell >/dev/null; }

# gsettings as the compositor's user: dconf-service, activated on the bed's bus, writes the bed HOME.
gnome_setting() { # schema key value
    env -i "${bed_env[@]}" "${as_user[@]}" gsettings set "$@"
}

bed_prepare() {
    local major entry source=$beds/gnome-extension
    local target=$bed_home/.local/share/gnome-shell/extensions/$gnome_extension
    major=$(gnome-shell --version | sed -n 's/^GNOME Shell \([0-9]*\).*/\1/p')
    # GNOME 45 and later load only ES modules, 43-44 only imports.* modules; the logic is one file
    # that the ES module entry needs exported.
    entry=legacy
    [ "${major:-0}" -lt 45 ] || entry=module
    mkdir -p "$target"
    cp "$source/$entry/extension.js" "$source/$entry/metadata.json" "$source/core.js" "$target/"
    [ "$entry" = legacy ] || echo 'export {TestBed};' >>"$target/core.js"
    local enabled="'$gnome_extension'"
    if [ -n "${QUILLBOX_BED_GNOME_EXTENSIONS:-}" ]; then
        local quillbox=$bed_home/.local/share/gnome-shell/extensions/$quillbox_extension
        mkdir -p "$quillbox"
        cp -r "$QUILLBOX_BED_GNOME_EXTENSIONS/$entry/$quillbox_extension/." "$quillbox/"
        mkdir -m 755 "$session_dir/bin"
        cp "$QUILLBOX_BED_GNOME_CLIENT" "$session_dir/bin/"
        # Where the client is Quillbox itself, the tests start the copy the extension serves.
        [ "$QUILLBOX_BED_GNOME_CLIENT" != "${QUILLBOX_BINARY:-}" ] ||
            QUILLBOX_BINARY=$session_dir/bin/$(basename "$QUILLBOX_BED_GNOME_CLIENT")
        QUILLBOX_BED_GNOME_CLIENT=$session_dir/bin/$(basename "$QUILLBOX_BED_GNOME_CLIENT")
        echo "$QUILLBOX_BED_GNOME_CLIENT" >"$quillbox/allowed-executable"
        enabled+=", '$quillbox_extension'"
    fi

    gnome_setting org.gnome.shell enabled-extensions "[$enabled]"
    # A Shell newer than the metadata names still loads the entry point of its kind.
    gnome_setting org.gnome.shell disable-extension-version-validation true
    # The first start opens the welcome tour, a modal dialog that would take every key.
    gnome_setting org.gnome.shell welcome-dialog-last-shown-version "'999'"
    gnome_setting org.gnome.desktop.input-sources sources "[('xkb', 'us')]"
    gnome_setting org.gnome.desktop.interface enable-animations false
    gnome_setting org.gnome.desktop.session idle-delay 'uint32 0'
}

bed_start() {
    env -i "${bed_env[@]}" "${as_user[@]}" \
        gnome-shell --headless --wayland --no-x11 --virtual-monitor "$size" >"$session_dir/compositor.log" 2>&1 &
}

# The extension names itself on the bus once the start-up animation is over and the Overview hidden.
bed_ready() {
    socket=$(find "$compositor_runtime" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -n 1)
    [ -n "$socket" ] && dbus-send --bus="$session_bus" --print-reply=literal --dest=io.quillbox.TestBed \
        /io/quillbox/TestBed io.quillbox.TestBed.OverviewVisible 2>/dev/null | grep -q 'boolean false'
}

bed_client_env() {
    export XDG_CURRENT_DESKTOP=GNOME
    if [ -n "${QUILLBOX_BED_GNOME_EXTENSIONS:-}" ]; then
        export QUILLBOX_BED_GNOME_CLIENT QUILLBOX_BINARY QUILLBOX_BED_AS_USER="${as_user[*]}"
    fi
}

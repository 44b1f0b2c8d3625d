# Headless KWin (KDE Plasma's compositor) on its virtual backend. Sourced by scripts/waysession.
# Global shortcuts stay on: KWin's kglobalaccel then answers on the bed's session bus, as on Plasma.
bed_installed() { command -v kwin_wayland >/dev/null; }

bed_prepare() {
    # Debian 12's binary carries cap_sys_resource, which an unprivileged sandbox refuses to exec; a
    # copy has no file capabilities. It keeps its name: KWin finds its plugins and settings by it.
    mkdir -m 755 "$session_dir/bin"
    cp "$(command -v kwin_wayland)" "$session_dir/bin/kwin_wayland"
    mkdir -p "$bed_home/.config"
    # Screen locking and its idle timer would blank a session nobody touches.
    printf '[Daemon]\nAutolock=false\nLockOnResume=false\n' >"$bed_home/.config/kscreenlockerrc"
}

bed_start() {
    local width=${size%x*} height=${size#*x}
    # KWIN_WAYLAND_NO_PERMISSION_CHECKS lets the tests' own clients use fake-input, as Plasma grants it
    # to programs whose desktop entry asks.
    env -i "${bed_env[@]}" KWIN_COMPOSE=Q KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 QT_QPA_PLATFORM=offscreen \
        "${as_user[@]}" "$session_dir/bin/kwin_wayland" --virtual --socket wayland-bed \
        --width "$width" --height "$height" --no-lockscreen >"$session_dir/compositor.log" 2>&1 &
}

bed_ready() {
    socket=$compositor_runtime/wayland-bed
    [ -S "$socket" ] && DBUS_SESSION_BUS_ADDRESS=$session_bus dbus-send --session --print-reply \
        --dest=org.kde.KWin /KWin org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1
}

bed_client_env() {
    # KWinBed writes KWin's keyboard settings (kxkbrc) there.
    export XDG_CURRENT_DESKTOP=KDE QUILLBOX_BED_CONFIG=$bed_home/.config
    # KWin offers fake-input only to a client whose /proc/PID/exe it can read, and hashes that
    # executable (twice per connection, even with the checks off): a client that needs fake-input runs
    # as the compositor's user. Reading root's clients would take CAP_SYS_PTRACE, and hashing Quillbox's
    # binary seconds at each start.
    export QUILLBOX_BED_AS_USER="${as_user[*]}"
}

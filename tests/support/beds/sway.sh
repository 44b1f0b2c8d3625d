# Headless sway (wlroots): no GPU, no input devices. Sourced by scripts/waysession.
bed_installed() { command -v sway >/dev/null; }

bed_prepare() {
    cat >"$session_dir/config" <<CONFIG
output HEADLESS-1 resolution ${size} position 0 0
default_border none
focus_follows_mouse no
CONFIG
    chmod 644 "$session_dir/config"
}

bed_start() {
    env -i "${bed_env[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        "${as_user[@]}" sway -c "$session_dir/config" >"$session_dir/compositor.log" 2>&1 &
}

bed_ready() {
    socket=$(find "$compositor_runtime" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -n 1)
    ipc=$(find "$compositor_runtime" -maxdepth 1 -type s -name 'sway-ipc.*' 2>/dev/null | head -n 1)
    [ -n "$socket" ] && [ -n "$ipc" ] && SWAYSOCK=$ipc swaymsg -t get_version >/dev/null 2>&1
}

bed_client_env() {
    export SWAYSOCK=$ipc XDG_CURRENT_DESKTOP=sway
    # Headless sway has no keyboard, and programs only listen for keys while the seat has one: a wtype
    # that sleeps (it would press Shift a day later) keeps a virtual keyboard in the seat, so keys typed
    # later with wtype reach programs that are ready for them. Under --no-keyboard the seat stays bare.
    if [ -z "${QUILLBOX_BED_NO_KEYBOARD:-}" ] && command -v wtype >/dev/null; then
        wtype -s 86400000 -k Shift_L >/dev/null 2>&1 &
        pids+=($!)
    fi
}

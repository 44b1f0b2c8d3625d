# Headless labwc (wlroots). Sourced by scripts/waysession.
bed_installed() { command -v labwc >/dev/null; }

bed_prepare() {
    # labwc reads its settings from $XDG_CONFIG_HOME/labwc; the keyboard's layouts come from its
    # environment file, which LabwcBed rewrites before it tells labwc to reconfigure.
    mkdir -p "$bed_home/.config/labwc"
    printf 'XKB_DEFAULT_LAYOUT=us\n' >"$bed_home/.config/labwc/environment"
    cat >"$bed_home/.config/labwc/rc.xml" <<RC
<?xml version="1.0"?>
<labwc_config>
  <core><decoration>server</decoration></core>
  <focus><followMouse>no</followMouse></focus>
  <placement><policy>center</policy></placement>
</labwc_config>
RC
    # The session's autostart would start panels and daemons a desktop brings.
    : >"$bed_home/.config/labwc/autostart"
}

bed_start() {
    local width=${size%x*} height=${size#*x}
    env -i "${bed_env[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        WLR_HEADLESS_OUTPUTS=1 \
        "${as_user[@]}" labwc >"$session_dir/compositor.log" 2>&1 &
    labwc_pid=$!
    bed_width=$width bed_height=$height
}

bed_ready() {
    socket=$(find "$compositor_runtime" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -n 1)
    [ -n "$socket" ] || return 1
    # The headless output starts at 1920x1080; wlr-randr, where installed, gives it the bed's size.
    if [ -z "${output_sized:-}" ] && command -v wlr-randr >/dev/null; then
        WAYLAND_DISPLAY=$socket XDG_RUNTIME_DIR=$compositor_runtime "${as_user[@]}" \
            wlr-randr --output HEADLESS-1 --custom-mode "${bed_width}x${bed_height}" >/dev/null 2>&1 || true
    fi
    output_sized=1
}

bed_client_env() {
    # LabwcBed writes labwc's environment file there and signals labwc (SIGHUP) to read it again.
    export XDG_CURRENT_DESKTOP=labwc:wlroots QUILLBOX_BED_CONFIG=$bed_home/.config LABWC_PID=$labwc_pid
    # As on sway: a keyboard in the seat from the start (headless wlroots has none).
    if [ -z "${QUILLBOX_BED_NO_KEYBOARD:-}" ] && command -v wtype >/dev/null; then
        wtype -s 86400000 -k Shift_L >/dev/null 2>&1 &
        pids+=($!)
    fi
}

# Sourced by the scripts that run the Windows programs under Wine: start_virtual_display starts a
# virtual X server when there is no display, exports its DISPLAY and sets xvfb_pid (empty when a
# display was there), which the caller stops when it ends.
start_virtual_display() {
    xvfb_pid=""
    [ -z "${DISPLAY:-}" ] || return 0
    # -displayfd picks a free display number: other X servers may share this machine.
    local number_file
    number_file=$(mktemp)
    Xvfb -displayfd 9 -nolisten tcp -screen 0 1280x1024x24 9>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$number_file" ] && break
        sleep 0.05
    done
    export DISPLAY=":$(head -n1 "$number_file")"
    rm -f "$number_file"
}

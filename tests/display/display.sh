# Sourced by the real-display checks: needs `work`, `display` and the tools below. Starts Xvfb
# at 1366 x 768 with a window manager, points the program's settings at `work`, and stops
# everything (and removes `work`) on exit.
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
# The real display, whatever the test run uses for the others.
export DISPLAY=$display XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
Xvfb "$display" -screen 0 1366x768x24 >/dev/null 2>&1 & xvfb=$!
sleep 1
openbox >/dev/null 2>&1 & wm=$!
sleep 1

fail() { echo "FAIL: $*"; exit 1; }
# Waits up to 20 s for a window whose name matches; prints its id.
window() {
    i=0
    while [ $i -lt 40 ]; do
        id=$(xdotool search --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.5
        i=$((i + 1))
    done
    return 1
}
# Opens File → Find Tests… over the main window `$1`; prints the Find window's id.
findTests() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
    xdotool key alt+f
    sleep 0.5
    xdotool key t
    window "Find Tests" || return 1
    sleep 1
}

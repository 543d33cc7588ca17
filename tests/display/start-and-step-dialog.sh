#!/bin/sh
# On a real display (Xvfb with a window manager): a start from a folder without a database,
# where the operator types a new file's name, brings the main window up with its title bar on
# the screen, at 1366 x 768 scaled by 1.5; the next start there opens that file without
# asking. A speed out of range left with Tab in the Insert Step dialog keeps what was typed.
# Usage: start-and-step-dialog.sh VISCORA VISCORA_CLI
set -eu
viscora=$1
cli=$2
for tool in Xvfb openbox xdotool xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || { echo "no $tool: skipped"; exit 77; }
done
work=$(mktemp -d)
display=:$((70 + $$ % 100))
. "$(dirname "$0")/display.sh"
mkdir -p "$work/home" "$work/lab"
top() { xwininfo -id "$1" | sed -n 's/.*Absolute upper-left Y: *//p'; }
frameTop() { xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= *//' | cut -d, -f3 | tr -d ' '; }

# First start: no database here; a new one is made where the operator says.
cd "$work/home"
QT_SCALE_FACTOR=1.5 "$viscora" >/dev/null 2>&1 & app=$!
dialog=$(window "Unable to find") || fail "no locate dialog"
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
xdotool key ctrl+a
xdotool type --delay 20 "$work/lab/k7400r.mdb"
xdotool key Return
question=$(window "New Database") || fail "no question before making the database"
xdotool windowactivate --sync "$question" >/dev/null 2>&1 || true
xdotool key alt+y
main=$(window "Viscora V1.0") || fail "no main window"
sleep 2
[ -f "$work/lab/k7400r.mdb" ] || fail "no database made"
inside=$(top "$main")
title=$(frameTop "$main")
[ "$inside" -ge "${title:-0}" ] || fail "title bar above the screen: inside at $inside, title $title high"
kill "$app"; wait "$app" 2>/dev/null || true; app=

# Next start from the same folder: the file made is opened, no dialog.
"$cli" --db "$work/lab/k7400r.mdb" new-sequence Mud 600,150,300,10 >/dev/null
QT_SCALE_FACTOR=1.5 "$viscora" >/dev/null 2>&1 & app=$!
main=$(window "Viscora V1.0") || fail "the remembered database was not opened"
xdotool search --name "Unable to find" >/dev/null 2>&1 && fail "asked for the database again"

# Setup, Sequence, Add Step: a speed of 700 left with Tab.
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
xdotool key alt+s
setup=$(window "K7400R Setup") || fail "no setup window"
xdotool windowactivate --sync "$setup" >/dev/null 2>&1 || true
sleep 1
xdotool key alt+s
sleep 0.5
xdotool key a
step=$(window "Insert Step") || fail "no Insert Step dialog"
sleep 1
xdotool type --delay 30 "60"; xdotool key Tab
xdotool type --delay 30 "100"; xdotool key Tab
xdotool type --delay 30 "700"; xdotool key Tab
box=$(window "Speed input out range") || fail "no speed message"
xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
xdotool key Return
sleep 1
active=$(xdotool getactivewindow getwindowname)
[ "$active" = "Insert Step" ] || fail "the focus went to '$active'"
# OK (Enter): the speed still typed is refused again; a speed rewritten from the empty
# shear-rate box would have passed, and the shear rate been refused instead.
xdotool key Return
sleep 1
xdotool search --name "Shear rate input out range" >/dev/null 2>&1 && fail "the speed was rewritten"
window "Speed input out range" >/dev/null || fail "OK took the speed"
echo "ok"

#!/bin/sh
# On a real display (Xvfb with a window manager): File → Find Tests… opens over the main
# window and fits a 1366 x 768 screen scaled by 1.5; what is typed narrows the list, and Enter
# opens the test found. The screenshot goes to SHOTS/find-tests-display.png.
# Usage: find-tests.sh VISCORA VISCORA_CLI SHOTS
set -eu
viscora=$1
cli=$2
shots=$3
for tool in Xvfb openbox xdotool xwininfo sqlite3 import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "no $tool: skipped"; exit 77; }
done
work=$(mktemp -d)
display=:$((170 + $$ % 100))
. "$(dirname "$0")/display.sh"
mkdir -p "$shots"
geometry() { xwininfo -id "$1" | sed -n "s/.*$2: *//p"; }

db="$work/k7400r.mdb"
"$cli" --db "$db" tests >/dev/null
sqlite3 "$db" "INSERT INTO RelatedInfo VALUES (1, 'Well 12 mud', 'WBM-3', '', 'Acme', ''), (2, 'Cement A', '', '', 'Baker', ''), (3, 'Well 7 spacer', '', '', 'Acme', '');
INSERT INTO TestRecords VALUES (1, 1, 0, 'ended', 1.78e9, 1.78e9, 1.78e9 + 1800, 120, 'Comm 1 (/dev/ttyUSB0)', 'Ana', 'API mud', '60,120,600,1', '1.0', ''), (2, 1, 0, 'ended', 1.781e9, 1.781e9, 1.781e9 + 600, 40, 'Comm 2 (/dev/ttyUSB1)', 'Bo', 'Cement', '60,180,300,1', '1.0', '');"

QT_SCALE_FACTOR=1.5 "$viscora" --db "$db" >/dev/null 2>&1 & app=$!
main=$(window "Viscora V1.0") || fail "no main window"
sleep 2
find=$(findTests "$main") || fail "no Find Tests window"
xdotool type --delay 40 "well"
sleep 1
import -window root "$shots/find-tests-display.png"
x=$(geometry "$find" "Absolute upper-left X")
y=$(geometry "$find" "Absolute upper-left Y")
w=$(geometry "$find" "Width")
h=$(geometry "$find" "Height")
[ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1366 ] && [ $((y + h)) -le 768 ] ||
    fail "the window does not fit the screen: ${w}x${h} at $x,$y"
xdotool key Return
sleep 1
xdotool search --name "^Find Tests$" >/dev/null 2>&1 && fail "Enter did not open the test"
echo "ok"

#!/bin/sh
# On a real display, through the accessibility bus: the main window's chart of a test opened
# from Find Tests reads out the point under the pointer as its accessible description, with
# the point's values and units, step and times.
# Usage: chart-a11y.sh VISCORA VISCORA_CLI
set -eu
viscora=$1
cli=$2
python=/usr/bin/python3
for tool in Xvfb openbox xdotool sqlite3 dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null 2>&1 || { echo "no $tool: skipped"; exit 77; }
done
"$python" -c "import pyatspi" 2>/dev/null || { echo "no pyatspi: skipped"; exit 77; }
# Everything below on a session bus of its own, for the accessibility bus to live on.
if [ -z "${VISCORA_A11Y_SESSION:-}" ]; then
    VISCORA_A11Y_SESSION=1 exec dbus-run-session -- sh "$0" "$@" 2>/dev/null
fi
work=$(mktemp -d)
display=:$((270 + $$ % 100))
. "$(dirname "$0")/display.sh"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 & bus=$!
trap 'kill "$bus" 2>/dev/null || true; cleanup' EXIT
sleep 1

db="$work/k7400r.mdb"
"$cli" --db "$db" tests >/dev/null
sqlite3 "$db" "INSERT INTO RelatedInfo VALUES (1, 'ramp', '', '', '', '');
INSERT INTO TestResult VALUES (1, 1, 60, 100, 600, 180, 0, 1), (1, 1, 120, 100, 300, 120, 0, 1),
  (1, 2, 60, 100, 200, 90, 0, 1), (1, 2, 120, 100, 100, 60, 0, 1);"

QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$viscora" --db "$db" >/dev/null 2>&1 & app=$!
main=$(window "Viscora V1.0") || fail "no main window"
sleep 2
findTests "$main" >/dev/null || fail "no Find Tests window"
xdotool type --delay 40 "ramp"
xdotool key Return
sleep 2
"$python" - <<'PY' || fail "the chart on the accessibility bus"
import subprocess, sys, time
import pyatspi

def find(node, test, depth=0):
    if depth > 14:
        return None
    try:
        if test(node):
            return node
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return None
    for c in children:
        hit = find(c, test, depth + 1)
        if hit:
            return hit
    return None

def viscora():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app and app.name == "Viscora":
            return app
    sys.exit("Viscora is not on the accessibility bus")

def waitFor(test, what):
    for _ in range(40):
        hit = find(viscora(), test)
        if hit:
            return hit
        time.sleep(0.25)
    sys.exit("not found: " + what)

chart = waitFor(lambda n: n.name == "Chart" and n.queryComponent().getExtents(0).width > 0,
                "the chart")
box = chart.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
# Swept across the plot, the pointer meets a point: the read-out names its axes' values.
readout = ""
for step in range(5, 100, 5):
    x = box.x + box.width * step // 100
    for y in range(box.y + box.height // 8, box.y + box.height * 7 // 8, 6):
        subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)
        time.sleep(0.02)
        readout = chart.description
        if readout:
            break
    if readout:
        break
if not all(t in readout for t in ("Shear Rate (1/S): ", "Shear Stress (lb/100ft2): ",
                                   "Viscosity (cP): ", "Step: ", "Step time: ", "Total time: ")):
    sys.exit("no read-out under the pointer: %r" % readout)
PY
echo "ok"

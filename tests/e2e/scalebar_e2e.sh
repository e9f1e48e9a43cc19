#!/usr/bin/env bash
# Runs the real VELDOR under Xvfb with replay cameras: calibrating by a line dragged over the
# live picture of a ruler, a picture taken that keeps its calibration and shows its bar, the
# bar in saved pictures, and the focus meter over a recording swept through focus. With
# VELDOR_E2E_SHOTS set to a folder, screenshots are left there.
set -u
veldor=$1
frames=$2
shots=${VELDOR_E2E_SHOTS:-}
VELDOR_E2E_CAMERAS=/nonexistent
. "$(dirname "$0")/e2e-common.sh"

# A screenshot for the eye, once the last change has been painted.
shot() { [ -z "$shots" ] || { sleep 0.5; import -window root "$shots/$1.png"; }; }

# A ruler of 40 pixels a millimetre in 1280 x 720 frames; the 640 x 480 box shows half of that
# across. A chart swept through focus, 40 frames at 20 a second.
"$frames" ruler "$work/ruler" 1280 720 40 || fail "no ruler frames"
"$frames" sweep "$work/sweep" 640 480 40 || fail "no sweep frames"
cat >"$work/ruler.json" <<JSON
[{"name": "Ruler Cam", "replay": "ruler", "controls": ["Brightness"],
  "formats": [{"format": "MJPG", "width": 1280, "height": 720, "framerate": 15}]}]
JSON
cat >"$work/sweep.json" <<JSON
[{"name": "Sweep Cam", "replay": "sweep", "controls": ["Brightness"],
  "formats": [{"format": "MJPG", "width": 640, "height": 480, "framerate": 20}]}]
JSON
export VELDOR_SIMULATED_CAMERAS="$work/ruler.json"

"$veldor" >"$log" 2>&1 &
pid=$!
win=$(find_window "$title") || fail "main window never shown"

# The menu of a right click on the live video, then the n-th entry (separators are skipped).
menu() {
    local before
    before=$(grep -c "live video menu" "$log")
    xdotool mousemove --window "$win" 500 250 click 3
    wait_for '[ "$(grep -c "live video menu" "$log")" -gt "$before" ]' || fail "no menu"
    sleep 0.3 # the pop-up maps after the trace line
    for _ in $(seq "$1"); do xdotool key Down; done
    xdotool key Return
}

menu 2 # Calibrate…
wait_for 'logged "calibrate: a line between two marks"' || fail "calibrating did not start"
shot calibrate-hint
# From the 5 mm tick (frame x 220, box x 110) to the 25 mm tick (frame x 1020, box x 510); the
# box starts at (191, 11) in the window.
xdotool mousemove --window "$win" 301 175 mousedown 1
for x in 350 400 450 500 550 600 650 701; do xdotool mousemove --window "$win" $x 175; sleep 0.05; done
shot calibrate-line
xdotool mouseup 1
dialog=$(find_window Calibrate) || fail "no calibration dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null
xdotool type --delay 50 20
xdotool key Tab Tab ctrl+a
xdotool type --delay 50 ruler
shot calibrate-dialog
xdotool key Return
wait_for 'logged "calibration ruler: 25 um per pixel at 1280x720"' || fail "calibration not made"
grep -q '^\[Calibration:Ruler Cam\]' VELDOR.ini || fail "calibration not stored"
shot live-bar

take_picture || fail "no picture"
first=$(ls "$images"/*.jpg | head -n1)
ini="${first%jpg}ini"
grep -q '^\[Calibration\]' "$ini" || fail "the picture's settings file has no calibration"
grep -q '^MicrometresPerPixelX=25$' "$ini" || fail "wrong length across: $(cat "$ini")"
grep -q '^MicrometresPerPixelY=18.75$' "$ini" || fail "wrong length down: $(cat "$ini")"
bar=$("$frames" bar "$first")
[ "$bar" -lt 20 ] || fail "a bar in the picture before it was asked for ($bar)"

# Shown, the picture draws its own bar.
xdotool mousemove --window "$win" 250 540 click 1
wait_for 'logged "loadUSBProperty::$ini"' || fail "the picture was not shown"
shot shown-picture
xdotool mousemove --window "$win" 500 250 click 1 # back to the live video

menu 4 # Scale bar in saved pictures
wait_for 'grep -q "^SCALE_BAR_IN_PICTURES=TRUE" VELDOR.ini' || fail "bar in pictures not stored"
menu 5 # Focus meter, for the next start
wait_for 'grep -q "^FOCUS_METER=TRUE" VELDOR.ini' || fail "focus meter not stored"
take_picture || fail "no second picture"
wait_for 'logged "scale bar drawn into"' || fail "no bar drawn into the picture"
second=$(ls -t "$images"/*.jpg | head -n1)
bar=$("$frames" bar "$second")
# 5 mm at 25 µm a pixel.
[ "$bar" -ge 195 ] && [ "$bar" -le 205 ] || fail "the bar in the picture is $bar pixels, not 200"
shot live-focus-ruler

xdotool mousemove --window "$win" 940 555 click 1
ended_cleanly $pid EXIT

# The focus meter follows the sweep: sharp, blurred, sharp again, looping.
export VELDOR_SIMULATED_CAMERAS="$work/sweep.json"
: >"$log"
"$veldor" >"$log" 2>&1 &
pid=$!
win=$(find_window "$title") || fail "main window not shown again"
wait_for '[ "$(grep -c "^.*focus [0-9]" "$log")" -gt 80 ]' 150 || fail "no focus measures"
shot focus-meter
read -r low high <<<"$(grep -o 'focus [0-9.e+-]*' "$log" | awk '{print $2}' | sort -g |
    awk 'NR == 1 {low = $1} {high = $1} END {print low, high}')"
awk -v l="$low" -v h="$high" 'BEGIN {exit !(l > 0 && h > 5 * l)}' ||
    fail "the focus measure did not follow the sweep: $low to $high"
xdotool mousemove --window "$win" 940 555 click 1
ended_cleanly $pid EXIT
echo "scalebar_e2e: passed (focus $low to $high)"

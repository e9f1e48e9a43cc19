#!/usr/bin/env bash
# Runs the real VELDOR under Xvfb and unplugs and replugs its simulated camera by editing the
# camera description file as an editor does (a new file renamed over it): a picture before,
# the refusal with its message and no picture while unplugged, the live view back by itself
# and a picture again after, a second camera plugged in listed beside it; the program never
# stops.
set -u
veldor=$1
VELDOR_E2E_CAMERAS=$2
. "$(dirname "$0")/e2e-common.sh"

# A copy of the description that this run may edit.
cameras="$work/cameras.json"
cp "$2" "$cameras" || fail "no camera description"
export VELDOR_SIMULATED_CAMERAS="$cameras"
describe() { printf '%s\n' "$1" >"$cameras.new" && mv "$cameras.new" "$cameras"; }

"$veldor" >"$log" 2>&1 &
pid=$!
win=$(find_window "$title") || fail "main window never shown"
take_picture || fail "no picture before the unplug"

# Unplugged: the live view ends, Capture says so and writes nothing.
describe '[]'
wait_for 'logged "the live view ends: Orvane Q7 is not connected"' 30 || fail "the unplug was not seen"
before=$(ls "$images"/*.jpg | wc -l)
xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key a
box=$(find_window VELDOR) || fail "Capture showed no message"
logged "refused: The camera is not connected." || fail "not the unplugged camera's message"
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key Return
wait_for '[ -z "$(xdotool search --onlyvisible --name "^VELDOR\$" 2>/dev/null)" ]' ||
    fail "the message stayed"
[ "$(ls "$images"/*.jpg | wc -l)" = "$before" ] || fail "a picture was written without a camera"
kill -0 $pid 2>/dev/null || fail "the program ended"

# Plugged in again, with a second camera: the live view resumes and Capture works.
describe "$(sed 's/^\[/[{"name": "Spare Cam", "formats": [{"format": "YUY2", "width": 320, "height": 240}]},/' "$2")"
wait_for 'logged "the camera is back: Orvane Q7"' 30 || fail "the return was not seen"
logged "camera 1 new: Spare Cam" || fail "the second camera was not listed"
take_picture || fail "no picture after the camera came back"

xdotool mousemove --window "$win" 940 555 click 1
ended_cleanly $pid EXIT
grep -q '^Name=Orvane Q7' VELDOR.ini || fail "the running camera was switched"
echo "hotplug_e2e: passed"

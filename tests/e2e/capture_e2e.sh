#!/usr/bin/env bash
# Runs the real VELDOR under Xvfb with the simulated camera: the splash, the main window,
# a picture taken by a key press, full screen by clicks, a comment, a second start refused,
# EXIT, and the settings written.
set -u
veldor=$1
VELDOR_E2E_CAMERAS=$2
. "$(dirname "$0")/e2e-common.sh"

"$veldor" >"$log" 2>&1 &
first=$!
# The main window shows only after the splash (975 x 492) has closed.
wait_for '[ -n "$(sized 975x492)" ]' || fail "no splash"
xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 && fail "main window shown during the splash"
win=$(find_window "$title") || fail "main window never shown"
[ -z "$(sized 975x492)" ] || fail "the splash stayed"
grep -q '^date=[0-9]\{14\}$' VELDOR.ini || fail "no start-up date in VELDOR.ini"

# A key in live view takes a picture.
take_picture || fail "a key took no picture"
pictures=$(ls "$images"/*.jpg 2>/dev/null | wc -l)
[ "$pictures" = 1 ] || fail "expected one picture, found $pictures"
ls "$images"/*.ini >/dev/null 2>&1 || fail "no camera-settings file beside the picture"

# The visible VELDOR windows besides the main window.
other_windows() { xdotool search --onlyvisible --classname '^VELDOR$' 2>/dev/null | grep -vx "$win"; }

# A click on the live video fills the screen; a second click brings it back.
xdotool mousemove --window "$win" 500 250 click 1
wait_for '[ -n "$(sized 1280x1024)" ]' 30 || fail "the live video did not fill the screen"
xdotool mousemove --window "$(sized 1280x1024)" 300 300 click 1
wait_for '[ -z "$(sized 1280x1024)" ]' 30 || fail "a second click did not end full screen"

# A click on the first thumbnail shows the picture; a right click on it takes a comment,
# whose file holds the text and one NUL.
xdotool mousemove --window "$win" 250 540 click 1
wait_for 'logged "loadUSBProperty::$images/"' || fail "the thumbnail click showed no picture"
xdotool mousemove --window "$win" 500 250 click 3
wait_for '[ -n "$(other_windows)" ]' || fail "no comment dialog"
xdotool windowfocus --sync "$(other_windows | head -n1)" 2>/dev/null
xdotool type --delay 50 abc
xdotool key Return
wait_for 'ls "$images"/*.txt >/dev/null 2>&1' || fail "no comment file"
comment=$(ls "$images"/*.txt | head -n1)
[ "$(od -An -tx1 "$comment" | tr -d ' \n')" = "61626300" ] || fail "comment file holds $(od -An -tx1 "$comment")"

# A second start is refused with its message, without a second main window.
"$veldor" >"$work/second.log" 2>&1 &
second=$!
box=$(find_window VELDOR) || fail "the second start showed no message"
[ "$(xdotool search --onlyvisible --name "^$title\$" | wc -l)" = 1 ] || fail "two main windows"
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key Return
ended_cleanly $second "the message of the second start"

# EXIT ends the program and the camera's settings are stored.
xdotool mousemove --window "$win" 940 555 click 1
ended_cleanly $first EXIT
grep -q '^Name=Orvane Q7' VELDOR.ini || fail "camera name not stored"
echo "capture_e2e: passed"

#!/usr/bin/env bash
# Runs the real VELDOR under Xvfb with the simulated camera and a simulated camera button:
# CompView shows the newest picture of each folder side by side; the button's first press
# shows the live video, which a click makes fill the screen and a second click brings back;
# the next press takes a picture; RETURN goes back to the live main window, and EXIT in the
# compare window ends the program.
set -u
veldor=$1
VELDOR_E2E_CAMERAS=$2
. "$(dirname "$0")/e2e-common.sh"

top="$(cd "$(dirname "$0")/../.." && pwd)"
"$top/scripts/make-device-root" "$work/devices" >/dev/null || fail "no device tree"
export VELDOR_DEVICE_ROOT="$work/devices"

"$veldor" >"$log" 2>&1 &
pid=$!
win=$(find_window "$title") || fail "main window never shown"
wait_for 'logged "button: reading"' || fail "the button was not opened"
# Keep the button's node open: the button stays plugged in.
exec 4>"$work/devices/dev/hidraw0"

take_picture || fail "a key took no picture"
newest=$(ls "$images"/*.jpg | sort | tail -n1)

main_hidden() { [ -z "$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null)" ]; }
open_compare_window() {
    xdotool mousemove --window "$win" 940 515 click 1
    wait_for 'main_hidden && [ -n "$(sized 1024x620)" ]' || fail "no compare window"
    comp=$(sized 1024x620)
}
press_button() {
    local before
    before=$(grep -c "button: press" "$log")
    printf '\001\000' >&4
    wait_for '[ "$(grep -c "button: press" "$log")" -gt "$before" ]' || fail "the press was not read"
}

# Save and compare folder are one: both sides show the newest picture, and its settings are
# applied to the camera once it is shown.
open_compare_window
wait_for "logged \"loadUSBProperty::${newest%.jpg}.ini\"" || fail "the newest picture was not shown"

press_button
wait_for 'logged "compare window: live video"' || fail "the button did not show the live video"
# A click on the live video fills the screen; a click there brings it back into the window.
xdotool mousemove --window "$comp" 250 200 click 1
wait_for '[ -n "$(sized 1280x1024)" ]' 30 || fail "the live video did not fill the screen"
xdotool mousemove --window "$(sized 1280x1024)" 300 300 click 1
wait_for '[ -z "$(sized 1280x1024)" ]' 30 || fail "a click did not end full screen"
press_button
wait_for '[ "$(ls "$images"/*.jpg | wc -l)" = 2 ]' || fail "the button took no picture in the live state"

# RETURN: the live main window.
xdotool mousemove --window "$comp" 940 515 click 1
wait_for '! main_hidden' || fail "RETURN did not show the main window"
take_picture || fail "no picture in the main window after RETURN"

# EXIT in the compare window ends the program.
open_compare_window
xdotool mousemove --window "$comp" 940 555 click 1
ended_cleanly $pid EXIT
echo "compare_e2e: passed"

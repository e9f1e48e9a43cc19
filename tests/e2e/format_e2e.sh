#!/usr/bin/env bash
# Runs the real VELDOR under Xvfb with the simulated camera: VideoFormat opens the format
# dialog, a size chosen with the keyboard becomes the live size and the size of the next
# picture, and a restart keeps it.
set -u
veldor=$1
VELDOR_E2E_CAMERAS=$2
. "$(dirname "$0")/e2e-common.sh"

# "WIDTHxHEIGHT" of a baseline JPEG, from its start-of-frame segment.
jpeg_size() {
    od -An -v -tu1 "$1" | tr -s ' \n' '\n' | awk 'NF {
        b[n++] = $1 } END { for (i = 0; i + 8 < n; i++) if (b[i] == 255 && b[i + 1] == 192) {
        print b[i + 7] * 256 + b[i + 8] "x" b[i + 5] * 256 + b[i + 6]; exit } }'
}
# Takes a picture and prints its size.
picture_size() {
    take_picture || fail "a key took no picture"
    jpeg_size "$(ls -t "$images"/*.jpg | head -n1)"
}
start_veldor() {
    "$veldor" >>"$log" 2>&1 &
    pid=$!
    win=$(find_window "$title") || fail "main window never shown"
}
exit_veldor() {
    xdotool mousemove --window "$win" 940 555 click 1
    ended_cleanly $pid EXIT
}

start_veldor
[ "$(picture_size)" = "640x480" ] || fail "the first picture is not 640 x 480"

# VideoFormat opens the dialog with the list focused; Down and Enter choose 1280 x 720.
xdotool mousemove --window "$win" 915 215 click 1
dialog=$(find_window "Orvane Q7 Video Format") || fail "VideoFormat opened no dialog"
# Keys go to the focused window: a key sent to a window that closes on it would stay down.
xdotool windowfocus --sync "$dialog" 2>/dev/null
xdotool key Down Return
wait_for '! xdotool search --onlyvisible --name "^Orvane Q7 Video Format\$" >/dev/null 2>&1' 50 ||
    fail "Enter did not close the dialog"
stored() { grep -q '^Width=1280$' VELDOR.ini && grep -q '^Height=720$' VELDOR.ini; }
wait_for stored 50 || fail "size not stored: $(cat VELDOR.ini)"
size=$(picture_size)
[ "$size" = "1280x960" ] || fail "the picture after the change is $size, not 1280 x 960"
[ "$(ls "$images"/*.jpg | wc -l)" = 2 ] || fail "expected two pictures, found $(ls "$images"/*.jpg | wc -l)"

exit_veldor

# A restart keeps the size.
start_veldor
size=$(picture_size)
[ "$size" = "1280x960" ] || fail "after a restart the picture is $size, not 1280 x 960"
exit_veldor
echo "format_e2e: passed"

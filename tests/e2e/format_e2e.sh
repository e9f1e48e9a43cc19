#!/usr/bin/env bash
# Runs the real VELDOR under Xvfb with the simulated camera: VideoFormat opens the format
# dialog, a size chosen with the keyboard becomes the live size and the size of the next
# picture, and a restart keeps it.
set -u
veldor=$1
cameras=$2
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/home/Desktop" "$work/run" "$work/cwd"
chmod 700 "$work/run"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_DESKTOP_DIR="$work/home/Desktop"
export VELDOR_SIMULATED_CAMERAS="$cameras" QT_QPA_PLATFORM=xcb
unset QT_LOGGING_RULES
cd "$work/cwd"

exec 3<> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 50); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/displayfd")"

fail() { echo "FAIL: $*"; cat "$work/veldor.log" 2>/dev/null | tail -20; exit 1; }
title="VELDOR - v1.0b7"
images="$HOME/Desktop/VELDOR/images"

# Polls for a visible window with exactly this name; prints its id.
find_window() {
    for _ in $(seq 100); do
        local w
        w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}
# "WIDTHxHEIGHT" of a baseline JPEG, from its start-of-frame segment.
jpeg_size() {
    od -An -v -tu1 "$1" | tr -s ' \n' '\n' | awk 'NF {
        b[n++] = $1 } END { for (i = 0; i + 8 < n; i++) if (b[i] == 255 && b[i + 1] == 192) {
        print b[i + 7] * 256 + b[i + 8] "x" b[i + 5] * 256 + b[i + 6]; exit } }'
}
# Takes a picture with a key press and prints its size. Until the camera's first frame has
# reached the grabber a capture says so in a message box: that is answered and tried again.
take_picture() {
    local before count box
    before=$(ls "$images"/*.jpg 2>/dev/null | wc -l)
    for _ in $(seq 20); do
        xdotool windowfocus --sync "$win" 2>/dev/null
        xdotool key a
        for _ in $(seq 20); do
            count=$(ls "$images"/*.jpg 2>/dev/null | wc -l)
            if [ "$count" -gt "$before" ]; then
                jpeg_size "$(ls -t "$images"/*.jpg | head -n1)"
                return 0
            fi
            box=$(xdotool search --onlyvisible --name '^VELDOR$' 2>/dev/null | head -n1)
            if [ -n "$box" ]; then
                xdotool windowfocus --sync "$box" 2>/dev/null
                xdotool key Return
                break
            fi
            sleep 0.1
        done
    done
    return 1
}
start_veldor() {
    "$veldor" >>"$work/veldor.log" 2>&1 &
    pid=$!
    win=$(find_window "$title") || fail "main window never shown"
}
exit_veldor() {
    xdotool mousemove --window "$win" 940 555 click 1
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null && fail "EXIT did not end the program"
}

start_veldor
[ "$(take_picture)" = "640x480" ] || fail "the first picture is not 640 x 480"

# VideoFormat opens the dialog with the list focused; Down and Enter choose 1280 x 720.
xdotool mousemove --window "$win" 915 215 click 1
dialog=$(find_window "Orvane Q7 Video Format") || fail "VideoFormat opened no dialog"
# Keys go to the focused window: a key sent to a window that closes on it would stay down.
xdotool windowfocus --sync "$dialog" 2>/dev/null
xdotool key Down Return
for _ in $(seq 50); do xdotool search --onlyvisible --name "^Orvane Q7 Video Format\$" >/dev/null 2>&1 || break; sleep 0.1; done
xdotool search --onlyvisible --name "^Orvane Q7 Video Format\$" >/dev/null 2>&1 && fail "Enter did not close the dialog"
stored() { grep -q '^Width=1280$' VELDOR.ini && grep -q '^Height=720$' VELDOR.ini; }
for _ in $(seq 50); do stored && break; sleep 0.1; done
stored || fail "size not stored: $(cat VELDOR.ini)"
size=$(take_picture)
[ "$size" = "1280x960" ] || fail "the picture after the change is $size, not 1280 x 960"
[ "$(ls "$images"/*.jpg | wc -l)" = 2 ] || fail "expected two pictures, found $(ls "$images"/*.jpg | wc -l)"

exit_veldor

# A restart keeps the size.
start_veldor
size=$(take_picture)
[ "$size" = "1280x960" ] || fail "after a restart the picture is $size, not 1280 x 960"
exit_veldor
echo "format_e2e: passed"

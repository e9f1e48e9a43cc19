#!/usr/bin/env bash
# Runs the real VELDOR under Xvfb with the simulated camera: the splash, the main window,
# a picture taken by a key press, a second start refused, EXIT, and the settings written.
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

fail() { echo "FAIL: $*"; exit 1; }
title="VELDOR - v1.0b7"

"$veldor" >"$work/first.log" 2>&1 &
first=$!
# The main window shows only after the splash's 3 seconds.
sleep 1.5
xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 && fail "main window shown during the splash"
for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1)
    [ -n "$win" ] && break
    sleep 0.1
done
[ -n "${win:-}" ] || fail "main window never shown"
grep -q '^date=[0-9]\{14\}$' VELDOR.ini || fail "no start-up date in VELDOR.ini"

# A key in live view takes a picture.
sleep 1
xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key --window "$win" a
images="$HOME/Desktop/VELDOR/images"
for _ in $(seq 50); do ls "$images"/*.jpg >/dev/null 2>&1 && break; sleep 0.1; done
pictures=$(ls "$images"/*.jpg 2>/dev/null | wc -l)
[ "$pictures" = 1 ] || fail "expected one picture, found $pictures"
ls "$images"/*.ini >/dev/null 2>&1 || fail "no camera-settings file beside the picture"

# A click on the live video fills the screen; a second click brings it back.
screen_windows() {
    for w in $(xdotool search --onlyvisible --classname '^VELDOR$' 2>/dev/null); do
        xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 1280x1024' && echo "$w"
    done
}
xdotool mousemove --window "$win" 500 250 click 1
for _ in $(seq 30); do [ -n "$(screen_windows)" ] && break; sleep 0.1; done
full=$(screen_windows | head -n1)
[ -n "$full" ] || { for w in $(xdotool search --onlyvisible --name "" 2>/dev/null); do echo "$w [$(xdotool getwindowname $w)] $(xdotool getwindowgeometry $w | grep Geom)"; done; fail "the live video did not fill the screen"; }
xdotool mousemove --window "$full" 300 300 click 1
for _ in $(seq 30); do [ -z "$(screen_windows)" ] && break; sleep 0.1; done
[ -z "$(screen_windows)" ] || fail "a second click did not end full screen"

# A right click on the shown picture takes a comment: its file holds the text and one NUL.
sleep 0.6
xdotool mousemove --window "$win" 250 540 click 1
sleep 0.5
xdotool mousemove --window "$win" 500 250 click 3
sleep 0.8
xdotool type --delay 50 abc
xdotool key Return
comment=$(ls "$images"/*.txt 2>/dev/null | head -n1)
for _ in $(seq 30); do [ -n "$comment" ] && break; sleep 0.1; comment=$(ls "$images"/*.txt 2>/dev/null | head -n1); done
[ -n "$comment" ] || fail "no comment file"
[ "$(od -An -tx1 "$comment" | tr -d ' \n')" = "61626300" ] || fail "comment file holds $(od -An -tx1 "$comment")"
xdotool mousemove --window "$win" 500 250 click 1
sleep 0.3

# A second start is refused with its message, without a second main window.
"$veldor" >"$work/second.log" 2>&1 &
second=$!
for _ in $(seq 100); do
    box=$(xdotool search --onlyvisible --name '^VELDOR$' 2>/dev/null | head -n1)
    [ -n "$box" ] && break
    sleep 0.1
done
[ -n "${box:-}" ] || fail "the second start showed no message"
[ "$(xdotool search --onlyvisible --name "^$title\$" | wc -l)" = 1 ] || fail "two main windows"
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key --window "$box" Return
for _ in $(seq 50); do kill -0 $second 2>/dev/null || break; sleep 0.1; done
kill -0 $second 2>/dev/null && fail "the second start did not end"

# EXIT ends the program and the camera's settings are stored.
xdotool mousemove --window "$win" 940 555 click 1
for _ in $(seq 100); do kill -0 $first 2>/dev/null || break; sleep 0.1; done
kill -0 $first 2>/dev/null && fail "EXIT did not end the program"
grep -q '^Name=Orvane Q7' VELDOR.ini || fail "camera name not stored"
echo "capture_e2e: passed"

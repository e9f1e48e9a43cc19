#!/usr/bin/env bash
# Runs the real VELDOR under Xvfb with the simulated camera: MovieDlg, Start/Stop, Start/Stop
# gives a complete AVI file; still mode returns to the main window; MovieDlg again and EXIT
# ends the program.
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

fail() { echo "FAIL: $*"; cat "$work/veldor.log"; exit 1; }
# The visible window of a size: the main window is 1024x620, the movie window 820x540.
sized() {
    for w in $(xdotool search --onlyvisible --name "" 2>/dev/null); do
        xdotool getwindowgeometry "$w" 2>/dev/null | grep -q "Geometry: $1\$" && echo "$w"
    done | head -n1
}
wait_for() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done; return 1; }

"$veldor" >"$work/veldor.log" 2>&1 &
pid=$!
wait_for '[ -n "$(sized 1024x620)" ]' || fail "main window never shown"
main=$(sized 1024x620)
movies="$HOME/Desktop/VELDOR/movies"

open_movie_window() {
    xdotool mousemove --window "$main" 105 215 click 1
    wait_for '[ -n "$(sized 820x540)" ]' || fail "no movie window"
    [ -z "$(sized 1024x620)" ] || fail "the main window stayed in front"
    movie=$(sized 820x540)
}

open_movie_window
xdotool mousemove --window "$movie" 740 45 click 1
wait_for 'ls "$movies"/*.avi >/dev/null 2>&1' || fail "recording made no file"
file=$(ls "$movies"/*.avi | head -n1)
# Frames come from 2 s on; wait until some are in the file.
for _ in $(seq 100); do [ "$(stat -c %s "$file")" -gt 2000000 ] && break; sleep 0.1; done
xdotool mousemove --window "$movie" 740 45 click 1
for _ in $(seq 50); do grep -qa idx1 "$file" && break; sleep 0.1; done
[ "$(head -c 4 "$file")" = RIFF ] || fail "not a RIFF file"
[ "$(dd if="$file" bs=1 skip=8 count=4 2>/dev/null)" = "AVI " ] || fail "not an AVI file"
grep -qa idx1 "$file" || fail "the file was not completed (no index)"
[ "$(od -An -tu4 -j4 -N4 "$file" | tr -d ' ')" -eq $(($(stat -c %s "$file") - 8)) ] ||
    fail "the RIFF size is not the file's"

# Still mode returns to the live main window.
xdotool mousemove --window "$movie" 740 445 click 1
wait_for '[ -n "$(sized 1024x620)" ]' || fail "still mode did not return to the main window"
kill -0 $pid 2>/dev/null || fail "the program ended"

# EXIT in the movie window ends the program.
open_movie_window
xdotool mousemove --window "$movie" 740 495 click 1
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -0 $pid 2>/dev/null && fail "EXIT did not end the program"
echo "movie_e2e: passed"

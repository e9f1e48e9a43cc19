#!/usr/bin/env bash
# Runs the real VELDOR under Xvfb with the simulated camera: MovieDlg, Start/Stop, Start/Stop
# gives a complete AVI file; still mode returns to the main window; MovieDlg again and EXIT
# ends the program.
set -u
veldor=$1
VELDOR_E2E_CAMERAS=$2
. "$(dirname "$0")/e2e-common.sh"

"$veldor" >"$log" 2>&1 &
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
wait_for '[ "$(stat -c %s "$file")" -gt 2000000 ]' || fail "no frames reached the file"
xdotool mousemove --window "$movie" 740 45 click 1
wait_for 'grep -qa idx1 "$file"' 50
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
ended_cleanly $pid EXIT
echo "movie_e2e: passed"

# Shared by the end-to-end scripts: a private home, runtime folder and working folder, an Xvfb
# display of its own, and waits that poll a condition up to a deadline.
# Source it with VELDOR_E2E_CAMERAS set to the simulated camera description.
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 77; }

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/home/Desktop" "$work/run" "$work/cwd"
chmod 700 "$work/run"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_DESKTOP_DIR="$work/home/Desktop"
export VELDOR_SIMULATED_CAMERAS="$VELDOR_E2E_CAMERAS" QT_QPA_PLATFORM=xcb
# Trace lines go to the log, where the scripts wait for the steps they cannot see.
export QT_LOGGING_RULES="veldor.trace=true"
cd "$work/cwd" || exit 1

# -noreset: between two runs of the program the display has no client; a server that resets
# then refuses the next start's connection for a moment.
exec 3<> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
for _ in $(seq 50); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/displayfd")"

title="VELDOR - v1.0b7"
images="$HOME/Desktop/VELDOR/images"
log="$work/veldor.log"
: >"$log"

fail() { echo "FAIL: $*"; tail -n 30 "$log"; exit 1; }
# Polls the shell condition $1 every 0.1 s for at most $2 tenths of a second (default 10 s).
wait_for() {
    for _ in $(seq "${2:-100}"); do eval "$1" && return 0; sleep 0.1; done
    return 1
}
# Prints the id of a visible window with exactly this name, waiting for it.
find_window() {
    local name=$1 w=""
    wait_for 'w=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -n1); [ -n "$w" ]' &&
        echo "$w"
}
# Prints the id of the visible VELDOR window of this size ("1024x620").
sized() {
    for w in $(xdotool search --onlyvisible --classname "^VELDOR$" 2>/dev/null); do
        xdotool getwindowgeometry "$w" 2>/dev/null | grep -q "Geometry: $1\$" && echo "$w"
    done | head -n1
}
# True once the log holds a line with this fixed text.
logged() { grep -qF -- "$1" "$log"; }
# Takes a picture with a key press into window $win. Until the camera's first frame has reached
# the grabber a capture says so in a message box: that is answered and tried again.
take_picture() {
    local before count box
    before=$(ls "$images"/*.jpg 2>/dev/null | wc -l)
    for _ in $(seq 20); do
        xdotool windowfocus --sync "$win" 2>/dev/null
        xdotool key a
        for _ in $(seq 20); do
            count=$(ls "$images"/*.jpg 2>/dev/null | wc -l)
            [ "$count" -gt "$before" ] && return 0
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
# Waits until process $1 has ended.
ended() { wait_for "! kill -0 $1 2>/dev/null"; }
# Waits until process $1 has ended and checks its status, which in the sanitizer build also
# carries the sanitizers' verdict (a leak at exit, say).
ended_cleanly() {
    ended "$1" || fail "$2 did not end the program"
    wait "$1" || fail "VELDOR ended with status $?"
}

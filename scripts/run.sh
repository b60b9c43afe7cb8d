#!/usr/bin/env bash
# Starts the program on the given files, or on the sample logs without any.
# Without a display it runs the program under Xvfb and saves a screenshot
# (to MIRT_SCREENSHOT, or build/screenshot.png).
set -euo pipefail
build=${1:-build}
shift || true
cd "$(dirname "$0")/.."
program="$build/bin/MirtLogFileAnalyzer"

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
    files=(samples/*.log)
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program" "${files[@]}"
fi

# Headless: a virtual display, the program on it, and a picture of the screen.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
config=$(mktemp -d)
cleanup() {
    kill "${app:-}" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$config"
}
trap cleanup EXIT
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
done

# The headless picture shows the analysis panels too.
mkdir -p "$config/Quorvane"
printf '[General]\nShowActions=true\nShowTimeline=true\n' >"$config/Quorvane/MirtLogFileAnalyzer.conf"
echo "No display found: running on Xvfb :$display"
DISPLAY=":$display" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$config" "$program" "${files[@]}" &
app=$!
sleep "${MIRT_SCREENSHOT_DELAY:-3}"
if ! kill -0 "$app" 2>/dev/null; then
    echo "The program ended early" >&2
    exit 1
fi
picture=${MIRT_SCREENSHOT:-$build/screenshot.png}
DISPLAY=":$display" XDG_RUNTIME_DIR="$config" "$build/bin/screengrab" --crop "$picture"
echo "Screenshot of the window: $picture"

#!/usr/bin/env bash
# Start-up time (process start to window shown) and resident memory before
# the first run, with the engine started at the first navigation (as the
# program does) and, for comparison, at start-up. Five starts of each, in a
# virtual X display; /usr/bin/time -v reports the peak resident memory.
#   bench/startup.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time (package time)"; exit 1; }
display=":${BENCH_DISPLAY:-88}"
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
work="$(mktemp -d)"
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1
cp "$build/cerca-posizione" "$work/"

measure() {
    local label="$1"; shift
    for i in 1 2 3 4 5; do
        env DISPLAY="$display" CERCA_POSIZIONE_STARTUP_REPORT=1 "$@" \
            /usr/bin/time -v "$work/cerca-posizione" >"$work/out" 2>"$work/err" || true
        shown=$(sed -n 's/window shown \([0-9]*\) ms.*/\1/p' "$work/out")
        rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/err")
        echo "$label: window shown after ${shown} ms, peak resident ${rss} kB"
    done
}
measure "engine at first navigation"
measure "engine at start-up        " CERCA_POSIZIONE_ENGINE_AT_START=1

#!/usr/bin/env bash
# Start-up time (process start to window shown) and resident memory before
# the first run, with the engine started at the first navigation (as the
# program does) and, for comparison, at start-up and a bare Qt window
# (bench_bare_window). Five starts of each, in a
# virtual X display; /usr/bin/time -v reports the peak resident memory.
#   [STARTS=N] bench/startup.sh [BUILD_DIR]
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
cp "$build/bench/bench_bare_window" "$work/"

measure() {
    local label="$1" program="$work/$2"; shift 2
    for i in $(seq "${STARTS:-5}"); do
        env DISPLAY="$display" CERCA_POSIZIONE_STARTUP_REPORT=1 CERCA_POSIZIONE_LAUNCHED_NS="$(date +%s%N)" "$@" \
            /usr/bin/time -v "$program" >"$work/out" 2>"$work/err" || true
        shown=$(sed -n 's/window shown \([0-9.]*\) ms.*/\1/p' "$work/out")
        rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/err")
        echo "$label: window shown after ${shown} ms, peak resident ${rss} kB"
    done
}
measure "engine at first navigation" cerca-posizione
measure "engine at start-up        " cerca-posizione CERCA_POSIZIONE_ENGINE_AT_START=1
measure "a bare Qt window          " bench_bare_window

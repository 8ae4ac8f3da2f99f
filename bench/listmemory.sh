#!/usr/bin/env bash
# The program's own memory during a command-line list of 20 phrases against
# the local results service, without a display: its proportional set size
# (PSS, the browser's processes left out), sampled every half second; prints
# the first sample after the first phrase, the highest and the last.
#   bench/listmemory.sh [PROGRAM] [BUILD_DIR]
set -euo pipefail
. "$(dirname "$0")/listservice.sh" "${1:-}" "${2:-}" "$(cd "$(dirname "$0")/.." && pwd)/tools/demo-results.txt"
for i in $(seq 20); do echo "frase $i"; done >"$work/frasi.txt"
env -u DISPLAY -u QT_QPA_PLATFORM CERCA_POSIZIONE_HOST="127.0.0.1:$port" \
    "$work/cerca-posizione" --elenco "$work/frasi.txt" --frammento velmora --pagine 1 --pausa 5 >"$work/out" 2>&1 &
pid=$!
first=0 peak=0 last=0
while kill -0 "$pid" 2>/dev/null; do
    pss=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
    if [ "${pss:-0}" -gt 0 ]; then
        last=$pss
        [ "$pss" -gt "$peak" ] && peak=$pss
        [ "$first" -eq 0 ] && [ "$(grep -c . "$work/out")" -ge 1 ] && first=$pss
    fi
    sleep 0.5
done
wait "$pid" || true
echo "$(grep -c posizione\\\|trovato "$work/out") phrases printed"
echo "PSS after the first phrase ${first} kB, highest ${peak} kB, last ${last} kB"

#!/usr/bin/env bash
# A 5 x 5 grid against the local results service, with the pauses shortened
# to about 100 ms: the time a point takes beyond its pauses, and the picture.
#   bench/grid.sh [PROGRAM [BUILD_DIR]]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
catalogue="$(mktemp)"
# The demo's plumbers, without the consent page a command line cannot answer.
grep -v '^@consent' "$root/tools/demo-today.txt" >"$catalogue"
. "$root/bench/listservice.sh" "${1:-}" "${2:-}" "$catalogue"
pause=100
start=$(date +%s%N)
HOME="$work/home" CERCA_POSIZIONE_HOST="127.0.0.1:$port" CERCA_POSIZIONE_PAUSA_DI_PROVA_MS=$pause \
    "$work/cerca-posizione" --griglia 5 --centro 45.4642,9.1900 --passo 0.5 --frase "idraulico milano" \
    --frammento velmora --pagine 2 >"$work/out.txt"
end=$(date +%s%N)
cat "$work/out.txt"
pages=$(grep -c ' /search' "$work/service.log" || true)
total_ms=$(( (end - start) / 1000000 ))
# The pauses' means: one between points, one between a point's pages.
pauses_ms=$(( 24 * pause + (pages - 25) * pause ))
echo "25 punti, $pages pagine, ${total_ms} ms in tutto, pause ~${pauses_ms} ms;" \
     "per punto oltre le pause: $(( (total_ms - pauses_ms) / 25 )) ms"
[ -z "${GRID_PICTURE_COPY:-}" ] || cp "$work"/Griglia-*.png "$GRID_PICTURE_COPY"
rm -f "$catalogue"

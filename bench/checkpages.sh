#!/usr/bin/env bash
# A command-line list of 200 phrases against the local results service
# limiting it to 6 searches a minute with 2-minute blocks, its time scaled
# down by SCALE (the pauses through the tests' own variable, the limit and
# the block in whole seconds): the list's time against the least the limit
# allows (200 / 6 minutes, scaled), the check pages met, and the pace the
# list ended with. The pace starts at --pausa PAUSE (10: the limit's own
# rate) and learns; the first wait after a check page is the block's length.
# LISTS lists run one after the other in the same data folder, against the
# same service, as next week's list starts from the pace the last one kept.
#   bench/checkpages.sh [PROGRAM] [BUILD_DIR] [SCALE] [PAUSE] [LISTS]
# SCALE 0.05 (the default): 6 searches in 3 s, 6 s blocks, 0.5 s for 10 s.
set -euo pipefail
scale="${3:-0.05}"
pause="${4:-10}"
phrases=200
window=$(awk -v s="$scale" 'BEGIN { printf "%d", 60 * s + 0.5 }')
block=$(awk -v s="$scale" 'BEGIN { printf "%d", 120 * s + 0.5 }')
pause_ms=$(awk -v s="$scale" -v p="$pause" 'BEGIN { printf "%d", p * 1000 * s + 0.5 }')
catalogue="$(mktemp)"
printf '@limite 6 %s %s\n' "$window" "$block" >"$catalogue"
. "$(dirname "$0")/listservice.sh" "${1:-}" "${2:-}" "$catalogue"
rm -f "$catalogue"
for i in $(seq "$phrases"); do echo "frase $i"; done >"$work/frasi.txt"
least=$(awk -v p="$phrases" -v w="$window" 'BEGIN { printf "%.0f", p / 6 * w }')
for list in $(seq "${5:-1}"); do
    served=$(grep -c '/sorry/index' "$work/service.log" || true)
    start=$(date +%s.%N)
    env -u DISPLAY -u QT_QPA_PLATFORM CERCA_POSIZIONE_HOST="127.0.0.1:$port" CERCA_POSIZIONE_PAUSA_DI_PROVA_MS="$pause_ms" \
        "$work/cerca-posizione" --elenco "$work/frasi.txt" --frammento velmora --pagine 1 --pausa "$pause" \
        --pausa-verifica 120 >"$work/out" 2>"$work/err" || echo "exit status $?"
    end=$(date +%s.%N)
    echo "list $list: $(grep -c 'trovato\|posizione' "$work/out") phrases printed;" \
        "$(( $(grep -c '/sorry/index' "$work/service.log" || true) - served )) check pages served"
    tail -n 1 "$work/out"
    awk -v a="$start" -v b="$end" -v l="$least" 'BEGIN { printf "time %.0f s, least the limit allows %d s: %.2f times\n", b - a, l, (b - a) / l }'
done

# Sourced by the list benchmarks: the program copied to a folder of its own
# ($work, removed at the end) and the local results service started on a
# free port ($port) with a catalogue, its log in $work/service.log.
#   . bench/listservice.sh PROGRAM BUILD_DIR CATALOGUE
# PROGRAM and BUILD_DIR may be empty: build/cerca-posizione and build/.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${2:-$root/build}"
program="${1:-$build/cerca-posizione}"
if [ ! -x "$build/tools/cerca-risultati" ]; then
    echo "no $build/tools/cerca-risultati: build the target cerca-risultati" >&2
    exit 1
fi
work="$(mktemp -d)"
service=""
trap '[ -z "$service" ] || kill "$service" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$program" "$work/cerca-posizione"
port=$((20000 + RANDOM % 20000))
"$build/tools/cerca-risultati" "$port" "$3" >"$work/service.log" 2>&1 &
service=$!
sleep 0.5

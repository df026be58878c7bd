#!/usr/bin/env bash
# The package on an office file share against the same package on local disk, side by side
# in one run, on the 50000-student sample (or $STUDENTS) in its Access form:
#   - on the share model (zol_share_fs: $LATENCY_US per read request, $MBIT link, nothing
#     cached on the client): cp of the file (the reference), the first report with an empty
#     cache, the same report again, a list statement (zol5300 sql), and the window's
#     start-up with a filled cache and a list statement inside the window
#     (window_start_bench);
#   - on local disk: the first and the repeated report on the Access form, and the repeated
#     report on the SQLite form.
# Each timed case runs $ROUNDS times (default 3), median shown, with the bytes of ZOL.mdb that
# reached the share.
#   bench/share_bench.sh [WORKDIR]   needs java (default-jre-headless) to make the Access form
#   with ../shared/tools/sqlite2mdb; WORKDIR keeps both forms for a later run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
tools=${SQLITE2MDB:-$here/../shared/tools/sqlite2mdb}
students=${STUDENTS:-50000}
rounds=${ROUNDS:-3}
latency=${LATENCY_US:-300}
mbit=${MBIT:-1000}
work=${1:-$(mktemp -d /tmp/zol_share_bench_XXXXXX)}
cmake --build "$build" -j2 --target zol5300 zol_share_fs window_start_bench >/dev/null
zol=$build/zol5300
mkdir -p "$work"
if [ ! -f "$work/sq/mdb/ZOL.mdb" ]; then
  "$zol" sampledb "$work/sq" --students "$students" --seed 1 >/dev/null
fi
if [ ! -f "$work/jet/mdb/ZOL.mdb" ]; then
  mkdir -p "$work/jet/mdb" "$work/jet/rpt"
  "$tools/sqlite2mdb" --types "$tools/zol.types" -q "$work/sq/mdb/ZOL.mdb" "$work/jet/mdb/ZOL.mdb"
fi
mkdir -p "$work/sq/rpt" "$work/jet/rpt" "$work/mnt"
size=$(stat -c %s "$work/jet/mdb/ZOL.mdb")

"$build/zol_share_fs" "$work/jet" "$work/mnt" -f --latency-us "$latency" \
  --bandwidth-mbit "$mbit" 2>/dev/null &
daemon=$!
trap 'fusermount3 -u -z "$work/mnt" 2>/dev/null; kill $daemon 2>/dev/null; wait $daemon 2>/dev/null' EXIT
for _ in $(seq 100); do [ -r "$work/mnt/.share-stats" ] && break; sleep 0.1; done

share_bytes() { awk '$3 == "mdb/ZOL.mdb" { print $1 }' "$work/mnt/.share-stats" | head -n 1; }
share_requests() { awk '$3 == "mdb/ZOL.mdb" { print $2 }' "$work/mnt/.share-stats" | head -n 1; }
# label, setup command ("" for none), command...: median wall time and share bytes per run
case_() {
  local label=$1 setup=$2; shift 2
  local times=() b0 b1 r0 r1
  b0=$(share_bytes); b0=${b0:-0}
  r0=$(share_requests); r0=${r0:-0}
  for _ in $(seq "$rounds"); do
    [ -n "$setup" ] && eval "$setup"
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s.%N)
    times+=("$(echo "$t1 - $t0" | bc)")
  done
  b1=$(share_bytes); b1=${b1:-0}
  r1=$(share_requests); r1=${r1:-0}
  local med
  med=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (rounds + 1) / 2 ))p")
  printf '%-48s %8.3f s  %11.0f bytes in %6.0f requests read from the share per run\n' \
    "$label" "$med" "$(echo "($b1 - $b0) / $rounds" | bc -l)" \
    "$(echo "($r1 - $r0) / $rounds" | bc -l)"
}

one=(--tranday 113/09/10)
export XDG_CACHE_HOME=$work/cache
echo "ZOL.mdb: $(echo "$size / 1000000" | bc -l | cut -c1-6) MB; share: ${latency} us a request, ${mbit} Mbit/s"
case_ "cp of the file off the share (reference)" "" cp "$work/mnt/mdb/ZOL.mdb" "$work/copy.mdb"
rm -f "$work/copy.mdb"
case_ "share: first report (empty cache)" 'rm -rf "$XDG_CACHE_HOME"' \
  "$zol" report "$work/mnt" "${one[@]}"
case_ "share: the same report again" "" "$zol" report "$work/mnt" "${one[@]}"
case_ "share: one list statement (zol5300 sql)" "" "$zol" sql "$work/mnt/mdb/ZOL.mdb" \
  "select distinct TranDay from ZOL10_Agency where PayStas = -1 order by TranDay desc"
w0=$(share_bytes)
echo "share: the window (cache filled):"
QT_QPA_PLATFORM=offscreen "$build/window_start_bench" "$work/mnt" --reps "$rounds" 2>/dev/null |
  sed 's/^/  /'
echo "  bytes read from the share by $((rounds + 1)) start-ups and $((rounds * 4 + 1)) list statements: $(( $(share_bytes) - w0 ))"
case_ "local: first report, Access form (empty cache)" 'rm -rf "$XDG_CACHE_HOME"' \
  "$zol" report "$work/jet" "${one[@]}"
case_ "local: the same report again, Access form" "" "$zol" report "$work/jet" "${one[@]}"
case_ "local: the same report, SQLite form" "" "$zol" report "$work/sq" "${one[@]}"

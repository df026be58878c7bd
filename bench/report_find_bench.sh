#!/usr/bin/env bash
# Find in the preview on the all-dates report of a 50000-student sample (or $STUDENTS):
# writes the sample and the report over every collection date, then runs report_find_bench
# on it (a text of the last page only, found from page 1; see bench/report_find_bench.cpp).
#   bench/report_find_bench.sh [WORKDIR]   WORKDIR keeps the sample for a later run
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
zol=$build/zol5300
students=${STUDENTS:-50000}
work=${1:-$(mktemp -d /tmp/zol_find_bench_XXXXXX)}
mkdir -p "$work"

if [ ! -f "$work/sq/mdb/ZOL.mdb" ]; then
  "$zol" sampledb "$work/sq" --students "$students" --seed 1 >/dev/null
fi
roc() { local y=${1:0:4}; printf '%03d/%s/%s' $((10#$y - 1911)) "${1:5:2}" "${1:8:2}"; }
dates=$("$zol" sql "$work/sq/mdb/ZOL.mdb" \
  "select distinct TranDay from ZOL10_Agency where PayStas = -1 order by TranDay")
"$zol" report "$work/sq" --tranday "$(roc "$(echo "$dates" | head -n 1)")" \
  --tranday2 "$(roc "$(echo "$dates" | tail -n 1)")" 2>/dev/null
"$build/report_find_bench" "$work/sq" --reps "${ROUNDS:-5}"

#!/usr/bin/env bash
# The workbook against the text report of the same run, side by side: `zol5300 report` over
# all collection dates of a sample package of 50000 students (seed 1), written once as the
# report file and once with --xlsx, alternating, REPS times each (default 3). Prints the
# median wall time, CPU time (user + sys) and peak RSS of each and their ratios (targets:
# time <= 1.5, memory <= 1).
#   bench/xlsx_bench.sh [STUDENTS] [REPS]     uses $BUILD_DIR (default build/)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
students=${1:-50000}
reps=${2:-3}
cmake --build "$build" -j2 --target zol5300 >/dev/null
zol=$build/zol5300
work=$(mktemp -d /tmp/zol_xlsx_bench_XXXXXX)
trap 'rm -rf "$work"' EXIT

"$zol" sampledb "$work/pkg" --students "$students" --seed 1 >/dev/null
dates=$("$zol" sql "$work/pkg/mdb/ZOL.mdb" \
  "select distinct TranDay from ZOL10_Agency where PayStas = -1 order by TranDay")
roc() { local y=${1:0:4}; printf '%03d/%s/%s' $((10#$y - 1911)) "${1:5:2}" "${1:8:2}"; }
run=(report "$work/pkg" --tranday "$(roc "$(echo "$dates" | head -n 1)")"
     --tranday2 "$(roc "$(echo "$dates" | tail -n 1)")")

measure() {  # label, extra arguments: appends "wall_s peak_kB cpu_s" to $work/label
  /usr/bin/time -f "%e %M %U %S" -o "$work/t" "$zol" "${run[@]}" "${@:2}"
  awk '{printf "%s %s %.2f\n", $1, $2, $3 + $4}' "$work/t" >> "$work/$1"
}
for ((i = 0; i < reps; i++)); do
  measure text
  measure xlsx --xlsx "$work/run.xlsx"
done
for k in text xlsx; do echo "$k runs (wall s, peak kB, cpu s): $(tr "\n" " " < "$work/$k")"; done
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
for k in text xlsx; do
  read -r "${k}_wall" < <(cut -d' ' -f1 "$work/$k" | median)
  read -r "${k}_mem" < <(cut -d' ' -f2 "$work/$k" | median)
  read -r "${k}_cpu" < <(cut -d' ' -f3 "$work/$k" | median)
done
printf 'students %s, %s runs each; report file %s bytes, workbook %s bytes\n' "$students" "$reps" \
  "$(stat -c %s "$work/pkg/rpt/rep_5300.TXT")" "$(stat -c %s "$work/run.xlsx")"
printf 'text report: wall %6.2f s  cpu %6.2f s  peak RSS %8d kB\n' "$text_wall" "$text_cpu" "$text_mem"
printf -- '--xlsx     : wall %6.2f s  cpu %6.2f s  peak RSS %8d kB\n' "$xlsx_wall" "$xlsx_cpu" "$xlsx_mem"
awk -v a="$xlsx_wall" -v b="$text_wall" -v c="$xlsx_mem" -v d="$text_mem" \
  -v e="$xlsx_cpu" -v f="$text_cpu" \
  'BEGIN {printf "ratio xlsx/text: time %.2f (target <= 1.5), cpu %.2f, peak memory %.3f (target <= 1.0)\n", a / b, e / f, c / d}'

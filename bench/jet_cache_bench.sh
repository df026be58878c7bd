#!/usr/bin/env bash
# The package on its Access form against its SQLite form, side by side in one run, on a
# sample of 50000 students (or $STUDENTS):
#   - zol5300 report, one collection date: SQLite form, Access form with the cache filled,
#     and the sqlite3 shell running the two translated statements of that run;
#   - the first run on the Access form (empty cache) against mdb-export of the tables that
#     run reads, one after another;
#   - peak resident memory of the report over all collection dates on both forms.
# The timed cases run $ROUNDS times (default 5) in turn with the others; their medians are
# compared. The all-dates reports run once.
#   bench/jet_cache_bench.sh [WORKDIR]   needs java (default-jre-headless) for the Access
#   form, made by ../shared/tools/sqlite2mdb; WORKDIR keeps both forms for a later run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
zol=${ZOL5300:-$build/zol5300}
tools=${SQLITE2MDB:-$here/../shared/tools/sqlite2mdb}
students=${STUDENTS:-50000}
rounds=${ROUNDS:-5}
work=${1:-$(mktemp -d /tmp/zol_jet_bench_XXXXXX)}
mkdir -p "$work"
export XDG_CACHE_HOME=$work/cache

if [ ! -f "$work/sq/mdb/ZOL.mdb" ]; then
  "$zol" sampledb "$work/sq" --students "$students" --seed 1 >/dev/null
fi
if [ ! -f "$work/jet/mdb/ZOL.mdb" ]; then
  mkdir -p "$work/jet/mdb" "$work/jet/rpt"
  "$tools/sqlite2mdb" --types "$tools/zol.types" -q "$work/sq/mdb/ZOL.mdb" "$work/jet/mdb/ZOL.mdb"
fi

roc() { local y=${1:0:4}; printf '%03d/%s/%s' $((10#$y - 1911)) "${1:5:2}" "${1:8:2}"; }
dates=$("$zol" sql "$work/sq/mdb/ZOL.mdb" \
  "select distinct TranDay from ZOL10_Agency where PayStas = -1 order by TranDay")
oldest=$(roc "$(echo "$dates" | head -n 1)")
newest=$(roc "$(echo "$dates" | tail -n 1)")
one=(--tranday 113/09/10)
all=(--tranday "$oldest" --tranday2 "$newest")

# The two statements of the one-date run, translated, for the sqlite3 shell.
"$zol" report "$work/sq" "${one[@]}" --sql > "$work/access.sql"
while IFS= read -r stmt; do
  echo "$("$zol" sql "$work/sq/mdb/ZOL.mdb" --translate "$stmt");"
done < "$work/access.sql" > "$work/sqlite.sql"

# The tables the first run reads, as the cache holds them after it.
rm -rf "$XDG_CACHE_HOME"
"$zol" report "$work/jet" "${one[@]}" >/dev/null
tables=$(for f in "$XDG_CACHE_HOME"/zol5300/*/*.sqlite; do
    sqlite3 "$f" "select table_name from zol_cache_meta"
  done)
jet_tables=$(mdb-tables -1 "$work/jet/mdb/ZOL.mdb")
export_list=()
for t in $tables; do
  export_list+=("$(echo "$jet_tables" | grep -ix "$t")")
done

timed() {  # label, command...: appends "label wall cpu rss" to the results
  local label=$1; shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>&1
  read -r wall user sys rss < "$work/time"
  echo "$label $wall $(echo "$user + $sys" | bc) $rss" >> "$work/results"
}
export_list_text="${export_list[*]}"

: > "$work/results"
for _ in $(seq "$rounds"); do
  timed sqlite_one "$zol" report "$work/sq" "${one[@]}"
  timed jet_cached_one "$zol" report "$work/jet" "${one[@]}"
  timed sqlite3_shell sqlite3 "$work/sq/mdb/ZOL.mdb" ".read $work/sqlite.sql"
  rm -rf "$XDG_CACHE_HOME"
  timed jet_first_one "$zol" report "$work/jet" "${one[@]}"
  timed mdb_export bash -c "for t in $export_list_text; do mdb-export '$work/jet/mdb/ZOL.mdb' \$t; done"
done
# Memory needs no repeating: the report over all dates once on each form.
timed sqlite_all "$zol" report "$work/sq" "${all[@]}"
timed jet_cached_all "$zol" report "$work/jet" "${all[@]}"
cmp "$work/sq/rpt/rep_5300.TXT" "$work/jet/rpt/rep_5300.TXT" && echo "all-dates reports: identical"

median() {  # label, field (2 wall, 3 cpu, 4 rss)
  awk -v l="$1" -v f="$2" '$1 == l { print $f }' "$work/results" | sort -g |
    awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
ratio() { echo "scale=3; $1 / $2" | bc; }
echo "tables read by the first run: ${export_list[*]}"
printf '%-16s %8s %8s %10s\n' case wall_s cpu_s peak_kB
for l in sqlite_one jet_cached_one sqlite3_shell jet_first_one mdb_export sqlite_all jet_cached_all; do
  printf '%-16s %8s %8s %10s\n' "$l" "$(median $l 2)" "$(median $l 3)" "$(median $l 4)"
done
echo "Access cached / SQLite, one date:  wall $(ratio "$(median jet_cached_one 2)" "$(median sqlite_one 2)")  cpu $(ratio "$(median jet_cached_one 3)" "$(median sqlite_one 3)")  (at most 1.2)"
echo "Access first run / mdb-export:     wall $(ratio "$(median jet_first_one 2)" "$(median mdb_export 2)")  (at most 0.6)"
echo "SQLite one date / sqlite3 shell:   wall $(ratio "$(median sqlite_one 2)" "$(median sqlite3_shell 2)")  cpu $(ratio "$(median sqlite_one 3)" "$(median sqlite3_shell 3)")  (at most 1.15)"
echo "peak RSS all dates: SQLite $(median sqlite_all 4) kB, Access $(median jet_cached_all 4) kB  (at most 100 MB)"

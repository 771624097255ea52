#!/bin/sh
# Whole-process comparison with hyperfine: the built-in build run against its floor
# (bench/percorso_floor: the run's own file operations on bytes it already holds) and
# against cp of its output files; the maximal compile against cp of its files; and the
# peak resident memory of each run (GNU time).
#
#   bench/bench_run.sh BUILD_DIR
#
# BUILD_DIR holds the percorso executable, bench/percorso_maxscenario and
# bench/percorso_floor. Work files go to
# BUILD_DIR/bench-run. RUNS and WARMUP set hyperfine's run counts.
set -eu

build=$(cd "$1" && pwd)
runs=${RUNS:-40}
warmup=${WARMUP:-5}
exe=$build/percorso
tool=$build/bench/percorso_maxscenario
floor_exe=$build/bench/percorso_floor
work=$build/bench-run
line=Linea_Massima
train=999

rm -rf "$work"
mkdir -p "$work/builtin" "$work/builtin-files" "$work/max" "$work/max-files" "$work/floor-run"

# The built-in build run works in the directory of its executable.
cp "$exe" "$work/builtin/percorso"
"$work/builtin/percorso" >/dev/null
if [ ! -f "$work/builtin/Valdoro_Ostrano_55.dat" ]; then
  echo "bench-run: the built-in build run left no compiled files" >&2
  exit 1
fi
builtin_outputs=$(cd "$work/builtin" && ls | grep -v '^percorso$' | tr '\n' ' ')
(cd "$work/builtin" && cp $builtin_outputs "$work/builtin-files/")
# The floor writes what the run writes, in its order: the two texts (exported, the same
# bytes the run writes and deletes), the three crew documents, the three compiled files.
mkdir "$work/builtin-texts"
"$exe" export --dir "$work/builtin-texts" >/dev/null
b=Valdoro_Ostrano
floor_order="$work/builtin-texts/${b}_linea.txt $work/builtin-texts/${b}_55-.txt
  $work/builtin-files/${b}_55_note.txt $work/builtin-files/${b}_55_rallentamenti.txt
  $work/builtin-files/${b}_55_scheda_treno.txt $work/builtin-files/${b}_linea.dat
  $work/builtin-files/${b}_55.sim $work/builtin-files/${b}_55.dat"
for f in $floor_order; do
  [ -f "$f" ] || { echo "bench-run: $f is missing: the floor needs every file of the run" >&2; exit 1; }
done
floor_order=$(echo $floor_order)

# The maximal scenario: its two texts, compiled by `percorso compile` when the executable
# has that command, otherwise by the bench driver; the texts are kept between runs.
"$tool" write "$work/max"
if "$exe" compile --help >/dev/null 2>&1; then
  max_compile="$exe compile --dir $work/max --line $line --train $train"
else
  max_compile="$tool compile $work/max"
fi
$max_compile >/dev/null 2>&1 || { echo "bench-run: the maximal scenario does not compile" >&2; exit 1; }
max_outputs="${line}_linea.dat ${line}_${train}.sim ${line}_${train}.dat"
(cd "$work/max" && cp $max_outputs "$work/max-files/")

# Commands run without a shell (-N), so that a run of a few milliseconds is not measured
# against the noise of starting one; the preparations reset the output directories.
builtin_files=$(for f in $builtin_outputs; do printf '%s ' "$work/builtin-files/$f"; done)
max_files=$(for f in $max_outputs; do printf '%s ' "$work/max-files/$f"; done)

hyperfine -N --style basic --warmup "$warmup" --runs "$runs" \
  --export-csv "$work/builtin.csv" \
  -n "built-in build run" --prepare "sh -c 'cd $work/builtin && rm -f $builtin_outputs'" \
  "$work/builtin/percorso" \
  -n "built-in floor" --prepare "sh -c 'cd $work/floor-run && rm -f $builtin_outputs'" \
  "$floor_exe $work/floor-run $floor_order" \
  -n "built-in copy floor" --prepare "sh -c 'rm -rf $work/floor && mkdir $work/floor'" \
  "cp $builtin_files $work/floor/"

hyperfine -N --style basic --warmup "$warmup" --runs "$runs" \
  --export-csv "$work/max.csv" \
  -n "maximal compile" --prepare "sh -c 'cd $work/max && rm -f $max_outputs'" \
  "$max_compile" \
  -n "maximal copy floor" --prepare "sh -c 'rm -rf $work/floor && mkdir $work/floor'" \
  "cp $max_files $work/floor/"

# Peak resident set size in MB, from GNU time's report.
peak_mb() {
  /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>&1
  awk -F: '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/time.txt"
}
builtin_rss=$(peak_mb "$work/builtin/percorso")
max_rss=$(peak_mb $max_compile)

# Median seconds of row $2 (1 = the run, 2 and on = its floors) in hyperfine's CSV export.
median() { awk -F, -v row="$2" 'NR == row + 1 { print $4 }' "$1"; }
report() {
  awk -v name="$1" -v run="$2" -v what="$3" -v floor="$4" -v rss="$5" -v bytes="$6" 'BEGIN {
    printf "%-22s median %8.2f ms   %-10s %8.2f ms   ratio %5.2f   peak RSS %6.1f MB   writes %6.2f MB\n",
      name, run * 1000, what, floor * 1000, run / floor, rss, bytes / 1e6 }'
}
builtin_bytes=$(cd "$work/builtin-files" && cat * | wc -c)
max_bytes=$(cd "$work/max-files" && cat * | wc -c)
echo
echo "Whole process, medians of $runs runs (targets: built-in <= 1.2 x its floor; maximal < 60 ms, peak RSS < 64 MB)"
report "built-in build run" "$(median "$work/builtin.csv" 1)" "floor" "$(median "$work/builtin.csv" 2)" \
  "$builtin_rss" "$builtin_bytes"
report "built-in build run" "$(median "$work/builtin.csv" 1)" "cp floor" "$(median "$work/builtin.csv" 3)" \
  "$builtin_rss" "$builtin_bytes"
report "maximal compile" "$(median "$work/max.csv" 1)" "cp floor" "$(median "$work/max.csv" 2)" \
  "$max_rss" "$max_bytes"

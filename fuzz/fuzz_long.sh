#!/bin/bash
# The long fuzzing run: every libFuzzer target of a fuzz build for SECONDS with its corpus
# and dictionary, PARALLEL targets at a time (default: one per core), while the kill test
# of the release build runs long beside them.
#
#   fuzz/fuzz_long.sh FUZZ_BUILD_DIR RELEASE_BUILD_DIR SECONDS KILL_ROUNDS [PARALLEL]
#
# Each target starts from its seeds in fuzz/corpus/<target>/ and from what earlier long
# runs found in FUZZ_BUILD_DIR/long/corpus/<target>/ (kept between runs, outside the
# repository). An input that crashes, hangs or runs out of memory is copied into
# fuzz/corpus/<target>/ as found-<kind>-<sha1>, so that it stays a regression case once
# fixed, and the run fails. The figures of every target go to FUZZ_BUILD_DIR/long/
# summary.txt: executions, executions a second, coverage (cov: edges, ft: features), and
# what was found.
set -u

fuzz_build=$(cd "$1" && pwd)
release_build=$(cd "$2" && pwd)
seconds=$3
kill_rounds=$4
parallel=${5:-$(nproc)}
source=$(cd "$(dirname "$0")/.." && pwd)
long=$fuzz_build/long
mkdir -p "$long/corpus" "$long/artifacts" "$long/logs"

# The kill test, long, beside the fuzzing.
PERCORSO_KILL_ROUNDS=$kill_rounds "$release_build/percorso_tests" \
  --gtest_filter='KillSafety.*' > "$long/logs/kill_safety.log" 2>&1 &
kill_pid=$!

summary=$long/summary.txt
rows=$long/rows
rm -rf "$rows"
mkdir -p "$rows"

# Runs one target and writes its row of the summary to $rows/<target>; an input that
# crashes, hangs or runs out of memory is kept as a regression case and marks the row.
run_target() {
  local exe=$1 name seeds corpus artifacts log dict status execs rate cov ft found a kind keep
  name=$(basename "$exe")
  seeds=$source/fuzz/corpus/$name
  corpus=$long/corpus/$name
  artifacts=$long/artifacts/$name
  log=$long/logs/$name.log
  mkdir -p "$corpus" "$artifacts"
  dict=$source/fuzz/$(echo "$name" | sed 's/_long_fuzz$/_fuzz/').dict
  set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
         -artifact_prefix="$artifacts/"
  [ -f "$dict" ] && set -- "$@" -dict="$dict"
  "$exe" "$@" "$corpus" "$seeds" > "$log" 2>&1
  status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  found=none
  for a in "$artifacts"/*; do
    [ -f "$a" ] || continue
    kind=$(basename "$a" | cut -d- -f1)
    keep=$seeds/found-$kind-$(sha1sum "$a" | cut -c1-12)
    cp "$a" "$keep" && rm "$a"
    found="$found $(basename "$keep")"
  done
  [ "$found" = none ] || found=${found#none }
  if [ "$status" != 0 ] && [ "$found" = none ]; then found="exit status $status (see $log)"; fi
  printf '%-22s %14s %10s %8s %8s  %s\n' "$name" "${execs:-?}" "${rate:-?}" "${cov:-?}" \
    "${ft:-?}" "$found" > "$rows/$name"
}

# The targets running, by process id: a new one starts when one of them ends.
declare -A running=()
for exe in "$fuzz_build"/fuzz/*_fuzz; do
  [ -x "$exe" ] || continue
  if [ "${#running[@]}" -ge "$parallel" ]; then
    wait -n -p ended "${!running[@]}"
    unset "running[$ended]"
  fi
  run_target "$exe" &
  running[$!]=1
done
[ "${#running[@]}" = 0 ] || wait "${!running[@]}"

printf '%-22s %14s %10s %8s %8s  %s\n' target executions exec/s cov ft found > "$summary"
failed=0
total=0
for row in "$rows"/*; do
  cat "$row" >> "$summary"
  set -- $(cat "$row")
  case "$2" in *[!0-9]*|'') failed=1 ;; *) total=$((total + $2)) ;; esac
  [ "$6" = none ] || failed=1
done
echo "executions in all: $total" >> "$summary"

wait "$kill_pid"
kill_status=$?
kill_line=$(grep -E 'rounds over' "$long/logs/kill_safety.log" | tail -1)
echo "kill test ($kill_rounds rounds): ${kill_line:-no summary} status $kill_status" >> "$summary"
[ "$kill_status" = 0 ] || failed=1
cat "$summary"
exit "$failed"

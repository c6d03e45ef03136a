#!/usr/bin/env bash
# Runs the fuzz targets one after the other and reports what each did.
#
#   fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
#
# SECONDS per target; 0 runs each target once over its corpus only. With
# FUZZ_RUNS set, a target also stops after that many executions. Each target starts from its seed corpus in
# fuzz/corpus/<target>/ plus the inputs it found before, kept in
# BUILD_DIR/fuzz/work/<target>/ (outside the repository). A finding (crash,
# sanitizer report, broken property, time-out, memory blow-up) is copied into
# the seed corpus as regress-<kind>-<hash>, where the test suite replays it
# from then on; the script then fails.
set -uo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:?usage: fuzz/run.sh BUILD_DIR SECONDS [TARGET...]}")
seconds=${2:?usage: fuzz/run.sh BUILD_DIR SECONDS [TARGET...]}
shift 2
if [ $# -gt 0 ]; then targets=("$@"); else mapfile -t targets < "$build/fuzz/targets.txt"; fi

# Leaks are findings too; the sanitizers stop at the first report.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
# CPU seconds of the finished children of this shell (user + system), so
# that a campaign sharing the processor with others shows what it had.
child_cpu() {
  local f
  read -ra f < /proc/$$/stat
  echo $(( (f[15] + f[16]) / $(getconf CLK_TCK) ))
}

printf '%-14s %12s %8s %8s %10s %8s %9s  %s\n' target executions seconds "cpu s" "exec/s" corpus findings result
for t in "${targets[@]}"; do
  exe="$build/fuzz/fuzz_$t"
  # Absolute paths: the targets change folder while they run, and a crash
  # leaves them there.
  seeds="$PWD/fuzz/corpus/$t"
  work="$build/fuzz/work/$t"
  found="$build/fuzz/findings/$t"
  log="$build/fuzz/$t.log"
  mkdir -p "$work" "$found"
  rm -f "$found"/*
  if [ ! -x "$exe" ]; then
    echo "fuzz/run.sh: $exe is not built" >&2
    exit 2
  fi
  if [ "$seconds" -gt 0 ]; then
    args=(-max_total_time="$seconds")
    [ -n "${FUZZ_RUNS:-}" ] && args+=(-runs="$FUZZ_RUNS")
  else
    args=(-runs=0)
  fi
  start=$(date +%s)
  cpu0=$(child_cpu)
  "$exe" "${args[@]}" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$found/" "$work" "$seeds" > "$log" 2>&1
  rc=$?
  took=$(( $(date +%s) - start ))
  cpu=$(( $(child_cpu) - cpu0 ))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  corpus=$(find "$work" "$seeds" -type f | wc -l)
  result=ok
  shopt -s nullglob
  artifacts=("$found"/*)
  shopt -u nullglob
  if [ $rc -ne 0 ] || [ ${#artifacts[@]} -gt 0 ]; then
    result="FINDING (log: $log)"
    status=1
    for a in "${artifacts[@]}"; do
      name=$(basename "$a")
      cp "$a" "$seeds/regress-$name"
      echo "  kept as fuzz/corpus/$t/regress-$name" >&2
    done
    if [ ${#artifacts[@]} -eq 0 ]; then
      tail -40 "$log" >&2
    fi
  fi
  printf '%-14s %12s %8s %8s %10s %8s %9s  %s\n' "$t" "${execs:-?}" "$took" "$cpu" "${rate:-?}" "$corpus" \
    "${#artifacts[@]}" "$result"
done
exit $status

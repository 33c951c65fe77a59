#!/usr/bin/env bash
# Runs one libFuzzer target of the fuzz preset on one core for a while, then prints what it did.
#
#   fuzz/run.sh TARGET SECONDS [LIBFUZZER FLAGS...]     e.g. fuzz/run.sh ppscodec 60
#
# Further flags go to libFuzzer as they are: "-fork=1 -ignore_crashes=1" keeps fuzzing past
# crashes (each saved), to measure a target whose known faults are not fixed yet.
#
# The run works on a copy of the seed corpus in build/fuzz/corpus/TARGET (so what it finds does
# not flood fuzz/corpus/); a crashing input is saved under build/fuzz/artifacts/TARGET/ and the
# full log is build/fuzz/logs/TARGET/fuzz-0.log. Exits non-zero when the run found a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
usage="usage: fuzz/run.sh TARGET SECONDS [LIBFUZZER FLAGS...]"
target=${1:?$usage}
seconds=${2:?$usage}
shift 2

root=$PWD/build/fuzz
binary=$root/fuzz/fuzz_$target
if [ ! -x "$binary" ]; then
    echo "no $binary; build it with:" >&2
    echo "  cmake --preset fuzz && cmake --build build/fuzz --target fuzz_$target" >&2
    exit 2
fi
corpus=$root/corpus/$target
artifacts=$root/artifacts/$target
logs=$root/logs/$target
mkdir -p "$corpus" "$artifacts" "$logs"
cp -n "fuzz/corpus/$target"/* "$corpus"/
rm -f "$logs"/fuzz-*.log

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
touch "$logs/started"
status=0
(cd "$logs" && "$binary" -jobs=1 -workers=1 -max_total_time="$seconds" -max_len=4096 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus" \
    >driver.log 2>&1) || status=$?

log=$logs/fuzz-0.log
echo "== fuzz_$target, $seconds s (log: $log)"
grep -E '^#[0-9]+' "$log" | tail -n 1 || true
stats='number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb'
grep -E "^stat::($stats)" "$log" || true

# Each input saved by this run, replayed once to say what it shows.
mapfile -t found < <(find "$artifacts" -type f -newer "$logs/started" | sort)
if ((${#found[@]})); then
    echo "== ${#found[@]} inputs saved in $artifacts; what they show:"
    failure='invariant violated|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer: timeout)'
    failure="$failure|runtime error"
    for input in "${found[@]}"; do
        (cd "$logs" && "$binary" -runs=1 "$input" 2>&1 || true) |
            grep -m1 -E -A1 "$failure" | tail -n 1 | sed -E 's/"[^"]*"/"..."/g'
    done | sort | uniq -c | sort -rn
    exit 1
fi
exit "$status"

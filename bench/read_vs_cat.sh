#!/usr/bin/env bash
# Times `strandex-cli read FILE --full` against `cat FILE >/dev/null` on the
# same synthetic EVO, in one run, on a warm page cache, and reports the
# median times, their ratio, the throughput and the peak resident memory of
# the scan.
#
#   bench/read_vs_cat.sh [SIZE_MIB]
#
# Environment:
#   BENCH_DIR        where the EVO is kept (default /tmp/strandex-bench)
#   BENCH_FILE       the EVO to time (default $BENCH_DIR/synthetic-SIZE.evo;
#                    made with strandex-make-evo when missing)
#   BENCH_RUNS       repetitions of each command (default 5)
#   BENCH_BUILD_DIR  Release build folder (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."

size_mib=${1:-${BENCH_SIZE_MIB:-1024}}
runs=${BENCH_RUNS:-5}
bench_dir=${BENCH_DIR:-/tmp/strandex-bench}
build_dir=${BENCH_BUILD_DIR:-build-bench}
file=${BENCH_FILE:-$bench_dir/synthetic-$size_mib.evo}

# A Release build of the console program and the generator (a no-op when up
# to date).
if [ ! -f "$build_dir/build.ninja" ]; then
  tools/install-deps
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTRANDEX_TESTS=OFF >/dev/null
fi
cmake --build "$build_dir" --target strandex-cli strandex-make-evo >/dev/null
cli=$build_dir/src/strandex-cli
make_evo=$build_dir/bench/strandex-make-evo

# GNU time gives the peak resident set size of a child (%M, KiB).
if [ ! -x /usr/bin/time ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  { $sudo apt-get update -qq && $sudo apt-get install -y -qq time; } >/dev/null 2>&1 || true
fi
have_time=0
[ -x /usr/bin/time ] && have_time=1

want_bytes=$((size_mib * 1048576))
if [ ! -f "$file" ] || { [ -z "${BENCH_FILE:-}" ] && [ "$(stat -c %s "$file")" -ne "$want_bytes" ]; }; then
  mkdir -p "$(dirname "$file")"
  echo "Making $file ($size_mib MiB)..."
  "$make_evo" "$file" "$size_mib"
fi
bytes=$(stat -c %s "$file")

peak_file=$(mktemp)
log_file=$(mktemp)
trap 'rm -f "$peak_file" "$log_file"' EXIT

# Runs one command with its output to /dev/null; sets secs and peak (KiB).
timed() {
  local start end
  start=${EPOCHREALTIME:-$(date +%s.%N)}
  if [ "$have_time" -eq 1 ]; then
    /usr/bin/time -f %M -o "$peak_file" "$@" >/dev/null 2>"$log_file"
  else
    "$@" >/dev/null 2>"$log_file"
  fi || { echo "failed: $*" >&2; cat "$log_file" >&2; exit 1; }
  end=${EPOCHREALTIME:-$(date +%s.%N)}
  secs=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
  peak=0
  [ "$have_time" -eq 1 ] && peak=$(tail -n 1 "$peak_file")
  return 0
}

# Share of the CPUs busy over one second (all cores, in %), read from
# /proc/stat: other work on the machine skews the figures.
cpu_busy() {
  local u n s i w q sq st t1 i1
  read -r _ u n s i w q sq st _ </proc/stat
  t1=$((u + n + s + i + w + q + sq + st)) i1=$((i + w))
  sleep 1
  read -r _ u n s i w q sq st _ </proc/stat
  echo $((100 - 100 * (i + w - i1) / (u + n + s + i + w + q + sq + st - t1)))
}

# Warm the page cache, and check once that the scan reads the whole file.
cat "$file" >/dev/null
"$cli" read "$file" --full >"$log_file" 2>&1 || { cat "$log_file"; exit 1; }
if ! grep -q '^Done\.$' "$log_file"; then
  echo "strandex-cli did not finish the scan:" >&2
  cat "$log_file" >&2
  exit 1
fi
frames_line=$(grep ' count in video stream 0\.$' "$log_file" || echo "no frames counted")

busy=$(cpu_busy)
if ((busy > 10)); then
  echo "warning: ${busy}% of the CPUs were busy with other work just before the runs;" \
       "the figures will be off (run again on an idle machine)" >&2
fi

cat_times=()
read_times=()
read_peak=0
cat_peak=0
for ((k = 0; k < runs; k++)); do
  timed cat "$file"
  cat_times+=("$secs")
  cat_peak=$((peak > cat_peak ? peak : cat_peak))
  timed "$cli" read "$file" --full
  read_times+=("$secs")
  read_peak=$((peak > read_peak ? peak : read_peak))
done

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
cat_median=$(median "${cat_times[@]}")
read_median=$(median "${read_times[@]}")

awk -v file="$file" -v bytes="$bytes" -v runs="$runs" -v cores="$(nproc)" \
    -v cm="$cat_median" -v rm="$read_median" -v cp="$cat_peak" -v rp="$read_peak" \
    -v have_time="$have_time" -v cruns="${cat_times[*]}" -v rruns="${read_times[*]}" \
    -v frames="$frames_line" -v busy="$busy" '
function mib(kib) { return have_time ? sprintf("%.1f MiB", kib / 1024) : "n/a" }
BEGIN {
  printf "%s: %.0f MiB, %d runs each, alternating, warm cache, %d cores (%d%% busy before)\n", file, bytes / 1048576, runs, cores, busy
  printf "%-34s %9s %10s %11s\n", "command", "median s", "MB/s", "peak RSS"
  printf "%-34s %9.3f %10.0f %11s\n", "cat FILE >/dev/null", cm, bytes / cm / 1e6, mib(cp)
  printf "%-34s %9.3f %10.0f %11s\n", "strandex-cli read FILE --full", rm, bytes / rm / 1e6, mib(rp)
  printf "ratio strandex/cat: %.2f (target at most 1.5)\n", rm / cm
  printf "peak memory of the scan: %s (target under 16 MiB)\n", mib(rp)
  printf "runs (s): cat %s | read %s\n", cruns, rruns
  printf "scan: %s\n", frames
}'

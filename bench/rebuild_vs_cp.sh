#!/usr/bin/env bash
# Times `strandex-cli rebuild FILE -o DIR --streams video0,audio0,audio1,sub0`
# (one of the three audio streams unticked) against `cp FILE DIR/` on the
# same synthetic EVO, in one run, alternating, on a warm page cache, and
# reports the median times and their ratio. The console command runs Read
# EVO (fast check: the first 300 MB) before it rebuilds, so
# `strandex-cli read FILE` alone is timed too.
#
#   bench/rebuild_vs_cp.sh [SIZE_MIB]
#
# Environment:
#   BENCH_DIR        where the EVO is kept (default /tmp/strandex-bench)
#   BENCH_FILE       the EVO to time (default $BENCH_DIR/synthetic-SIZE.evo;
#                    made with strandex-make-evo when missing)
#   BENCH_OUT_DIR    where the copies are written (default $BENCH_DIR/out;
#                    emptied before each command)
#   BENCH_STREAMS    the boxes kept (default video0,audio0,audio1,sub0)
#   BENCH_RUNS       repetitions of each command (default 5)
#   BENCH_BUILD_DIR  Release build folder (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."

size_mib=${1:-${BENCH_SIZE_MIB:-1024}}
runs=${BENCH_RUNS:-5}
bench_dir=${BENCH_DIR:-/tmp/strandex-bench}
build_dir=${BENCH_BUILD_DIR:-build-bench}
file=${BENCH_FILE:-$bench_dir/synthetic-$size_mib.evo}
out_dir=${BENCH_OUT_DIR:-$bench_dir/out}
streams=${BENCH_STREAMS:-video0,audio0,audio1,sub0}

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
name=$(basename "$file")
base=${name%????}
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)
rebuilt=$out_dir/$base.rebuilt.EVO

peak_file=$(mktemp)
log_file=$(mktemp)
trap 'rm -f "$peak_file" "$log_file"' EXIT

# Writes the last output back, then removes it, right before the next
# command: every command writes a new file, with no writeback running beside
# it, into the memory the last output just gave back. (On a virtual machine
# that hands free memory back to its host, memory left free for a second or
# two is slow to fill again: a command that got it took 2 to 4 times as
# long.)
fresh_output() {
  sync
  rm -f "$out_dir/$name" "$rebuilt"
}

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

# Warm the page cache, rebuild once and check the result: the log ends with
# "Done.", and Read EVO of the rebuilt file finds exactly the kept streams.
cat "$file" >/dev/null
fresh_output
"$cli" rebuild "$file" -o "$out_dir" --streams "$streams" >"$log_file" 2>&1 || { cat "$log_file"; exit 1; }
if [ "$(tail -n 1 "$log_file")" != "Done." ]; then
  echo "strandex-cli did not finish the rebuild:" >&2
  cat "$log_file" >&2
  exit 1
fi
found_before=$("$cli" read "$file" --full --no-details | grep -c ' found!$' || true)
found_after=$("$cli" read "$rebuilt" --full --no-details | grep ' found!$' | paste -sd ';' -)
out_bytes=$(stat -c %s "$rebuilt")

busy=$(cpu_busy)
if ((busy > 10)); then
  echo "warning: ${busy}% of the CPUs were busy with other work just before the runs;" \
       "the figures will be off (run again on an idle machine)" >&2
fi

cp_times=()
rebuild_times=()
read_times=()
cp_peak=0
rebuild_peak=0
for ((k = 0; k < runs; k++)); do
  fresh_output
  timed cp "$file" "$out_dir/"
  cp_times+=("$secs")
  cp_peak=$((peak > cp_peak ? peak : cp_peak))
  fresh_output
  timed "$cli" rebuild "$file" -o "$out_dir" --streams "$streams"
  rebuild_times+=("$secs")
  rebuild_peak=$((peak > rebuild_peak ? peak : rebuild_peak))
  timed "$cli" read "$file"
  read_times+=("$secs")
done
fresh_output

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
fastest() { printf '%s\n' "$@" | sort -n | head -n 1; }
cp_median=$(median "${cp_times[@]}")
rebuild_median=$(median "${rebuild_times[@]}")
read_median=$(median "${read_times[@]}")
cp_best=$(fastest "${cp_times[@]}")
rebuild_best=$(fastest "${rebuild_times[@]}")

awk -v file="$file" -v bytes="$bytes" -v out_bytes="$out_bytes" -v runs="$runs" -v cores="$(nproc)" \
    -v cm="$cp_median" -v bm="$rebuild_median" -v rm="$read_median" -v cpk="$cp_peak" -v bpk="$rebuild_peak" \
    -v cb="$cp_best" -v bb="$rebuild_best" \
    -v have_time="$have_time" -v cruns="${cp_times[*]}" -v bruns="${rebuild_times[*]}" -v rruns="${read_times[*]}" \
    -v streams="$streams" -v before="$found_before" -v after="$found_after" -v busy="$busy" '
function mib(kib) { return have_time ? sprintf("%.1f MiB", kib / 1024) : "n/a" }
BEGIN {
  printf "%s: %.0f MiB, %d runs each, alternating, warm cache, %d cores (%d%% busy before)\n", file, bytes / 1048576, runs, cores, busy
  printf "kept: %s; rebuilt file %.0f MiB (%.1f %% of the source)\n", streams, out_bytes / 1048576, 100 * out_bytes / bytes
  printf "%-52s %9s %10s %11s\n", "command", "median s", "MB/s", "peak RSS"
  printf "%-52s %9.3f %10.0f %11s\n", "cp FILE DIR/", cm, bytes / cm / 1e6, mib(cpk)
  printf "%-52s %9.3f %10.0f %11s\n", "strandex-cli rebuild FILE -o DIR --streams ...", bm, bytes / bm / 1e6, mib(bpk)
  printf "%-52s %9.3f %10s %11s\n", "strandex-cli read FILE (its Read EVO step)", rm, "", ""
  printf "ratio rebuild/cp: %.2f (target at most 1.3)\n", bm / cm
  printf "ratio (rebuild - read)/cp, the pack loop alone: %.2f\n", (bm - rm) / cm
  printf "fastest runs: cp %.3f s, rebuild %.3f s, ratio %.2f\n", cb, bb, bb / cb
  printf "runs (s): cp %s | rebuild %s | read %s\n", cruns, bruns, rruns
  printf "streams found: source %d, rebuilt: %s\n", before, after
}'
